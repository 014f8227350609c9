#pragma once

#include <string>

#include "server/store/ClientLogins.h"
#include "server/store/Database.h"
#include "server/store/RecordStore.h"
#include "server/store/ResultWriter.h"
#include "server/store/SourceHashes.h"

// The upload protocol's store on SQLite or PostgreSQL through SOCI. Shared records are made
// unique by the database's own key on (type, search_key), so two requests storing the same
// record at once end with one row and both get its ID. Results are written by ResultWriter,
// logins checked by ClientLogins.
class SociRecordStore : public RecordStore {
public:
    explicit SociRecordStore(Database& database) : database_(database), logins_(database), sources_(database) {}

    int32_t lookup(const std::string& type, const SearchKey& key) override;
    int32_t storeRecord(const RecordDocument& record) override;
    using RecordStore::storeResult;
    int32_t storeResult(const RecordDocument& result, const std::string& clientName, bool imported,
                        const std::string& sourceAddress) override;
    int32_t storeTree(const RecordTree& tree, const std::string& clientName, bool imported,
                      bool* alreadyStored = nullptr) override;

    // Whether imported results count in cohort figures and rankings (off: they are shown and
    // marked, but left out). Applies to results stored from now on.
    void setCountImported(bool on) { countImported_ = on; }

    static constexpr long long kResubmissionWindowSeconds = ResultWriter::kResubmissionWindowSeconds;
    static constexpr int kLoginMemoryMillis = ClientLogins::kLoginMemoryMillis;

    LoginOutcome checkLogin(const std::string& name, const std::string& key) override
    {
        return logins_.check(name, key);
    }
    void addClient(const std::string& name, const std::string& key) override { logins_.add(name, key); }
    bool disableClient(const std::string& name) override { return logins_.disable(name); }

private:
    int32_t storeRecordIn(soci::session& session, const RecordDocument& record);

    Database& database_;
    ClientLogins logins_;
    SourceHashes sources_;
    bool countImported_ = false;
};
