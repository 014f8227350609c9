#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ServerVersion.h"
#include "server/http/ApiHandler.h"
#include "server/http/HttpService.h"
#include "server/http/ServerOptions.h"
#include "server/import/TranscriptImport.h"
#include "server/http/ResultSite.h"
#include "server/store/Database.h"
#include "server/store/DatabaseBackup.h"
#include "server/store/DatabasePing.h"
#include "server/store/SociRecordStore.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SociResultQueries.h"

namespace {

constexpr int kUsageError = 2;

// What the server serves is found beside its executable, whatever the working folder.
std::string besideExecutable(const std::string& name)
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return name;
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/') + 1) + name;
}

std::unique_ptr<Database> openDatabase(const ServerOptions& options, std::size_t poolSize)
{
    try {
        return Database::open(options.database, poolSize);
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return nullptr;
    }
}

// Every connection is a file descriptor: the cap on open connections, not the soft limit of
// descriptors (often 1024), should decide how many are served at once.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int serve(const ServerOptions& options)
{
    // Signals are taken by one thread of their own, so that no serving thread is interrupted.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();

    const std::unique_ptr<Database> database =
        openDatabase(options, options.dbPool > 0 ? options.dbPool : options.threads);
    if (!database)
        return kUsageError;
    SociRecordStore store(*database);
    SociResultQueries queries(*database);
    store.setCountImported(options.countImported);
    queries.setCountImported(options.countImported);
    // A record is stored only if its sender's lookup will fit this server's request line.
    DocumentLimits documentLimits;
    documentLimits.maxRequestLineBytes = options.limits.maxRequestLine;
    documentLimits.apiBasePathBytes = std::max(documentLimits.apiBasePathBytes, options.apiBase.size());
    ApiHandler api(store, options.apiBase, documentLimits);
    ResultSite site(queries, store,
                    options.packagesDir.empty() ? besideExecutable("packages") : options.packagesDir);
    UploadLimit uploadLimit(options.uploadLimit);
    api.limitUploads(uploadLimit);
    site.limitUploads(uploadLimit);
    HttpService service(api, site, options, [&database] { pingDatabase(*database); });
    api.countIn(service.metrics());
    std::vector<std::string> urls;
    try {
        urls = service.bind();
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return kUsageError;
    }

    std::atomic<bool> finished{false};
    std::thread signalThread([&] {
        int received = 0;
        sigwait(&signals, &received);
        // Stops accepting, closes idle and slow connections, finishes the requests in flight:
        // run() returns within the shutdown time-out whatever the clients do.
        service.stop();
    });

    // The figures over all results are rebuilt here rather than in a page view that would
    // wait for them; the check itself is one query.
    queries.setRefreshedInBackground(true);
    std::thread refresher([&] {
        while (!finished) {
            const auto start = std::chrono::steady_clock::now();
            bool succeeded = true;
            bool more = false;
            try {
                more = queries.refreshIfDue();
            } catch (const std::exception& error) {
                succeeded = false;
                std::cerr << "korvid-server: rebuilding the result figures: " << error.what()
                          << std::endl;
            }
            service.metrics().backgroundRun(
                "figures", succeeded,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            for (int i = 0; i < 100 && !finished && !more; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    std::cout << "korvid-server ready:";
    for (const std::string& url : urls)
        std::cout << " " << url;
    std::cout << std::endl;
    try {
        service.run();
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        // Wakes the signal thread, which waits for a signal that did not come.
        pthread_kill(signalThread.native_handle(), SIGTERM);
    }
    finished = true;
    signalThread.join();
    refresher.join();
    std::cout << "korvid-server stopped" << std::endl;
    return 0;
}

int manageClients(const ServerOptions& options)
{
    const std::unique_ptr<Database> database = openDatabase(options, 1);
    if (!database)
        return kUsageError;
    SociRecordStore store(*database);
    const std::string& name = options.arguments[0];
    if (options.command == ServerOptions::Command::AddClient) {
        store.addClient(name, options.arguments[1]);
        std::cout << "client " << name << " may upload" << std::endl;
        return 0;
    }
    if (!store.disableClient(name)) {
        std::cerr << "korvid-server: no client named " << name << std::endl;
        return 1;
    }
    std::cout << "client " << name << " is refused from now on" << std::endl;
    return 0;
}

int backup(const ServerOptions& options)
{
    try {
        const BackupSummary summary = backupDatabase(options.database, options.arguments[0]);
        std::cout << "backup of " << options.database << " written to " << options.arguments[0]
                  << ": " << summary.results << " results, schema version " << summary.schemaVersion
                  << ", " << summary.bytes << " bytes" << std::endl;
        return 0;
    } catch (const BackupRefused& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return kUsageError;
    }
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions options;
    try {
        options = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << " (see korvid-server --help)" << std::endl;
        return kUsageError;
    }
    try {
        switch (options.command) {
        case ServerOptions::Command::Help:
            std::cout << kServerHelp;
            return 0;
        case ServerOptions::Command::Version:
            std::cout << "korvid-server " KORVID_SERVER_VERSION << std::endl;
            return 0;
        case ServerOptions::Command::AddClient:
        case ServerOptions::Command::DisableClient:
            return manageClients(options);
        case ServerOptions::Command::Import: {
            const std::unique_ptr<Database> database = openDatabase(options, 1);
            if (!database)
                return kUsageError;
            SociRecordStore store(*database);
            store.setCountImported(options.countImported);
            return runImport(options.arguments, store, std::cout, std::cerr);
        }
        case ServerOptions::Command::Rescore: {
            const std::unique_ptr<Database> database = openDatabase(options, 1);
            if (!database)
                return kUsageError;
            const int32_t reference = std::stoi(options.arguments[0]);
            const int version = database->inTransaction(
                [&](soci::session& session) { return scoreVersions::start(session, reference); });
            std::cout << "score version " << version << " rates against result " << reference
                      << "; a serving korvid-server scores every result again in the background and "
                         "shows the new version when it is done"
                      << std::endl;
            return 0;
        }
        case ServerOptions::Command::Backup:
            return backup(options);
        case ServerOptions::Command::Serve:
            return serve(options);
        }
    } catch (const DatabaseUnavailable& error) {
        std::cerr << "korvid-server: the database is busy or cannot be reached (" << error.what()
                  << "); nothing was changed, try again" << std::endl;
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
