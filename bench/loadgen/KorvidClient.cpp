#include "bench/loadgen/KorvidClient.h"

#include "BuildConfig.h"

std::unique_ptr<BenchmarkClient> makeKorvidClient(const LoadOptions& options)
{
    return std::make_unique<BenchmarkClient>("KorvidResult", options.apiURL, options.clientName, options.clientKey,
                                             options.resultPageURL, "Korvid/" KORVID_VERSION " (Windows)");
}
