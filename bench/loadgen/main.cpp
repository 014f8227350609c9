// korvid-loadgen: many korvid.exe uploads at once, for the server's concurrency test and benchmark.

#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "client/CurlGlobal.h"
#include "results/BCException.h"
#include "bench/loadgen/LoadOptions.h"
#include "bench/loadgen/LoadReport.h"
#include "bench/loadgen/LoadRun.h"
#include "bench/loadgen/LookupJob.h"
#include "bench/loadgen/ProgramCABundle.h"
#include "bench/loadgen/UploadJob.h"

int main(int argc, char** argv)
{
    LoadOptions options;
    try {
        options = parseLoadOptions(argc, argv);
    } catch (const UsageError& error) {
        std::cerr << "korvid-loadgen: " << error.what() << "\n" << loadUsage();
        return 2;
    }
    if (options.help) {
        std::cout << loadUsage();
        return 0;
    }

    CurlGlobal curl;
    try {
        std::unique_ptr<ProgramCABundle> bundle;
        if (!options.caFile.empty())
            bundle = std::make_unique<ProgramCABundle>(options.caFile);
        std::unique_ptr<LoadJob> job;
        if (options.mode == LoadMode::Upload)
            job = std::make_unique<UploadJob>(options);
        else
            job = std::make_unique<LookupJob>(options);

        const std::vector<std::string> prepared = job->prepare();
        const LoadRunResult run = runLoad(*job, options.operations, options.concurrency);

        std::set<std::string> records(prepared.begin(), prepared.end());
        for (const OperationOutcome& outcome : run.outcomes)
            records.insert(outcome.identities.begin(), outcome.identities.end());
        const LoadReport report(options, run, std::move(records));
        if (options.json) {
            report.writeJson(std::cout);
            // The failures still reach a person watching a script's run.
            std::ostringstream ignored;
            report.writeText(ignored, std::cerr);
        } else {
            report.writeText(std::cout, std::cerr);
        }
        return report.failures() == 0 ? 0 : 1;
    } catch (const BCException& error) {
        std::cerr << "korvid-loadgen: " << error.getMessage() << "\n";
    } catch (const std::string& message) {
        std::cerr << "korvid-loadgen: " << message << "\n";
    } catch (const std::exception& error) {
        std::cerr << "korvid-loadgen: " << error.what() << "\n";
    }
    return 1;
}
