#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What became of one operation (one upload, or one lookup).
struct OperationOutcome {
    bool succeeded = false;
    int32_t id = -1;            // the result's ID, or the ID the lookup found
    double milliseconds = 0.0;  // the exchange alone, not the building of the records
    std::string detail;         // the result page address
    std::string failure;
    std::vector<std::string> identities;  // description records the operation sent
};

// Performs operations one after another, in the thread that made it.
class LoadWorker {
public:
    virtual ~LoadWorker() = default;
    virtual OperationOutcome perform(uint32_t index) = 0;
};

// A kind of load: what must exist before the clock starts, and how each thread works.
class LoadJob {
public:
    virtual ~LoadJob() = default;
    // Untimed; returns the identities of the description records it stored. Throws
    // BCException or std::string when the server cannot be used.
    virtual std::vector<std::string> prepare() { return {}; }
    // Called in the worker's own thread.
    virtual std::unique_ptr<LoadWorker> makeWorker() = 0;
};
