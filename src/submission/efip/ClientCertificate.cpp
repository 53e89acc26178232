#include "submission/efip/ClientCertificate.h"

namespace efip {

namespace {

ClientCertificateHooks& Hooks()
{
    static ClientCertificateHooks hooks;
    return hooks;
}

} // namespace

void SetClientCertificateHooks(ClientCertificateHooks hooks)
{
    Hooks() = std::move(hooks);
}

const ClientCertificateHooks& CurrentClientCertificateHooks()
{
    return Hooks();
}

} // namespace efip
