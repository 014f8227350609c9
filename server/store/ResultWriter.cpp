#include "server/store/ResultWriter.h"

#include <set>
#include <stdexcept>
#include <vector>

#include "server/model/ArrivingResult.h"
#include "server/protocol/TextEncodingCodePages.h"
#include "server/store/CodePageRecords.h"
#include "server/store/Database.h"
#include "server/store/RecordRows.h"
#include "server/store/ResultDigest.h"
#include "server/store/ResultFigures.h"

std::pair<int32_t, bool> ResultWriter::write(soci::session& session, const RecordDocument& result,
                                             const std::string& clientName, bool imported, const std::string& sourceHash) const
{
    recordRows::checkTargets(session, result);
    const long long now = unixNow();
    // Imports share one origin whoever sends them, and never expire: a transcript is one run.
    const std::string origin = imported ? std::string("import") : "upload:" + clientName;
    const long long cutoff = imported ? 0 : now - kResubmissionWindowSeconds;
    const std::string digest = resultDigest(result);
    {
        int32_t earlier = -1;
        session << "SELECT result_id FROM result_digests WHERE origin = :origin AND digest = :digest "
                   "AND stored_at >= :cutoff",
            soci::use(origin), soci::use(digest), soci::use(cutoff), soci::into(earlier);
        if (session.got_data())
            return {earlier, true};
    }

    // The description records were stored before their result told the page they were
    // written in; the meaning below reads them as that page gives them.
    const RecordField* pageField = result.field("CodePage");
    const int codePage = pageField ? codePageNamed(pageField->value) : 0;
    if (codePage != 0)
        readDescriptionsInCodePage(session, result, codePage);

    // The records the meaning reads, and the records they name: two levels, read a level at a
    // time (three statements whatever the number of libraries).
    std::set<int32_t> referring;
    const std::set<int32_t> first = model::describedBy(result, &referring);
    model::DescribedRecords described = recordRows::read(session, first, referring);
    for (auto& [id, record] : recordRows::read(session, model::namedBy(described)))
        described[id] = std::move(record);
    const model::ArrivingResult arriving = model::arrivingResult(result, described);

    const int importedFlag = imported ? 1 : 0;
    const model::CohortKey& cohort = arriving.cohort;
    const int32_t cardId = cohort.graphicsCardId;
    soci::indicator cardIndicator = cardId ? soci::i_ok : soci::i_null;
    int32_t id = -1;
    soci::indicator sourceIndicator = sourceHash.empty() ? soci::i_null : soci::i_ok;
    session << "INSERT INTO results (created_at, client_name, imported, graphics_card_id, "
               "card_name, driver_key, driver_text, os_text, cpu_name, display_width, "
               "display_height, refresh_rate, bits_per_pixel, source_hash) VALUES (:now, :client, :imported, "
               ":card, :cardName, :driverKey, :driverText, :os, :cpu, :w, :h, :r, :b, :source) RETURNING id",
        soci::use(now), soci::use(clientName), soci::use(importedFlag), soci::use(cardId, cardIndicator),
        soci::use(arriving.cardName), soci::use(cohort.driverKey), soci::use(arriving.driverText),
        soci::use(arriving.osText), soci::use(arriving.cpuName), soci::use(cohort.width),
        soci::use(cohort.height), soci::use(arriving.refreshRate), soci::use(cohort.bitsPerPixel),
        soci::use(sourceHash, sourceIndicator), soci::into(id);
    if (!session.got_data())
        throw std::runtime_error("the new result got no ID");

    // Rates of known tests go into one column by their codes; every other field stays a field
    // of its own.
    std::vector<RecordField> otherFields = arriving.otherFields;
    for (RecordField& field : otherFields)
        field.value = inCodePage(field.value, codePage);
    recordRows::insertFields(session, dialect_, "result_fields", "result_id", id, otherFields);
    std::vector<int32_t> rateIDs, rateTests;
    std::vector<double> rateValues;
    for (const model::Rate& rate : arriving.rates) {
        rateIDs.push_back(id);
        rateTests.push_back(rate.id.code());
        rateValues.push_back(rate.value);
    }
    dialect_.insertRows(session, "rate_values", "result_id, test, value", "", rateIDs, rateTests, rateValues);
    recordRows::insertReferences(session, dialect_, "result_references", "result_id", id, result.references);

    std::vector<int32_t> memberResults, memberPositions, memberIDs;
    std::vector<std::string> collections;
    for (const RecordCollection& collection : result.collections) {
        int32_t position = 0;
        for (const RecordMember& member : collection.members) {
            memberResults.push_back(id);
            collections.push_back(collection.name);
            memberPositions.push_back(position++);
            memberIDs.push_back(member.id);
        }
    }
    dialect_.insertRows(session, "result_members", "result_id, collection, position, record_id", "",
                        memberResults, collections, memberPositions, memberIDs);

    // Claims the digest; a row left by an identical submission older than the window is taken
    // over. No row back means another request has just claimed it (PostgreSQL lets the two
    // overlap; SQLite's writers queue).
    int32_t claimed = -1;
    session << "INSERT INTO result_digests (origin, digest, result_id, stored_at) "
               "VALUES (:origin, :digest, :id, :now) ON CONFLICT (origin, digest) DO UPDATE SET "
               "result_id = excluded.result_id, stored_at = excluded.stored_at "
               "WHERE result_digests.stored_at < :cutoff RETURNING result_id",
        soci::use(origin), soci::use(digest), soci::use(id), soci::use(now), soci::use(cutoff),
        soci::into(claimed);
    if (!session.got_data())
        throw ConcurrentDuplicate();

    ResultFigures(dialect_, countImported_).record(session, id, arriving, imported);
    return {id, false};
}
