#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "server/http/HttpLimits.h"

struct Listener {
    std::string host;
    int port = 0;  // 0: any free port
    bool tls = false;
};

struct ServerOptions {
    enum class Command { Serve, AddClient, DisableClient, Import, Backup, Rescore, Help };
    Command command = Command::Serve;
    std::vector<std::string> arguments;  // NAME KEY, NAME, the files to import, the backup FILE,
                                         // the reference RESULT_ID

    std::string database = "sqlite:korvid-results.db";
    std::vector<Listener> listeners;
    std::string certFile;
    std::string keyFile;
    std::string apiBase = "/api/v1/";
    std::string packagesDir;  // empty: "packages" beside the executable
    std::size_t threads = 32;    // request handlers at once (and database sessions)
    std::size_t ioThreads = 2;   // threads reading and writing every connection
    HttpLimits limits;
    bool countImported = false;  // imported results count in cohort figures and rankings
};

// Throws std::runtime_error with a one-line message for anything it cannot use.
ServerOptions parseServerOptions(const std::vector<std::string>& args);

extern const char* const kServerHelp;
