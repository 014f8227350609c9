#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class RecordStore;

// Reads one saved result file's text and stores it as an imported result, in one transaction
// (RecordStore::storeTree): the ID of the new result. TranscriptError when the text cannot be
// read; the store's own errors when it cannot be stored. Either way nothing stays behind.
int32_t importTranscript(const std::string& text, RecordStore& store, const std::string& clientName);

// `korvid-server import FILE...`: each file on its own, so that one bad file does not keep the
// others out. One line per file on out ("FILE: stored as result N, M rates", or "already
// stored as result N" for a file imported before) or err
// ("FILE:LINE: reason"). Returns 0 when every file was stored, 1 otherwise.
int runImport(const std::vector<std::string>& files, RecordStore& store, std::ostream& out,
              std::ostream& err);

// The client name imported results are stored under.
extern const char* const kImportClientName;  // "korvid-server import"
