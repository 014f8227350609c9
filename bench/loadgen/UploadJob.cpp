#include "bench/loadgen/UploadJob.h"

#include <chrono>

#include "client/BenchmarkClient.h"
#include "bench/loadgen/DescriptionRecords.h"
#include "bench/loadgen/KorvidClient.h"

namespace {

class UploadWorker : public LoadWorker {
public:
    UploadWorker(const LoadOptions& options, const ResultTreeBuilder& builder) : options_(options), builder_(builder) {}

    OperationOutcome perform(uint32_t index) override
    {
        OperationOutcome outcome;
        // The root keeps its fields and the records keep their IDs: a used client cannot send a
        // second result as a new run would.
        std::unique_ptr<BenchmarkClient> client = makeKorvidClient(options_);
        std::seed_seq seed{static_cast<uint32_t>(options_.seed), static_cast<uint32_t>(options_.seed >> 32), index};
        std::mt19937_64 random(seed);
        builder_.build(*client, MachineVariant::draw(random, options_.variety), random);
        for (const std::shared_ptr<BCObject>& record : descriptionRecords(*client->getRootObject()))
            outcome.identities.push_back(recordIdentity(*record));

        std::string text;
        const auto start = std::chrono::steady_clock::now();
        const bool submitted = client->submitResult(text, nullptr, 0);
        outcome.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!submitted) {
            outcome.failure = text;
            return outcome;
        }
        outcome.succeeded = true;
        outcome.id = client->getRootObject()->getID();
        outcome.detail = text;
        return outcome;
    }

private:
    const LoadOptions& options_;
    const ResultTreeBuilder& builder_;
};

}  // namespace

UploadJob::UploadJob(const LoadOptions& options) : options_(options) {}

std::unique_ptr<LoadWorker> UploadJob::makeWorker()
{
    return std::make_unique<UploadWorker>(options_, builder_);
}
