#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "server/store/Database.h"
#include "server/store/RecordStore.h"

// The upload protocol's store on SQLite or PostgreSQL through SOCI. Shared records are made
// unique by the database's own key on (type, search_key), so two requests storing the same
// record at once end with one row and both get its ID.
class SociRecordStore : public RecordStore {
public:
    explicit SociRecordStore(Database& database) : database_(database) {}

    int32_t lookup(const std::string& type, const SearchKey& key) override;
    int32_t storeRecord(const RecordDocument& record) override;
    int32_t storeResult(const RecordDocument& result, const std::string& clientName,
                        bool imported) override;
    int32_t storeTree(const BCObject& root, const std::string& clientName, bool imported,
                      bool* alreadyStored = nullptr) override;

    // Whether imported results count in cohort figures and rankings (off: they are shown and
    // marked, but left out). Applies to results stored from now on.
    void setCountImported(bool on) { countImported_ = on; }

    // How long an identical upload of the same client answers with the stored result.
    static constexpr long long kResubmissionWindowSeconds = 3600;

    // An enabled client's stored key is remembered for kLoginMemoryMillis, so that the requests
    // of one upload (sixteen, each with its login) read it once: a client disabled or given a
    // new key by another process is refused within that time; by this one, at once.
    LoginOutcome checkLogin(const std::string& name, const std::string& key) override;
    static constexpr int kLoginMemoryMillis = 2000;
    void addClient(const std::string& name, const std::string& key) override;
    bool disableClient(const std::string& name) override;

private:
    int32_t storeRecordIn(soci::session& session, const RecordDocument& record);
    // The stored result's ID and whether it was stored before (by an identical submission).
    std::pair<int32_t, bool> storeResultIn(soci::session& session, const RecordDocument& result,
                                           const std::string& clientName, bool imported);
    int32_t storeObjectIn(soci::session& session, const BCObject& object,
                          std::map<const BCObject*, int32_t>& stored);

    void forgetLogin(const std::string& name);

    struct RememberedLogin {
        std::string keyHash;
        std::chrono::steady_clock::time_point until;
    };
    static constexpr std::size_t kRememberedLogins = 1024;

    Database& database_;
    bool countImported_ = false;
    std::mutex loginsMutex_;
    std::map<std::string, RememberedLogin> logins_;
};
