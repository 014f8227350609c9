#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

// What the service may ask of a connection from any thread; the connection does it on its own
// executor.
class ConnectionControl {
public:
    virtual ~ConnectionControl() = default;
    // Shutting down: a connection without a request in flight closes; one with a request in
    // flight closes after answering it.
    virtual void beginShutdown() = 0;
    virtual void closeNow() = 0;
};

// Every open connection: counted for the connection cap and reached for the shutdown. A
// connection is a member from its construction (Entry) to its destruction.
class ConnectionRegistry {
public:
    class Entry {
    public:
        explicit Entry(ConnectionRegistry& registry) : registry_(registry), id_(registry.add()) {}
        ~Entry() { registry_.remove(id_); }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        void attach(std::weak_ptr<ConnectionControl> connection) { registry_.attach(id_, std::move(connection)); }

    private:
        ConnectionRegistry& registry_;
        std::uint64_t id_;
    };

    std::size_t size() const;
    // Calls f for every connection still alive, outside the registry's lock.
    void forEach(const std::function<void(ConnectionControl&)>& f) const;
    // True once there is no connection, false when the deadline came first.
    bool waitUntilEmpty(std::chrono::steady_clock::time_point deadline) const;

private:
    std::uint64_t add();
    void attach(std::uint64_t id, std::weak_ptr<ConnectionControl> connection);
    void remove(std::uint64_t id);

    mutable std::mutex mutex_;
    mutable std::condition_variable emptied_;
    std::map<std::uint64_t, std::weak_ptr<ConnectionControl>> connections_;
    std::uint64_t nextId_ = 1;
};
