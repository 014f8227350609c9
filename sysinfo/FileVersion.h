#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
// The file version from a file's version resource (a bare name is the system folder's copy).
// True when it could be read; only then are the numbers given written.
bool getFileVersion(const std::string& fileName, uint32_t* major = nullptr,
                    uint32_t* minor = nullptr, uint32_t* build = nullptr,
                    uint32_t* revision = nullptr);
#endif
