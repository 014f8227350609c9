#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads that run request handlers, which may wait on the database for seconds; the
// connections' own threads never do. Tasks run in the order posted.
class WorkerPool {
public:
    explicit WorkerPool(std::size_t threads);
    ~WorkerPool();  // stop()
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // False (and the task dropped) once stopped.
    bool post(std::function<void()> task);
    // Drops the tasks not yet started and waits for the running ones.
    void stop();

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
