#pragma once

#include "bench/loadgen/LoadJob.h"
#include "bench/loadgen/LoadOptions.h"
#include "bench/loadgen/ResultTreeBuilder.h"

// One upload of a full result tree per operation, each through a client of its own as one run
// of korvid.exe: its own connection, every description record looked up and stored if missing,
// the result root last. Operation i draws its machine and measurements from (seed, i) alone, so
// a run does the same whatever the threads' order.
class UploadJob : public LoadJob {
public:
    explicit UploadJob(const LoadOptions& options);
    std::unique_ptr<LoadWorker> makeWorker() override;

private:
    LoadOptions options_;
    ResultTreeBuilder builder_;
};
