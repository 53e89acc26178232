#include "u3/SystemInfo.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netdb.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace u3 {

std::string ComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return {};
    std::string host = name;
    return host.substr(0, host.find('.'));
}

std::string HostAddress()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return "127.0.0.1";
    addrinfo hints {};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return "127.0.0.1";
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    inet_ntop(AF_INET, &address->sin_addr, text, sizeof(text));
    freeaddrinfo(result);
    return text;
}

std::string LoginName()
{
    if (passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return pw->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string DnsDomain()
{
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return {};
    addrinfo hints {};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* result = nullptr;
    std::string canonical = name;
    if (getaddrinfo(name, nullptr, &hints, &result) == 0 && result) {
        if (result->ai_canonname)
            canonical = result->ai_canonname;
        freeaddrinfo(result);
    }
    auto dot = canonical.find('.');
    return dot == std::string::npos ? std::string() : canonical.substr(dot + 1);
}

} // namespace u3
