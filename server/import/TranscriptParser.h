#pragma once

#include <stdexcept>
#include <string>

#include "server/protocol/RecordTree.h"

// A transcript that cannot be read: the line (1-based, 0 for the whole file) and why.
class TranscriptError : public std::runtime_error {
public:
    TranscriptError(int line, const std::string& reason);
    int line() const { return line_; }
    const std::string& reason() const { return reason_; }

private:
    int line_;
    std::string reason_;
};

struct ParsedTranscript {
    RecordTree tree;  // the records korvid.exe would have uploaded for the run, in its order
    std::string cardName;
    int measurementCount = 0;
};

// Reads a saved result file (what the console printed during the run, CRLF or LF line ends,
// in the machine's code page) back into the records the run had built, as plain documents. The file keeps
// rates with three decimals and sizes in rounded units, so the tree holds what the file
// shows; the system library versions are never in it. A run korvid.exe would not upload (a
// failed test, a test group left out, a status saying it cannot be submitted) is refused; so
// are a NUL byte and records that an upload
// could not store (RecordRules: texts over the value bound, a card or driver whose lookup
// would not fit a request line), each naming its line. Texts become what fieldValue makes of
// them, as in an upload.
ParsedTranscript parseTranscript(const std::string& text);
