#pragma once

#include <string>
#include <vector>

// A configuration file of korvid-server (--config FILE): one option a line, "name = value",
// named as on the command line without its "--". Blank lines and lines whose first non-blank
// character is "#" are skipped; blanks around the name and the value go, blanks inside the
// value stay (a value may hold "#" and "="). No quoting: the value is the rest of the line.
struct ConfigEntry {
    std::string name;  // "database", not "--database"
    std::string value;
    int line = 0;
};

// Throws std::runtime_error "FILE:LINE: ..." for a line that is not "name = value", and
// "cannot read FILE: reason" when the file cannot be read. Which names are options, and
// whether a value fits its option, is the command line parser's to say.
std::vector<ConfigEntry> readConfigFile(const std::string& path);
