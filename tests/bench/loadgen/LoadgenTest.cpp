// The load generator's own parts: the result tree it sends, the command line, the run of many
// workers, the latency figures and the report that scripts read.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>

#include "client/BenchmarkClient.h"
#include "client/ProgramPath.h"
#include "results/BCObject.h"
#include "bench/loadgen/DescriptionRecords.h"
#include "bench/loadgen/LatencySummary.h"
#include "bench/loadgen/LoadOptions.h"
#include "bench/loadgen/LoadReport.h"
#include "bench/loadgen/LoadRun.h"
#include "bench/loadgen/ProgramCABundle.h"
#include "bench/loadgen/ResultTreeBuilder.h"

namespace {

std::unique_ptr<BenchmarkClient> offlineClient()
{
    return std::make_unique<BenchmarkClient>("KorvidResult", "http://127.0.0.1:9/api/v1/", "Korvid_Windows_2.9", "key",
                                             "http://127.0.0.1:9/Benchmark/Korvid/Result/", "Korvid/2.9 (Windows)");
}

std::vector<std::string> fieldNames(const BCObject& record)
{
    std::vector<std::string> names;
    for (int i = 0; i < record.getNumFields(); ++i)
        names.push_back(record.getField(i)->getName());
    return names;
}

std::vector<std::string> identitiesOf(const BCObject& root)
{
    std::vector<std::string> identities;
    for (const auto& record : descriptionRecords(root))
        identities.push_back(recordIdentity(*record));
    return identities;
}

TEST(LoadgenTree, AFullRunOfEveryGroupAndItsMachineDescription)
{
    auto client = offlineClient();
    std::mt19937_64 random(7);
    ResultTreeBuilder().build(*client, MachineVariant::all(0), random);
    const BCObject& root = *client->getRootObject();

    // Every rate of every group at every square up to 1024, the two transfers and the random
    // test: what the server derives its measurements from.
    const std::regex measurement("(WritePixelArray|ReadPixelArray)_MiB_s|Random_(Ops|MP)_s|"
                                 "(FillRect|BlitRect|OverlappedBlitRect|Composite|CompositeSrcMask)_"
                                 "(16|32|64|128|256|512|1024)x\\4_(Ops|MP)_s");
    std::vector<std::string> other;
    std::set<std::string> measurements;
    for (int i = 0; i < root.getNumFields(); ++i) {
        const auto field = root.getField(i);
        EXPECT_TRUE(field->isSearchKey()) << field->getName();
        if (std::regex_match(field->getName(), measurement)) {
            EXPECT_TRUE(measurements.insert(field->getName()).second) << field->getName();
            EXPECT_TRUE(std::regex_match(field->getValue(), std::regex("[0-9]+(\\.[0-9]+)?(e[+-][0-9]+)?")))
                << field->getName() << "=" << field->getValue();
        } else {
            other.push_back(field->getName());
        }
    }
    EXPECT_EQ(measurements.size(), 74u);
    EXPECT_EQ(other, (std::vector<std::string>{"ProcessorVersion", "ProcessorClockSpeed", "FSBClockSpeed",
                                               "L1CacheSize", "L2CacheSize", "L3CacheSize", "RAMSize", "VRAMSize",
                                               "DisplayWidth", "DisplayHeight", "RefreshRate", "BitsPerPixel",
                                               "CompositePremultAlpha", "CompositeSrcMaskCombineAlphas",
                                               "CompositeSrcMaskPremultAlpha"}));

    // Variant 0: a board with its manufacturer, a card identified by its PCI IDs (its name not a
    // key), Direct2D's libraries; every record after the records it refers to.
    EXPECT_EQ(identitiesOf(root),
              (std::vector<std::string>{
                  "BenchmarkOperatingSystem?Name=Windows&",
                  "BenchmarkOperatingSystemVersion?OSVersion=10 Pro (build 19041)&"
                  "OperatingSystem=[BenchmarkOperatingSystem?Name=Windows&]&",
                  "BenchmarkCPU?Name=Intel(R) Core(TM) i5-8400 CPU @ 2.80GHz&",
                  "BenchmarkMotherboard?Name=PRIME Z370-P rev 0&Manufacturer=ASUSTeK COMPUTER INC.&",
                  "BenchmarkGraphicsCard?ProductID=0x1b80&VendorID=0x10de&SubProductID=0x8591&SubVendorID=0x1043&",
                  "BenchmarkLibrary?Name=kernel32.dll&",
                  "BenchmarkLibraryVersion?LibraryVersion=10.0.19041.1000&Library=[BenchmarkLibrary?Name=kernel32.dll&]&",
                  "BenchmarkLibrary?Name=gdi32.dll&",
                  "BenchmarkLibraryVersion?LibraryVersion=10.0.19041.1000&Library=[BenchmarkLibrary?Name=gdi32.dll&]&",
                  "BenchmarkLibrary?Name=d2d1.dll&",
                  "BenchmarkLibraryVersion?LibraryVersion=10.0.19041.1000&Library=[BenchmarkLibrary?Name=d2d1.dll&]&",
                  "BenchmarkLibrary?Name=d3d10.dll&",
                  "BenchmarkLibraryVersion?LibraryVersion=10.0.19041.1000&Library=[BenchmarkLibrary?Name=d3d10.dll&]&",
                  "BenchmarkLibrary?Name=nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll&",
                  "BenchmarkLibraryVersion?LibraryVersion=31.0.15.3000&"
                  "Library=[BenchmarkLibrary?Name=nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll&]&",
              }));
}

TEST(LoadgenTree, VariantsDifferInEachRecordAndTheOddOnesLackWhatTheyLack)
{
    // Variant 3: the board of variant 2's name without a manufacturer, a card without IDs (its
    // name the key), the registered sign as one 8-bit byte, and no Direct2D (nor its flags).
    auto client = offlineClient();
    std::mt19937_64 random(7);
    ResultTreeBuilder().build(*client, MachineVariant::all(3), random);
    const std::vector<std::string> identities = identitiesOf(*client->getRootObject());
    EXPECT_EQ(identities.size(), 11u);
    const std::set<std::string> set(identities.begin(), identities.end());
    EXPECT_TRUE(set.count("BenchmarkMotherboard?Name=PRIME Z370-P rev 1&"));
    EXPECT_TRUE(set.count("BenchmarkCPU?Name=Genuine Intel\xae CPU 4003 @ 3.10GHz&"));
    EXPECT_TRUE(set.count("BenchmarkGraphicsCard?Name=Basic Display Adapter 3&ProductID=0x0&VendorID=0x0&"
                          "SubProductID=0x0&SubVendorID=0x0&"));
    const std::vector<std::string> names = fieldNames(*client->getRootObject());
    EXPECT_EQ(std::count(names.begin(), names.end(), "CompositeSrcMaskCombineAlphas"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "CompositePremultAlpha"), 1);

    // Four variants: four records of each type that varies, two shared (the system's name and
    // each library's name) - and a draw depends on its seed alone.
    std::map<std::string, std::set<std::string>> byType;
    for (uint32_t variant = 0; variant < 4; ++variant) {
        auto each = offlineClient();
        ResultTreeBuilder().build(*each, MachineVariant::all(variant), random);
        for (const std::string& identity : identitiesOf(*each->getRootObject()))
            byType[identity.substr(0, identity.find('?'))].insert(identity);
    }
    EXPECT_EQ(byType["BenchmarkOperatingSystem"].size(), 1u);
    EXPECT_EQ(byType["BenchmarkOperatingSystemVersion"].size(), 4u);
    EXPECT_EQ(byType["BenchmarkCPU"].size(), 4u);
    EXPECT_EQ(byType["BenchmarkMotherboard"].size(), 4u);
    EXPECT_EQ(byType["BenchmarkGraphicsCard"].size(), 4u);
    EXPECT_EQ(byType["BenchmarkLibrary"].size(), 5u);
    EXPECT_EQ(byType["BenchmarkLibraryVersion"].size(), 4u * 2 + 2 * 2 + 4);
    std::mt19937_64 first(99), second(99);
    const MachineVariant a = MachineVariant::draw(first, 1000), b = MachineVariant::draw(second, 1000);
    EXPECT_EQ(std::vector<uint32_t>({a.operatingSystem, a.processor, a.motherboard, a.graphicsCard, a.driver, a.libraries}),
              std::vector<uint32_t>({b.operatingSystem, b.processor, b.motherboard, b.graphicsCard, b.driver, b.libraries}));
}

TEST(LoadgenOptions, RequiredValuesRangesAndTheirMessages)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> bad = {
        {{}, "--api, --client, --key and --uploads are required"},
        {{"--api", "http://h/api/v1", "--client", "c", "--key", "k"}, "--api, --client, --key and --uploads are required"},
        {{"--uploads", "0"}, "--uploads takes a number from 1 to 10000000, not '0'"},
        {{"--uploads", "-5"}, "--uploads takes a number from 1 to 10000000, not '-5'"},
        {{"--concurrency", "1001"}, "--concurrency takes a number from 1 to 1000, not '1001'"},
        {{"--seed", "99999999999999999999"}, "--seed takes a number from 0 to 18446744073709551615, not '99999999999999999999'"},
        {{"--variety", "2x"}, "--variety takes a number from 1 to 1000000, not '2x'"},
        {{"--mode", "delete"}, "--mode is upload or lookup, not 'delete'"},
        {{"--bogus", "1"}, "unknown option '--bogus'"},
        {{"--uploads"}, "--uploads needs a value"},
        {{"stray"}, "unknown argument 'stray'"},
    };
    for (const auto& c : bad) {
        std::vector<const char*> argv = {"korvid-loadgen"};
        argv.insert(argv.end(), c.first.begin(), c.first.end());
        try {
            parseLoadOptions(static_cast<int>(argv.size()), argv.data());
            ADD_FAILURE() << "accepted: " << c.second;
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), c.second);
        }
    }

    const char* good[] = {"korvid-loadgen", "--api", "http://127.0.0.1:5/api/v1", "--client", "c", "--key", "k",
                          "--uploads", "50", "--concurrency", "8", "--mode", "lookup", "--variety", "3",
                          "--seed", "18446744073709551615", "--json"};
    const LoadOptions options = parseLoadOptions(18, good);
    EXPECT_EQ(options.apiURL, "http://127.0.0.1:5/api/v1/");
    EXPECT_EQ(options.operations, 50u);
    EXPECT_EQ(options.concurrency, 8u);
    EXPECT_EQ(options.mode, LoadMode::Lookup);
    EXPECT_EQ(options.variety, 3u);
    EXPECT_EQ(options.seed, 18446744073709551615ULL);
    EXPECT_TRUE(options.json);
}

