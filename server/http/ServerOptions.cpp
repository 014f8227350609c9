#include "server/http/ServerOptions.h"

#include <stdexcept>

#include "server/http/ServerConfigFile.h"

const char* const kServerHelp =
    "Usage:\n"
    "  korvid-server [options]                   serve the results API and pages\n"
    "  korvid-server add-client NAME KEY [--database URL]\n"
    "                                            allow a client (or give it a new key)\n"
    "  korvid-server disable-client NAME [--database URL]\n"
    "                                            refuse a client from now on (403)\n"
    "  korvid-server import FILE... [--database URL]\n"
    "                                            store saved .kvdresult transcripts as results\n"
    "  korvid-server backup FILE [--database sqlite:PATH]\n"
    "                                            copy a SQLite database while it serves\n"
    "  korvid-server rescore RESULT_ID [--database URL]\n"
    "                                            rate a new score version against that result;\n"
    "                                            the server rescores in the background\n"
    "\n"
    "Options:\n"
    "  --config FILE       read options from FILE first, one \"name = value\" a line, named\n"
    "                      as here without the --; the command line wins over the file\n"
    "  --database URL      sqlite:PATH (default sqlite:korvid-results.db) or a PostgreSQL URI\n"
    "                      postgresql://USER@HOST:PORT/DATABASE; several servers may share\n"
    "                      one PostgreSQL database. Keep the password off the command line\n"
    "                      (ps shows it): libpq reads it from PGPASSWORD or the password file\n"
    "                      (~/.pgpass or PGPASSFILE), or put the URL in the --config file\n"
    "  --http HOST:PORT    plain HTTP listener (port 0-65535; 0: any free port)\n"
    "  --https HOST:PORT   HTTPS listener; needs --cert and --key\n"
    "  --cert FILE         PEM certificate chain of the HTTPS listener\n"
    "  --key FILE          PEM private key of the HTTPS listener\n"
    "  --api-base PATH     path of the upload API (default /api/v1/)\n"
    "  --packages DIR      folder of the Windows packages for the download page\n"
    "                      (default: packages beside korvid-server)\n"
    "  --threads N         requests handled at once, each with a database session\n"
    "                      (1-256, default 32)\n"
    "  --io-threads N      threads reading and writing every connection (1-16, default 2)\n"
    "  --db-pool N         database sessions kept open (1-256, default: as many as\n"
    "                      --threads); on PostgreSQL each is a connection\n"
    "  --metrics HOST:PORT plain HTTP listener of its own for /metrics (Prometheus' text\n"
    "                      format) and /healthz; without it there is no /metrics\n"
    "  --upload-limit BURST/PER_HOUR|off\n"
    "                      results (uploads and imports) one address may store: BURST at\n"
    "                      once, then PER_HOUR an hour; beyond it 429 with Retry-After\n"
    "                      (default 10/10)\n"
    "  --trusted-proxy ADDR[,ADDR...]|none\n"
    "                      proxies whose X-Forwarded-For names the sender (default\n"
    "                      127.0.0.1,::1)\n"
    "  --count-imported    imported results count in cohort figures and rankings (serve,\n"
    "                      import; results stored from then on)\n"
    "\n"
    "Limits (a request beyond one is refused with the status named, or its connection\n"
    "closed; nothing of it is stored):\n"
    "  --max-body BYTES    largest request body, sent with Content-Length or chunked: 413\n"
    "                      (1024-1073741824, default 1048576); a body with a\n"
    "                      Content-Encoding other than identity: 415\n"
    "  --max-pending-bodies BYTES\n"
    "                      request bodies held at once over every connection, read or\n"
    "                      being read (a chunked one counts as --max-body), never less\n"
    "                      than --max-body: beyond it 503 with Retry-After\n"
    "                      (1024-68719476736, default 268435456)\n"
    "  --max-request-line BYTES\n"
    "                      longest request line: 414 (256-65536, default 8192)\n"
    "  --max-headers N     most header fields: 431 (10-1000, default 100)\n"
    "  --max-head BYTES    largest request head, request line and fields: 431\n"
    "                      (1024-1048576, default 16384)\n"
    "  --max-connections N most connections open at once; more wait in the system's\n"
    "                      accept queue (1-1000000, default 10000)\n"
    "  --head-timeout SECONDS\n"
    "                      a request head must arrive whole within this, from its first\n"
    "                      byte; else the connection is closed (1-300, default 10)\n"
    "  --body-timeout SECONDS\n"
    "                      likewise the whole body (1-3600, default 20)\n"
    "  --idle-timeout SECONDS\n"
    "                      a connection without a request for this long is closed\n"
    "                      (1-3600, default 5)\n"
    "  --handshake-timeout SECONDS\n"
    "                      the whole TLS handshake (1-300, default 10)\n"
    "  --send-timeout SECONDS\n"
    "                      a reply that the client does not take for this long is\n"
    "                      abandoned (1-3600, default 20)\n"
    "  --shutdown-timeout SECONDS\n"
    "                      after SIGTERM or SIGINT, the requests in flight are finished\n"
    "                      for at most this long; then every connection is closed\n"
    "                      (1-300, default 10)\n"
    "  --version           the version of this build (release number, commit time and hash)\n"
    "  -h, --help          this help\n"
    "\n"
    "Without --http or --https the server listens on http://127.0.0.1:8080/. GET /healthz\n"
    "answers 200 on every listener while the database answers, 503 while it does not.\n"
    "It prints one line \"korvid-server ready: ...\" naming every listener once it serves,\n"
    "logs one JSON line per request on standard error, and stops on SIGTERM or SIGINT: it\n"
    "accepts no more connections, closes idle and slow ones and finishes the requests in\n"
    "flight within --shutdown-timeout.\n";

