#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

// Files of the local machine named by a local path. On Windows a local path is UTF-8 and the file
// is opened through the wide-character API, so a folder whose name the ANSI code page cannot
// spell (C:\Users\Зоя\Downloads) is reached; elsewhere it is the platform's own bytes.

struct LocalFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using LocalFileHandle = std::unique_ptr<std::FILE, LocalFileCloser>;

// True when a file or directory of that name exists.
bool localFileExists(const std::string& path);

// The whole file's bytes; nothing when it cannot be opened or read (a directory, no access).
std::optional<std::string> readLocalFile(const std::string& path);

// fopen with the C runtime's modes ("w": text, CRLF line ends on Windows); null on failure.
LocalFileHandle openLocalFile(const std::string& path, const char* mode);

// Between local paths and the system's 8-bit texts (the ANSI code page on Windows: the command
// line as the C runtime hands it over, the console, message boxes). Identity elsewhere. A
// character the code page lacks comes out as '?'.
std::string localPathFromSystemText(const std::string& text);
std::string systemTextFromLocalPath(const std::string& path);
