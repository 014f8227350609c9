#pragma once

#include <soci/soci.h>

#include "server/protocol/RecordDocument.h"

// Reads the description records a result names, and the records those name (an operating
// system version's system, a library version's library), in the code page the result names
// (server/protocol/TextEncodingCodePages.h). Each record is read in a page once: the first
// result that names a page for it claims the record, later ones leave it as it is, so a record
// that machines of different pages share keeps one reading. A Windows-1252 result claims its
// records and changes no byte of them. Records of results that named no page (older programs,
// imports) have no page until such a result names them. Search keys stay as they were: a
// record is still found by the bytes it was sent with.
void readDescriptionsInCodePage(soci::session& session, const RecordDocument& result, int codePage);
