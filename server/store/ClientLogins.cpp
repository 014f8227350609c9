#include "server/store/ClientLogins.h"

#include "server/store/KeyHash.h"

LoginOutcome ClientLogins::check(const std::string& name, const std::string& key)
{
    const auto now = std::chrono::steady_clock::now();
    Remembered client;
    bool fresh = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = remembered_.find(name);
        if (found != remembered_.end()) {
            client = found->second;
            fresh = client.enabled && client.until > now;
        }
    }
    if (!fresh) {
        std::string hash;
        int enabled = 0;
        database_.withSession([&](soci::session& session) {
            session << "SELECT key_hash, enabled FROM clients WHERE name = :name", soci::use(name),
                soci::into(hash), soci::into(enabled);
            if (!session.got_data())
                hash.clear();
        });
        if (hash.empty()) {
            forget(name);
            deriveForNothing(key);
            return LoginOutcome::Unknown;
        }
        if (hash != client.keyHash)
            client.matchedKey.clear();
        client.keyHash = hash;
        client.enabled = enabled != 0;
        client.until = now + std::chrono::milliseconds(kLoginMemoryMillis);
    }
    const std::string digest = keyMatchDigest(key, client.keyHash);
    const bool matches = digest == client.matchedKey || keyMatches(key, client.keyHash);
    if (matches)
        client.matchedKey = digest;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (remembered_.size() >= kRememberedClients && !remembered_.count(name))
            remembered_.clear();
        remembered_[name] = client;
    }
    if (!matches)
        return LoginOutcome::WrongKey;
    return client.enabled ? LoginOutcome::Accepted : LoginOutcome::Disabled;
}

void ClientLogins::forget(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    remembered_.erase(name);
}

void ClientLogins::add(const std::string& name, const std::string& key)
{
    forget(name);
    const std::string hash = hashKey(key);
    const long long now = unixNow();
    database_.inTransaction([&](soci::session& session) {
        session << "INSERT INTO clients (name, key_hash, enabled, created_at) "
                   "VALUES (:name, :hash, 1, :now) ON CONFLICT (name) DO UPDATE SET "
                   "key_hash = excluded.key_hash, enabled = 1",
            soci::use(name), soci::use(hash), soci::use(now);
    });
}

bool ClientLogins::disable(const std::string& name)
{
    forget(name);
    return database_.inTransaction([&](soci::session& session) {
        soci::statement statement =
            (session.prepare << "UPDATE clients SET enabled = 0 WHERE name = :name", soci::use(name));
        statement.execute(true);
        return statement.get_affected_rows() > 0;
    });
}