namespace {

Listener parseListener(const std::string& option, const std::string& value, bool tls)
{
    const std::size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
        throw std::runtime_error(option + " needs HOST:PORT, not \"" + value + "\"");
    const std::string port = value.substr(colon + 1);
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(port) > 65535)
        throw std::runtime_error(option + " needs a port from 0 to 65535, not \"" + port + "\"");
    std::string host = value.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return Listener{host, std::stoi(port), tls};
}

struct NumericOption {
    const char* name;
    unsigned long long least;
    unsigned long long most;
    void (*store)(ServerOptions& options, unsigned long long value);
};

// Each range keeps a value the server can use: a limit that refuses nothing a client may
// honestly send at its least, one that still bounds memory and time at its most.
const NumericOption kNumericOptions[] = {
    {"--threads", 1, 256, [](ServerOptions& o, unsigned long long v) { o.threads = v; }},
    {"--io-threads", 1, 16, [](ServerOptions& o, unsigned long long v) { o.ioThreads = v; }},
    {"--db-pool", 1, 256, [](ServerOptions& o, unsigned long long v) { o.dbPool = v; }},
    {"--max-body", 1024, 1ull << 30,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxBodyBytes = v; }},
    {"--max-pending-bodies", 1024, 1ull << 36,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxPendingBodyBytes = v; }},
    {"--max-request-line", 256, 65536,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxRequestLine = v; }},
    {"--max-headers", 10, 1000,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxHeaderCount = v; }},
    {"--max-head", 1024, 1ull << 20,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxHeadBytes = v; }},
    {"--max-connections", 1, 1000000,
     [](ServerOptions& o, unsigned long long v) { o.limits.maxConnections = v; }},
    {"--head-timeout", 1, 300,
     [](ServerOptions& o, unsigned long long v) { o.limits.headTimeoutSeconds = static_cast<int>(v); }},
    {"--body-timeout", 1, 3600,
     [](ServerOptions& o, unsigned long long v) { o.limits.bodyTimeoutSeconds = static_cast<int>(v); }},
    {"--idle-timeout", 1, 3600,
     [](ServerOptions& o, unsigned long long v) { o.limits.idleTimeoutSeconds = static_cast<int>(v); }},
    {"--handshake-timeout", 1, 300,
     [](ServerOptions& o, unsigned long long v) { o.limits.handshakeTimeoutSeconds = static_cast<int>(v); }},
    {"--send-timeout", 1, 3600,
     [](ServerOptions& o, unsigned long long v) { o.limits.sendTimeoutSeconds = static_cast<int>(v); }},
    {"--shutdown-timeout", 1, 300,
     [](ServerOptions& o, unsigned long long v) { o.limits.shutdownTimeoutSeconds = static_cast<int>(v); }},
};