TEST(LoadgenLatency, InterpolatedPercentiles)
{
    const struct {
        std::vector<double> values;
        double median, p90, p99, maximum;
    } cases[] = {
        {{}, 0, 0, 0, 0},
        {{5}, 5, 5, 5, 5},
        {{4, 1, 3, 2}, 2.5, 3.7, 3.97, 4},
        {{10, 1, 9, 2, 8, 3, 7, 4, 6, 5}, 5.5, 9.1, 9.91, 10},
        {{1, 1, 1, 100}, 1, 70.3, 97.03, 100},
    };
    for (const auto& c : cases) {
        const LatencySummary summary = LatencySummary::of(c.values);
        EXPECT_DOUBLE_EQ(summary.median, c.median);
        EXPECT_NEAR(summary.p90, c.p90, 1e-9);
        EXPECT_NEAR(summary.p99, c.p99, 1e-9);
        EXPECT_DOUBLE_EQ(summary.maximum, c.maximum);
    }
}

// Records which operations ran where; a worker of a chosen number cannot be made, and
// operation 5 throws.
class RecordingJob : public LoadJob {
public:
    std::atomic<int> workersMade{0};
    std::atomic<int> workersSeenByFirstOperation{-1};
    int failingWorker = -1;
    std::mutex mutex;
    std::multiset<uint32_t> performed;

