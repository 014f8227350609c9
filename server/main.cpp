#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "server/http/ApiHandler.h"
#include "server/http/BasicSite.h"
#include "server/http/HttpService.h"
#include "server/http/ServerOptions.h"
#include "server/store/Database.h"
#include "server/store/SociRecordStore.h"

namespace {

constexpr int kUsageError = 2;

int serve(const ServerOptions& options)
{
    // Signals are taken by one thread of their own, so that no serving thread is interrupted.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<Database> database;
    try {
        database = Database::open(options.database, options.threads);
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return kUsageError;
    }
    SociRecordStore store(*database);
    ApiHandler api(store, options.apiBase);
    BasicSite site(*database);
    HttpService service(api, site, options);
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
        // A stop that comes before a listener has started its loop is lost, so repeat it.
        while (!finished) {
            service.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    std::cout << "korvid-server ready:";
    for (const std::string& url : urls)
        std::cout << " " << url;
    std::cout << std::endl;
    service.run();
    finished = true;
    // Wakes the signal thread when the listeners ended for another reason.
    pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    std::cout << "korvid-server stopped" << std::endl;
    return 0;
}

int manageClients(const ServerOptions& options)
{
    std::unique_ptr<Database> database;
    try {
        database = Database::open(options.database, 1);
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return kUsageError;
    }
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
        case ServerOptions::Command::AddClient:
        case ServerOptions::Command::DisableClient:
            return manageClients(options);
        case ServerOptions::Command::Import:
            std::cerr << "korvid-server: import is not available in this build" << std::endl;
            return kUsageError;
        case ServerOptions::Command::Serve:
            return serve(options);
        }
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
