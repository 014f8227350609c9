#pragma once

#include <string>

// Full path of the running program file as a local path (client/LocalFile.h): from
// GetModuleFileNameW on Windows, /proc/self/exe elsewhere. Empty when it cannot be determined.
std::string programFilePath();

// The platform's directory separator as used in programFilePath(): '\\' on Windows, '/' elsewhere.
char programPathSeparator();

// Where the CA bundle beside the program is looked for: the program path cut before its last
// separator, then the separator and "curl-ca-bundle.crt". A path without any separator is kept
// whole (so the bundle is then never found there).
std::string caBundlePathFor(const std::string& programPath, char separator);
