#pragma once

#include <random>

#include "bench/loadgen/MachineVariant.h"

class BenchmarkClient;

// Fills a client's result tree through the same recorders a full korvid.exe run goes through
// (machine description, graphics card, the benchmark runner over every test group), with the
// machine taken from the variants and the measurements made up from `random`.
class ResultTreeBuilder {
public:
    // Throws std::string when the runner reports a failed test (which a full run would not upload).
    void build(BenchmarkClient& client, const MachineVariant& machine, std::mt19937_64& random) const;
};