const NumericOption* numericOption(const std::string& name)
{
    for (const NumericOption& option : kNumericOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

void storeNumber(ServerOptions& options, const NumericOption& option, const std::string& value)
{
    const std::string range = " needs a whole number from " + std::to_string(option.least) +
                              " to " + std::to_string(option.most) + ", not \"" + value + "\"";
    if (value.empty() || value.size() > 12 || value.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error(option.name + range);
    const unsigned long long number = std::stoull(value);
    if (number < option.least || number > option.most)
        throw std::runtime_error(option.name + range);
    option.store(options, number);
}

// The arguments with a configuration file's options in front, and where each came from:
// "FILE:LINE: " for the file's, empty for the command line's.
struct Arguments {
    std::vector<std::string> args;
    std::vector<std::string> origins;

    void add(const std::string& arg, const std::string& origin)
    {
        args.push_back(arg);
        origins.push_back(origin);
    }
};

// Options without a value; in a file "name = yes" or "name = no".
const char* const kFlags[] = {"count-imported"};

Arguments withConfigFile(const std::vector<std::string>& commandLine)
{
    static const char* const kCommands[] = {"add-client", "disable-client", "import", "backup", "rescore"};
    std::string command;
    for (const char* name : kCommands)
        if (!commandLine.empty() && commandLine[0] == name)
            command = name;
    std::string file;
    bool listenersGiven = false;
    Arguments rest;
    for (std::size_t i = command.empty() ? 0 : 1; i < commandLine.size(); ++i) {
        if (commandLine[i] == "--config") {
            if (i + 1 >= commandLine.size())
                throw std::runtime_error("--config needs a value");
            if (!file.empty())
                throw std::runtime_error("--config given twice");
            file = commandLine[++i];
            continue;
        }
        listenersGiven = listenersGiven || commandLine[i] == "--http" || commandLine[i] == "--https";
        rest.add(commandLine[i], "");
    }
    Arguments merged;
    if (!command.empty())
        merged.add(command, "");
    if (!file.empty()) {
        for (const ConfigEntry& entry : readConfigFile(file)) {
            const std::string origin = file + ":" + std::to_string(entry.line) + ": ";
            if (entry.name == "config")
                throw std::runtime_error(origin + "a configuration file cannot name another");
            bool flag = false;
            for (const char* name : kFlags)
                flag = flag || entry.name == name;
            if (!command.empty() && entry.name != "database" &&
                !(command == "import" && entry.name == "count-imported"))
                continue;  // serving options, for the server the file configures
            if ((entry.name == "http" || entry.name == "https") && listenersGiven)
                continue;
            if (flag) {
                if (entry.value != "yes" && entry.value != "no")
                    throw std::runtime_error(origin + entry.name + " needs yes or no, not \"" + entry.value + "\"");
                if (entry.value == "yes")
                    merged.add("--" + entry.name, origin);
                continue;
            }
            merged.add("--" + entry.name, origin);
            merged.add(entry.value, origin);
        }
    }
    merged.args.insert(merged.args.end(), rest.args.begin(), rest.args.end());
    merged.origins.insert(merged.origins.end(), rest.origins.begin(), rest.origins.end());
    return merged;
}

} // namespace

ServerOptions parseServerOptions(const std::vector<std::string>& commandLine)
{
    const Arguments merged = withConfigFile(commandLine);
    const std::vector<std::string>& args = merged.args;
    ServerOptions options;
    std::size_t i = 0;
    if (!args.empty()) {
        if (args[0] == "add-client") {
            options.command = ServerOptions::Command::AddClient;
            ++i;
        } else if (args[0] == "disable-client") {
            options.command = ServerOptions::Command::DisableClient;
            ++i;
        } else if (args[0] == "import") {
            options.command = ServerOptions::Command::Import;
            ++i;
        } else if (args[0] == "backup") {
            options.command = ServerOptions::Command::Backup;
            ++i;
        } else if (args[0] == "rescore") {
            options.command = ServerOptions::Command::Rescore;
            ++i;
        }
    }
    // An error in an option from the configuration file names the file and the line.
    for (; i < args.size(); ++i) try {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.command = ServerOptions::Command::Help;
            return options;
        }
        if (arg == "--version") {
            options.command = ServerOptions::Command::Version;
            return options;
        }
        if (arg == "--count-imported" && (options.command == ServerOptions::Command::Serve ||
                                          options.command == ServerOptions::Command::Import)) {
            options.countImported = true;
            continue;
        }
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            static const char* const kKnown[] = {"--database", "--http", "--https", "--cert",
                                                 "--key", "--api-base", "--packages", "--metrics",
                                                 "--upload-limit", "--trusted-proxy"};
            bool known = numericOption(arg) != nullptr;
            for (const char* option : kKnown)
                known = known || arg == option;
            if (!known)
                throw std::runtime_error("unknown option " + arg);
            if (i + 1 >= args.size())
                throw std::runtime_error(arg + " needs a value");
            const std::string& value = args[++i];
            const bool serving = options.command == ServerOptions::Command::Serve;
            if (arg == "--database") {
                options.database = value;
                continue;
            }
            if (!serving)
                throw std::runtime_error("unknown option " + arg + " here");
            if (arg == "--http" || arg == "--https")
                options.listeners.push_back(parseListener(arg, value, arg == "--https"));
            else if (arg == "--metrics")
                options.metricsListener = parseListener(arg, value, false);
            else if (arg == "--cert")
                options.certFile = value;
            else if (arg == "--key")
                options.keyFile = value;
            else if (arg == "--api-base") {
                if (value.size() < 2 || value.front() != '/' || value.back() != '/')
                    throw std::runtime_error("--api-base needs a path that starts and ends with /");
                options.apiBase = value;
            } else if (arg == "--packages")
                options.packagesDir = value;
            else if (arg == "--upload-limit")
                parseUploadLimit(value, options.uploadLimit);
            else if (arg == "--trusted-proxy")
                parseTrustedProxies(value, options.uploadLimit);
            else
                storeNumber(options, *numericOption(arg), value);
            continue;
        }
        if (options.command == ServerOptions::Command::Serve)
            throw std::runtime_error("unknown argument \"" + arg + "\" (see --help)");
        options.arguments.push_back(arg);
    } catch (const std::runtime_error& error) {
        if (merged.origins[i].empty())
            throw;
        throw std::runtime_error(merged.origins[i] + error.what());
    }

    switch (options.command) {
    case ServerOptions::Command::AddClient:
        if (options.arguments.size() != 2 || options.arguments[0].empty() ||
            options.arguments[1].empty())
            throw std::runtime_error("add-client needs NAME and KEY");
        if (options.arguments[0].find(':') != std::string::npos)
            throw std::runtime_error("a client name cannot contain ':'");
        break;
    case ServerOptions::Command::DisableClient:
        if (options.arguments.size() != 1)
            throw std::runtime_error("disable-client needs NAME");
        break;
    case ServerOptions::Command::Import:
        if (options.arguments.empty())
            throw std::runtime_error("import needs at least one FILE");
        break;
    case ServerOptions::Command::Backup:
        if (options.arguments.size() != 1 || options.arguments[0].empty())
            throw std::runtime_error("backup needs one FILE");
        break;
    case ServerOptions::Command::Rescore:
        // A result's ID is a positive 32-bit number.
        if (options.arguments.size() != 1 || options.arguments[0].empty() || options.arguments[0].size() > 10 ||
            options.arguments[0].find_first_not_of("0123456789") != std::string::npos ||
            std::stoull(options.arguments[0]) < 1 || std::stoull(options.arguments[0]) > 2147483647)
            throw std::runtime_error("rescore needs the RESULT_ID of the new reference, from 1 to 2147483647");
        break;
    case ServerOptions::Command::Serve: {
        bool tls = false;
        for (const Listener& listener : options.listeners)
            tls = tls || listener.tls;
        if (tls && (options.certFile.empty() || options.keyFile.empty()))
            throw std::runtime_error("--https needs --cert and --key");
        if (!tls && (!options.certFile.empty() || !options.keyFile.empty()))
            throw std::runtime_error("--cert and --key belong to an --https listener");
        if (options.listeners.empty())
            options.listeners.push_back(Listener{"127.0.0.1", 8080, false});
        break;
    }
    case ServerOptions::Command::Help:
    case ServerOptions::Command::Version:
        break;
    }
    return options;
}
