#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "server/http/HttpLimits.h"
#include "server/http/UploadLimit.h"

struct Listener {
    std::string host;
    int port = 0;  // 0: any free port
    bool tls = false;
};

struct ServerOptions {
    enum class Command { Serve, AddClient, DisableClient, Import, Backup, Rescore, Help, Version };
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
    std::size_t dbPool = 0;      // database sessions kept open; 0: as many as threads
    // A plain HTTP listener of its own for /metrics (and /healthz); none: no /metrics.
    std::optional<Listener> metricsListener;
    HttpLimits limits;
    bool countImported = false;  // imported results count in cohort figures and rankings
    UploadLimitOptions uploadLimit;
};

// Throws std::runtime_error with a one-line message for anything it cannot use. "--config FILE"
// reads the options of that file (ServerConfigFile.h) before the command line's, so that the
// command line wins: a value given in both is the command line's, and its --http and --https
// replace all the file's listeners. Commands other than serving take only the database (and
// count-imported) from the file. An error in the file names FILE:LINE.
ServerOptions parseServerOptions(const std::vector<std::string>& args);

extern const char* const kServerHelp;
