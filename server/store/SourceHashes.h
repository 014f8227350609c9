#pragma once

#include <mutex>
#include <string>

#include "server/store/Database.h"

// Where results came from, without keeping where: an address becomes HMAC-SHA-256 under the
// site's own secret (32 hexadecimal digits of it). The host can then find every result of one
// source (`hide --source`), while nobody holding the database can tell the address, nor test a
// guess at it without the secret. The secret is made on first use, once per database (several
// processes on one PostgreSQL share it), and read once per process.
class SourceHashes {
public:
    explicit SourceHashes(Database& database) : database_(database) {}

    std::string of(const std::string& address);

private:
    const std::string& secret();

    Database& database_;
    std::mutex mutex_;
    std::string secret_;
};
