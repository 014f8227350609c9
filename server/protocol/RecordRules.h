#pragma once

#include "server/protocol/DocumentLimits.h"
#include "server/protocol/RecordDocument.h"

// What a record may hold, whichever way it arrived (a submitted document, a transcript read
// back). Throws ProtocolError (400) with a short reason for: a reference or collection named
// twice; a collection of more than maxCollectionMembers; a field name over maxNameBytes; a value
// over maxValueBytes or holding a NUL character; a field named as a reference's lookup pair
// ("LibraryID" beside the reference "Library"); in a result, a measurement name (a field that
// names a test, MeasurementName) over maxMeasurementNameBytes.
void checkRecordRules(const RecordDocument& record, const DocumentLimits& limits);

// A description record must be found again by the lookup its sender makes: that lookup's
// request line (LookupLine), made of the values as sent, must fit maxRequestLineBytes under an
// API base path of apiBasePathBytes. Results are never looked up. Throws ProtocolError (400).
void checkLookupFits(const RecordDocument& asSent, const DocumentLimits& limits);
