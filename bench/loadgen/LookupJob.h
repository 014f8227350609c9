#pragma once

#include <memory>
#include <vector>

#include "bench/loadgen/LoadJob.h"
#include "bench/loadgen/LoadOptions.h"
#include "bench/loadgen/ResultTreeBuilder.h"

class BCObject;
class BenchmarkClient;

// Lookups of stored description records, the exchange that makes up most of an upload. Before
// the clock starts, the records of every variant are stored (or found); operation i then looks
// up record i modulo their count and must get the ID it was stored with. Each thread keeps one
// client, so its lookups share one connection as within a run of korvid.exe.
class LookupJob : public LoadJob {
public:
    explicit LookupJob(const LoadOptions& options);
    ~LookupJob() override;
    std::vector<std::string> prepare() override;
    std::unique_ptr<LoadWorker> makeWorker() override;

private:
    LoadOptions options_;
    ResultTreeBuilder builder_;
    // The clients own the roots that keep the records' trees together.
    std::vector<std::unique_ptr<BenchmarkClient>> setupClients_;
    std::vector<std::shared_ptr<BCObject>> records_;
};
