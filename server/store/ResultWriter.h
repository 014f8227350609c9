#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include <soci/soci.h>

#include "server/protocol/RecordDocument.h"
#include "server/store/SqlDialect.h"

// An identical submission committed by another request while this one was storing: the
// transaction is rolled back and the work run again, which then finds that submission's result.
class ConcurrentDuplicate : public std::exception {
};

// Writes an arriving result inside the caller's transaction: its rows, what the pages select
// it by (model::arrivingResult), its digest against resubmission, and its figures. A submission
// identical to one of the same origin within the window answers with that result instead.
class ResultWriter {
public:
    ResultWriter(const SqlDialect& dialect, bool countImported)
        : dialect_(dialect), countImported_(countImported) {}

    // How long an identical upload of the same client answers with the stored result.
    static constexpr long long kResubmissionWindowSeconds = 3600;

    // The result's ID and whether it was stored before (by an identical submission).
    // ConcurrentDuplicate when another request claimed the same submission meanwhile.
    // sourceHash: the sender's keyed hash (SourceHashes), or empty when unknown.
    std::pair<int32_t, bool> write(soci::session& session, const RecordDocument& result,
                                   const std::string& clientName, bool imported,
                                   const std::string& sourceHash = std::string()) const;

private:
    const SqlDialect& dialect_;
    bool countImported_;
};

// Runs storing work again once when it met a concurrent identical submission.
template <typename Work>
auto retryingDuplicates(Work&& work) -> decltype(work())
{
    try {
        return work();
    } catch (const ConcurrentDuplicate&) {
        return work();
    }
}
