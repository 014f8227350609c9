#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <soci/soci.h>

#include "server/model/ArrivingResult.h"
#include "server/protocol/RecordDocument.h"
#include "server/store/SqlDialect.h"

// The rows that records and results share: what their references name, and their fields and
// references, written and read in one statement each whatever their number.
namespace recordRows {

// IDs written into a statement ("3,5,8"): they are numbers, never text of a request.
std::string idList(const std::set<int32_t>& ids);

// ProtocolError (400) when a reference or member of record names no stored record of the type
// its role requires.
void checkTargets(soci::session& session, const RecordDocument& record);

// The fields of the stored records among withFields and the references of those among
// withReferences, in their order: a statement for each set that is not empty.
model::DescribedRecords read(soci::session& session, const std::set<int32_t>& withFields,
                             const std::set<int32_t>& withReferences = {});

// The fields and references of a record or a result, in their order; table and owner are the
// program's own names, never input.
void insertFields(soci::session& session, const SqlDialect& dialect, const std::string& table,
                  const std::string& owner, int32_t id, const std::vector<RecordField>& fields);
void insertReferences(soci::session& session, const SqlDialect& dialect, const std::string& table,
                      const std::string& owner, int32_t id, const std::vector<RecordReference>& references);

} // namespace recordRows
