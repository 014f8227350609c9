#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/protocol/RecordDocument.h"
#include "server/protocol/RecordTree.h"
#include "server/protocol/SearchKey.h"
#include "server/store/LoginOutcome.h"

// What the upload protocol needs of the database. Every call is one transaction; errors that
// the client may retry are DatabaseUnavailable, refused input is ProtocolError.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // The stored description record of that type with exactly this search key, or -1.
    virtual int32_t lookup(const std::string& type, const SearchKey& key) = 0;
    // Stores a description record unless an equal one is stored already (also when another
    // request stores it at the same moment); the ID either way. ProtocolError (400) when a
    // reference or member names no stored record of the right type.
    virtual int32_t storeRecord(const RecordDocument& record) = 0;
    // Stores a result as a new one, with everything its pages need derived from it; but a
    // submission identical to one the same client had stored within the last hour answers
    // with that result's ID, so that an upload retried after a lost reply is stored once.
    // sourceAddress is where it came from: only a keyed hash of it is stored (SourceHashes); empty
    // when unknown.
    virtual int32_t storeResult(const RecordDocument& result, const std::string& clientName, bool imported,
                                const std::string& sourceAddress) = 0;
    int32_t storeResult(const RecordDocument& result, const std::string& clientName, bool imported)
    {
        return storeResult(result, clientName, imported, std::string());
    }
    // A whole record tree built in this process (a transcript read back, say): its description
    // records as storeRecord would, then the root as storeResult would, in one transaction. An
    // imported tree identical to one imported before, at any time by anyone, answers with that
    // result's ID; alreadyStored (when given) tells which happened. ProtocolError (400) for a
    // record of no known description type or one naming a place not before its own.
    virtual int32_t storeTree(const RecordTree& tree, const std::string& clientName, bool imported,
                              bool* alreadyStored = nullptr) = 0;

    // The clients' logins (ClientLogins).
    virtual LoginOutcome checkLogin(const std::string& name, const std::string& key) = 0;
    // Adds the client or gives it a new key, enabled either way.
    virtual void addClient(const std::string& name, const std::string& key) = 0;
    // False when there is no such client.
    virtual bool disableClient(const std::string& name) = 0;
};
