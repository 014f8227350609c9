#include "core/RandomTestConductor.h"

#include <string>

#include "core/RTOKorvid.h"
#include "core/RandomGenerator.h"

RandomTestConductor::RandomTestConductor() = default;

RandomTestConductor::~RandomTestConductor() = default;

void RandomTestConductor::addOperation(uint32_t weight,
                                       const std::shared_ptr<RandomTestOperation>& operation) {
    if (!operation || weight == 0) {
        return;
    }
    entries_.insert(entries_.end(), weight, operation);
}

std::shared_ptr<RandomTestOperation> RandomTestConductor::getOperation(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
        throw std::string("ERROR: Invalid index passed to ") +
            std::string("RandomTestConductor::getOperation");
    }
    return entries_[static_cast<size_t>(index)];
}

void RandomTestConductor::prepareAll() {
    for (const auto& operation : entries_) {
        operation->prepare();
    }
}

void RandomTestConductor::executeRandomOperations(int32_t count) {
    const int32_t entries = getNumOperations();
    if (entries == 0) {
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        entries_[static_cast<size_t>(nextRandom() % entries)]->execute();
    }
}

uint64_t RandomTestConductor::collectPixelCount() {
    uint64_t pixelCount = 0;
    for (int32_t i = 0; i < getNumOperations(); ++i) {
        const std::shared_ptr<RandomTestOperation> operation = getOperation(i);
        if (auto* drawing = dynamic_cast<RTOKorvid*>(operation.get())) {
            // Later entries of the same object find its count already cleared.
            pixelCount += drawing->getPixelCount();
            drawing->clearPixelCount();
        }
    }
    return pixelCount;
}
