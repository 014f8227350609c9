#include "server/http/ConnectionRegistry.h"

#include <vector>

std::size_t ConnectionRegistry::size() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_.size();
}

void ConnectionRegistry::forEach(const std::function<void(ConnectionControl&)>& f) const
{
    std::vector<std::shared_ptr<ConnectionControl>> alive;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : connections_)
            if (auto connection = entry.second.lock())
                alive.push_back(std::move(connection));
    }
    for (const auto& connection : alive)
        f(*connection);
}

bool ConnectionRegistry::waitUntilEmpty(std::chrono::steady_clock::time_point deadline) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return emptied_.wait_until(lock, deadline, [this] { return connections_.empty(); });
}

std::uint64_t ConnectionRegistry::add()
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t id = nextId_++;
    connections_.emplace(id, std::weak_ptr<ConnectionControl>());
    return id;
}

void ConnectionRegistry::attach(std::uint64_t id, std::weak_ptr<ConnectionControl> connection)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = connections_.find(id);
    if (entry != connections_.end())
        entry->second = std::move(connection);
}

void ConnectionRegistry::remove(std::uint64_t id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.erase(id);
    if (connections_.empty())
        emptied_.notify_all();
}
