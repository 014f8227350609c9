#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/RandomTestOperation.h"

// The weighted list of the random test's operations: an operation added with weight k fills k
// consecutive entries sharing the one object, so a weighted choice is a single remainder.
class RandomTestConductor {
public:
    RandomTestConductor();
    virtual ~RandomTestConductor();
    RandomTestConductor(const RandomTestConductor&) = delete;
    RandomTestConductor& operator=(const RandomTestConductor&) = delete;

    // Appends the operation weight times; an empty pointer or weight 0 adds nothing.
    void addOperation(uint32_t weight, const std::shared_ptr<RandomTestOperation>& operation);
    // Throws "ERROR: Invalid index passed to RandomTestConductor::getOperation" (std::string)
    // for an index outside 0..getNumOperations()-1.
    std::shared_ptr<RandomTestOperation> getOperation(int32_t index) const;
    int32_t getNumOperations() const { return static_cast<int32_t>(entries_.size()); }

    // Unchecked access for the timed loop: index must be in range.
    RandomTestOperation& entry(int32_t index) const { return *entries_[static_cast<size_t>(index)]; }

    // prepare() on every entry in order (before the first clock reading).
    void prepareAll();
    // The timed loop: count times, entry nextRandom() % getNumOperations() executes.
    // Does nothing when the list is empty.
    void executeRandomOperations(int32_t count);
    // After the timed loop: the sum of the pixel counts of the RTOKorvid entries, each object
    // counted once (at its first entry) and cleared; RTODummy and other operations add nothing.
    uint64_t collectPixelCount();

private:
    std::vector<std::shared_ptr<RandomTestOperation>> entries_;
};
