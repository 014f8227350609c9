#include "bench/loadgen/LoadReport.h"

#include <cstdio>
#include <iomanip>
#include <sstream>
#include <vector>

#include "bench/loadgen/LatencySummary.h"

namespace {

std::string trimmed(const std::string& text)
{
    // The client's messages may end in a line feed of their own.
    const std::string::size_type end = text.find_last_not_of(" \r\n\t");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string fixed(double value, int decimals)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

}  // namespace

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte > 0x7e) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

LoadReport::LoadReport(const LoadOptions& options, const LoadRunResult& run, std::set<std::string> records)
    : options_(options), run_(run), records_(std::move(records))
{
}

uint32_t LoadReport::failures() const
{
    uint32_t count = 0;
    for (const OperationOutcome& outcome : run_.outcomes)
        count += outcome.succeeded ? 0 : 1;
    return count;
}

const char* LoadReport::operationName() const
{
    return options_.mode == LoadMode::Upload ? "upload" : "lookup";
}

double LoadReport::perSecond() const
{
    const double succeeded = static_cast<double>(run_.outcomes.size() - failures());
    return run_.seconds > 0.0 ? succeeded / run_.seconds : 0.0;
}

void LoadReport::writeText(std::ostream& out, std::ostream& errors) const
{
    std::vector<double> latencies;
    for (std::size_t i = 0; i < run_.outcomes.size(); ++i) {
        const OperationOutcome& outcome = run_.outcomes[i];
        if (!outcome.succeeded) {
            errors << operationName() << " " << i + 1 << " failed: " << trimmed(outcome.failure) << "\n";
            continue;
        }
        latencies.push_back(outcome.milliseconds);
        if (options_.mode != LoadMode::Upload)
            continue;
        out << "upload " << i + 1 << ": result " << outcome.id;
        // Without a result page base the client's page address is the bare ID.
        if (!options_.resultPageURL.empty())
            out << " " << outcome.detail;
        out << "\n";
    }
    const LatencySummary latency = LatencySummary::of(latencies);
    out << run_.outcomes.size() << " " << operationName() << "s through " << options_.concurrency << " clients: "
        << latencies.size() << " succeeded, " << failures() << " failed in " << fixed(run_.seconds, 3) << " s, "
        << fixed(perSecond(), 1) << " " << operationName() << "s/s; latency median " << fixed(latency.median, 2)
        << " ms, p90 " << fixed(latency.p90, 2) << " ms, max " << fixed(latency.maximum, 2) << " ms\n";
    out.flush();
    errors.flush();
}

void LoadReport::writeJson(std::ostream& out) const
{
    std::vector<double> latencies;
    std::string ids;
    std::string failureList;
    for (std::size_t i = 0; i < run_.outcomes.size(); ++i) {
        const OperationOutcome& outcome = run_.outcomes[i];
        if (outcome.succeeded) {
            latencies.push_back(outcome.milliseconds);
            ids += (ids.empty() ? "" : ", ") + std::to_string(outcome.id);
        } else {
            failureList += std::string(failureList.empty() ? "" : ", ") + "{\"operation\": " + std::to_string(i + 1) +
                           ", \"message\": " + jsonString(trimmed(outcome.failure)) + "}";
        }
    }
    std::string records;
    for (const std::string& identity : records_)
        records += (records.empty() ? "" : ",\n  ") + jsonString(identity);
    const LatencySummary latency = LatencySummary::of(latencies);
    out << "{\n"
        << " \"mode\": \"" << operationName() << "\",\n"
        << " \"operations\": " << run_.outcomes.size() << ",\n"
        << " \"concurrency\": " << options_.concurrency << ",\n"
        << " \"succeeded\": " << latencies.size() << ",\n"
        << " \"ids\": [" << ids << "],\n"
        << " \"failures\": [" << failureList << "],\n"
        << " \"records\": [" << (records.empty() ? "" : "\n  " + records + "\n ") << "],\n"
        << " \"seconds\": " << fixed(run_.seconds, 4) << ",\n"
        << " \"" << operationName() << "s_per_s\": " << fixed(perSecond(), 2) << ",\n"
        << " \"median_ms\": " << fixed(latency.median, 3) << ",\n"
        << " \"p90_ms\": " << fixed(latency.p90, 3) << ",\n"
        << " \"p99_ms\": " << fixed(latency.p99, 3) << ",\n"
        << " \"max_ms\": " << fixed(latency.maximum, 3) << "\n"
        << "}\n";
    out.flush();
}