    class Worker : public LoadWorker {
    public:
        explicit Worker(RecordingJob& job) : job_(job) {}
        OperationOutcome perform(uint32_t index) override
        {
            int expected = -1;
            job_.workersSeenByFirstOperation.compare_exchange_strong(expected, job_.workersMade.load());
            {
                std::lock_guard<std::mutex> lock(job_.mutex);
                job_.performed.insert(index);
            }
            if (index == 5)
                throw std::string("server said no");
            OperationOutcome outcome;
            outcome.succeeded = true;
            outcome.id = static_cast<int32_t>(index) + 100;
            return outcome;
        }

    private:
        RecordingJob& job_;
    };

    std::unique_ptr<LoadWorker> makeWorker() override
    {
        if (workersMade++ == failingWorker)
            throw std::runtime_error("no handle");
        return std::make_unique<Worker>(*this);
    }
};

TEST(LoadgenRun, EveryOperationOnceAllWorkersReadyBeforeTheFirstAndFailuresKept)
{
    RecordingJob job;
    const LoadRunResult run = runLoad(job, 40, 6);
    EXPECT_EQ(job.workersMade.load(), 6);
    EXPECT_EQ(job.workersSeenByFirstOperation.load(), 6);
    ASSERT_EQ(run.outcomes.size(), 40u);
    EXPECT_EQ(job.performed.size(), 40u);
    for (uint32_t i = 0; i < 40; ++i) {
        EXPECT_EQ(job.performed.count(i), 1u) << i;
        EXPECT_EQ(run.outcomes[i].succeeded, i != 5) << i;
        EXPECT_EQ(run.outcomes[i].id, i == 5 ? -1 : static_cast<int32_t>(i) + 100);
    }
    EXPECT_EQ(run.outcomes[5].failure, "server said no");

    // More threads than operations: only as many workers as operations; a worker that cannot
    // be made fails the operations its thread takes, the others still run.
    RecordingJob broken;
    broken.failingWorker = 0;
    const LoadRunResult partly = runLoad(broken, 3, 50);
    EXPECT_EQ(broken.workersMade.load(), 3);
    int failed = 0;
    for (const OperationOutcome& outcome : partly.outcomes)
        if (!outcome.succeeded) {
            ++failed;
            EXPECT_EQ(outcome.failure, "no handle");
        }
    EXPECT_EQ(failed + static_cast<int>(broken.performed.size()), 3);
}

