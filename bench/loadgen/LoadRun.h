#pragma once

#include <cstdint>
#include <vector>

#include "bench/loadgen/LoadJob.h"

struct LoadRunResult {
    std::vector<OperationOutcome> outcomes;  // by operation index
    double seconds = 0.0;                    // from the common start to the last operation's end
};

// Runs the operations 0..count-1 on `concurrency` threads, each with a worker of its own. The
// threads make their workers first and then start together, so that the first operations of
// all of them really are at the same time.
LoadRunResult runLoad(LoadJob& job, uint32_t count, uint32_t concurrency);
