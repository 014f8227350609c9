#pragma once

#include <cstddef>

// What one record document, lookup or transcript may hold; docs/results-server.md lists the
// same figures. Each bound sits far above what a real machine sends (the protocol's longest
// name is 34 bytes, real values a few dozen characters, a driver list of full paths some
// hundreds) and below what the layers behind it carry: the parser's recursion, PostgreSQL's
// index entries (about 2.7 kB) and the request line of the lookup that finds a record again.
struct DocumentLimits {
    std::size_t maxDepth = 8;                  // a record document is three levels deep
    std::size_t maxElements = 4096;            // a full result has a few hundred
    std::size_t maxNameBytes = 128;            // element, attribute, field and lookup names
    std::size_t maxValueBytes = 4096;          // a field's or lookup's value, UTF-8 as stored
    std::size_t maxMeasurementNameBytes = 64;  // a result field that names a test
    std::size_t maxCollectionMembers = 64;     // a result lists a few libraries and a driver

    // The lookup of a stored description record must fit the HTTP layer's request line,
    // "GET " + path + "?" + query + " HTTP/1.1", under an API base path of up to
    // apiBasePathBytes: a record the client could store but never find again is refused.
    std::size_t maxRequestLineBytes = 8192;
    std::size_t apiBasePathBytes = 64;
};
