#pragma once

#include <string>

#include "server/store/RecordStore.h"

// Who sent a request: the Basic login of the API and of the import form checked against the
// stored clients, in one place for both.
class Authenticator {
public:
    struct Login {
        LoginOutcome outcome = LoginOutcome::Unknown;
        std::string clientName;  // as sent; empty when no login was sent at all
        bool sent = false;

        bool accepted() const { return outcome == LoginOutcome::Accepted; }
    };

    explicit Authenticator(RecordStore& store) : store_(store) {}

    // From the Authorization header's value; a missing or malformed one is Unknown, not sent.
    Login check(const std::string& authorization) const;

    // The WWW-Authenticate value that asks for a login.
    static const char* challenge();

private:
    RecordStore& store_;
};
