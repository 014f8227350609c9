#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "server/store/Database.h"
#include "server/store/LoginOutcome.h"

// The clients allowed to upload, and the check of every API request's login. What a check
// found is remembered in one place for this process, so that the requests of one upload
// (sixteen, each with its login) neither read the database nor derive the key each time.
class ClientLogins {
public:
    explicit ClientLogins(Database& database) : database_(database) {}

    // An enabled client's stored key is trusted for kLoginMemoryMillis: a client disabled or
    // given a new key by another process is refused within that time; by this one, at once.
    static constexpr int kLoginMemoryMillis = 2000;

    LoginOutcome check(const std::string& name, const std::string& key);
    // Adds the client or gives it a new key, enabled either way.
    void add(const std::string& name, const std::string& key);
    // False when there is no such client.
    bool disable(const std::string& name);

private:
    struct Remembered {
        std::string keyHash;
        bool enabled = false;
        std::chrono::steady_clock::time_point until;  // the row is read again after this
        std::string matchedKey;  // keyMatchDigest of the last key found to match keyHash
    };
    static constexpr std::size_t kRememberedClients = 1024;

    void forget(const std::string& name);

    Database& database_;
    std::mutex mutex_;
    std::map<std::string, Remembered> remembered_;
};
