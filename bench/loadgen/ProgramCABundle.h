#pragma once

#include <string>

// The client trusts only the CA bundle beside the program file, as korvid.exe is installed. A
// command-line tool is given its bundle instead, so for as long as this object lives the given
// bundle is what lies beside the program: put there when it differs, and whatever was there
// before put back afterwards. Two runs at once with different bundles would trip over each
// other; runs with one bundle do not, as it is then left as it is.
class ProgramCABundle {
public:
    // Throws std::runtime_error when the file cannot be read or the bundle cannot be written.
    explicit ProgramCABundle(const std::string& caFile);
    ~ProgramCABundle();
    ProgramCABundle(const ProgramCABundle&) = delete;
    ProgramCABundle& operator=(const ProgramCABundle&) = delete;

private:
    std::string path_;
    bool replaced_ = false;
    bool hadBundle_ = false;
    std::string previous_;
};
