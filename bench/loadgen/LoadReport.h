#pragma once

#include <ostream>
#include <set>
#include <string>

#include "bench/loadgen/LoadOptions.h"
#include "bench/loadgen/LoadRun.h"

// What a run did, for people and for scripts.
class LoadReport {
public:
    LoadReport(const LoadOptions& options, const LoadRunResult& run, std::set<std::string> records);

    uint32_t failures() const;

    // Upload mode: "upload <i>: result <id> <page>" per upload (i counted from 1; the page when
    // a result page base was given). Both modes:
    // "<mode> <i> failed: <message>" per failure on `errors`, then the summary line.
    void writeText(std::ostream& out, std::ostream& errors) const;
    // One JSON object: mode, operations, concurrency, succeeded, ids (by operation, failures
    // left out), failures [{operation, message}], records (identities of the description
    // records sent, sorted), seconds, uploads_per_s or lookups_per_s, median_ms, p90_ms, p99_ms,
    // max_ms.
    // Bytes above 127 in texts are written as the characters of the same number.
    void writeJson(std::ostream& out) const;

private:
    const char* operationName() const;
    double perSecond() const;

    const LoadOptions& options_;
    const LoadRunResult& run_;
    std::set<std::string> records_;
};

// A JSON string literal with its quotes.
std::string jsonString(const std::string& text);
