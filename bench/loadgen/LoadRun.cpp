#include "bench/loadgen/LoadRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "results/BCException.h"

namespace {

// Holds the worker threads until all of them have arrived and the starter opens it.
class StartGate {
public:
    explicit StartGate(uint32_t expected) : expected_(expected) {}

    void arriveAndWait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++arrived_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    // Returns the time of opening: the start of the run.
    std::chrono::steady_clock::time_point openWhenAllArrived()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return arrived_ == expected_; });
        open_ = true;
        changed_.notify_all();
        return std::chrono::steady_clock::now();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const uint32_t expected_;
    uint32_t arrived_ = 0;
    bool open_ = false;
};

std::string describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const BCException& e) {
        return e.getMessage();
    } catch (const std::string& message) {
        return message;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

}  // namespace

LoadRunResult runLoad(LoadJob& job, uint32_t count, uint32_t concurrency)
{
    LoadRunResult result;
    result.outcomes.resize(count);
    std::atomic<uint32_t> next{0};
    const uint32_t threadCount = std::min(concurrency, count);
    StartGate gate(threadCount);

    auto work = [&] {
        std::unique_ptr<LoadWorker> worker;
        std::string setupFailure;
        try {
            worker = job.makeWorker();
        } catch (...) {
            setupFailure = describe(std::current_exception());
        }
        gate.arriveAndWait();
        for (uint32_t index = next++; index < count; index = next++) {
            OperationOutcome& outcome = result.outcomes[index];
            if (!worker) {
                outcome.failure = setupFailure;
                continue;
            }
            try {
                outcome = worker->perform(index);
            } catch (...) {
                outcome.failure = describe(std::current_exception());
            }
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (uint32_t i = 0; i < threadCount; ++i)
        threads.emplace_back(work);
    const auto start = gate.openWhenAllArrived();
    for (std::thread& thread : threads)
        thread.join();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
