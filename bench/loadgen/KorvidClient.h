#pragma once

#include <memory>

#include "client/BenchmarkClient.h"
#include "bench/loadgen/LoadOptions.h"

// A client set up as korvid.exe sets up its own: the result root type, the login, the user agent.
std::unique_ptr<BenchmarkClient> makeKorvidClient(const LoadOptions& options);