TEST(LoadgenReport, TextAndJsonOfARunWithAFailure)
{
    LoadOptions options;
    options.concurrency = 2;
    options.resultPageURL = "http://h/Result/";
    LoadRunResult run;
    run.seconds = 0.5;
    run.outcomes.resize(3);
    run.outcomes[0] = {true, 17, 30.0, "http://h/Result/17", "", {}};
    run.outcomes[1] = {false, -1, 0.0, "", "BenchmarkClient::submitObject failed. Server returned response code: 400\n", {}};
    run.outcomes[2] = {true, 18, 10.0, "http://h/Result/18", "", {}};
    const LoadReport report(options, run, {"BenchmarkCPU?Name=Genuine Intel\xae \"x\"&", "BenchmarkCPU?Name=A&"});
    EXPECT_EQ(report.failures(), 1u);

    std::ostringstream out, errors;
    report.writeText(out, errors);
    EXPECT_EQ(out.str(),
              "upload 1: result 17 http://h/Result/17\n"
              "upload 3: result 18 http://h/Result/18\n"
              "3 uploads through 2 clients: 2 succeeded, 1 failed in 0.500 s, 4.0 uploads/s; "
              "latency median 20.00 ms, p90 28.00 ms, max 30.00 ms\n");
    EXPECT_EQ(errors.str(), "upload 2 failed: BenchmarkClient::submitObject failed. Server returned response code: 400\n");

    std::ostringstream json;
    report.writeJson(json);
    EXPECT_EQ(json.str(),
              "{\n"
              " \"mode\": \"upload\",\n"
              " \"operations\": 3,\n"
              " \"concurrency\": 2,\n"
              " \"succeeded\": 2,\n"
              " \"ids\": [17, 18],\n"
              " \"failures\": [{\"operation\": 2, \"message\": \"BenchmarkClient::submitObject failed. Server "
              "returned response code: 400\"}],\n"
              " \"records\": [\n"
              "  \"BenchmarkCPU?Name=A&\",\n"
              "  \"BenchmarkCPU?Name=Genuine Intel\\u00ae \\\"x\\\"&\"\n"
              " ],\n"
              " \"seconds\": 0.5000,\n"
              " \"uploads_per_s\": 4.00,\n"
              " \"median_ms\": 20.000,\n"
              " \"p90_ms\": 28.000,\n"
              " \"p99_ms\": 29.800,\n"
              " \"max_ms\": 30.000\n"
              "}\n");
}

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

TEST(LoadgenCABundle, GivenBundleLiesBesideTheProgramForTheRunOnly)
{
    const std::string beside = caBundlePathFor(programFilePath(), programPathSeparator());
    const std::string given = ::testing::TempDir() + "loadgen-given-ca.pem";
    const std::string saved = contentsOf(beside);
    writeFile(given, "GIVEN");

    std::remove(beside.c_str());
    {
        ProgramCABundle bundle(given);
        EXPECT_EQ(contentsOf(beside), "GIVEN");
    }
    EXPECT_EQ(contentsOf(beside), "<none>");

    // Another bundle is put back as it was; the same bundle stays.
    writeFile(beside, "OTHER");
    {
        ProgramCABundle bundle(given);
        EXPECT_EQ(contentsOf(beside), "GIVEN");
    }
    EXPECT_EQ(contentsOf(beside), "OTHER");
    writeFile(beside, "GIVEN");
    {
        ProgramCABundle bundle(given);
    }
    EXPECT_EQ(contentsOf(beside), "GIVEN");

    EXPECT_THROW(ProgramCABundle(given + ".missing"), std::runtime_error);
    std::remove(given.c_str());
    if (saved == "<none>")
        std::remove(beside.c_str());
    else
        writeFile(beside, saved);
}

}  // namespace
