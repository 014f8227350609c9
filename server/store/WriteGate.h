#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

// The turn to write to a SQLite database among the threads of this process. SQLite lets one
// writer in at a time and makes the others poll for the lock, sleeping up to 100 ms between
// tries, so a request could wait far longer than the transaction it waits for. Here the
// process's writers queue instead, and a request goes before background work: the work enters
// only while no request waits, and looks at requestWaiting() between results to commit early.
// Writers of other processes still meet SQLite's own lock and busy time-out.
class WriteGate {
public:
    // A request's turn: waits for the writer inside to leave, ahead of any background work.
    class Request {
    public:
        explicit Request(WriteGate& gate);
        ~Request();
        Request(const Request&) = delete;
        Request& operator=(const Request&) = delete;

    private:
        WriteGate& gate_;
    };

    // Background work's turn: waits until no writer is inside and no request waits.
    class Background {
    public:
        explicit Background(WriteGate& gate);
        ~Background();
        Background(const Background&) = delete;
        Background& operator=(const Background&) = delete;

    private:
        WriteGate& gate_;
    };

    // Whether a request waits for its turn (background work inside should commit soon).
    bool requestWaiting() const { return waitingRequests_.load(std::memory_order_relaxed) > 0; }

private:
    void leave();

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    std::atomic<int> waitingRequests_{0};
};
