#include "server/http/Authenticator.h"

#include "server/protocol/BasicAuth.h"

Authenticator::Login Authenticator::check(const std::string& authorization) const
{
    Login login;
    const auto credentials = parseBasicAuthorization(authorization);
    if (!credentials)
        return login;
    login.sent = true;
    login.clientName = credentials->name;
    login.outcome = store_.checkLogin(credentials->name, credentials->key);
    return login;
}

const char* Authenticator::challenge()
{
    return "Basic realm=\"Korvid results\", charset=\"UTF-8\"";
}
