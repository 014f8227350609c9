#include "bench/loadgen/LookupJob.h"

#include <chrono>
#include <set>

#include "client/BenchmarkClient.h"
#include "bench/loadgen/DescriptionRecords.h"
#include "bench/loadgen/KorvidClient.h"

namespace {

class LookupWorker : public LoadWorker {
public:
    LookupWorker(std::unique_ptr<BenchmarkClient> client, const std::vector<std::shared_ptr<BCObject>>& records)
        : client_(std::move(client)), records_(records)
    {
    }

    OperationOutcome perform(uint32_t index) override
    {
        OperationOutcome outcome;
        // Shared with the other threads, and only read here: the query is made from the
        // record's fields and its references' IDs.
        const std::shared_ptr<BCObject>& record = records_[index % records_.size()];
        const auto start = std::chrono::steady_clock::now();
        const int32_t id = client_->getObjectID(record);
        outcome.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        outcome.id = id;
        if (id != record->getID()) {
            outcome.failure = "lookup of " + recordIdentity(*record) + " found " + std::to_string(id) +
                              ", stored as " + std::to_string(record->getID());
            return outcome;
        }
        outcome.succeeded = true;
        return outcome;
    }

private:
    std::unique_ptr<BenchmarkClient> client_;
    const std::vector<std::shared_ptr<BCObject>>& records_;
};

}  // namespace

LookupJob::LookupJob(const LoadOptions& options) : options_(options) {}

LookupJob::~LookupJob() = default;

std::vector<std::string> LookupJob::prepare()
{
    std::set<std::string> seen;
    std::vector<std::string> identities;
    std::mt19937_64 random(options_.seed);
    for (uint32_t variant = 0; variant < options_.variety; ++variant) {
        setupClients_.push_back(makeKorvidClient(options_));
        BenchmarkClient& client = *setupClients_.back();
        builder_.build(client, MachineVariant::all(variant), random);
        for (const std::shared_ptr<BCObject>& record : descriptionRecords(*client.getRootObject())) {
            client.prepareObject(record);
            std::string identity = recordIdentity(*record);
            if (seen.insert(identity).second) {
                records_.push_back(record);
                identities.push_back(std::move(identity));
            }
        }
    }
    return identities;
}

std::unique_ptr<LoadWorker> LookupJob::makeWorker()
{
    return std::make_unique<LookupWorker>(makeKorvidClient(options_), records_);
}
