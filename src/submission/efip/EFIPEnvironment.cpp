#include "submission/efip/EFIPConnection.h"
#include "submission/efip/EFIPEnvironment.h"

#include "framework/Component.h"

#include <cerrno>

namespace efip {

namespace {

LangTextSource& LangSource()
{
    static LangTextSource source;
    return source;
}

std::function<std::string()>& TempSource()
{
    static std::function<std::string()> source;
    return source;
}

std::function<void(fw::TComponent*)>& FreeHandler()
{
    static std::function<void(fw::TComponent*)> handler;
    return handler;
}

ConnectionFactory& Factory()
{
    static ConnectionFactory factory;
    return factory;
}

SSLContextHooks& Hooks()
{
    static SSLContextHooks hooks;
    return hooks;
}

} // namespace

int32_t SocketErrorNumber(int posixErrno)
{
    switch (posixErrno) {
    case ECONNREFUSED:
        return 10061;
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
        return 10060;
    default:
        return posixErrno;
    }
}

void SetSSLContextHooks(SSLContextHooks hooks)
{
    Hooks() = std::move(hooks);
}

const SSLContextHooks& CurrentSSLContextHooks()
{
    return Hooks();
}

void SetLangTextSource(LangTextSource source)
{
    LangSource() = std::move(source);
}

std::string MessageText(int number, const std::string& defaultText)
{
    const std::string key = "g3EFIP.pas.Message." + std::to_string(number);
    return LangSource() ? LangSource()(key, defaultText) : defaultText;
}

void SetTempFolderSource(std::function<std::string()> source)
{
    TempSource() = std::move(source);
}

std::string TempFolder()
{
    return TempSource() ? TempSource()() : std::string();
}

void SetFreeHandler(std::function<void(fw::TComponent*)> handler)
{
    FreeHandler() = std::move(handler);
}

void FreeComponent(fw::TComponent* component)
{
    if (FreeHandler())
        FreeHandler()(component);
    else
        component->Release();
}

void SetConnectionFactory(ConnectionFactory factory)
{
    Factory() = std::move(factory);
}

std::unique_ptr<EFIPConnection> MakeConnection()
{
    return Factory() ? Factory()() : nullptr;
}

} // namespace efip
