// The random test's weighted list, its drawing-operation base and the pixel summation.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/RTODummy.h"
#include "core/RTOKorvid.h"
#include "core/RandomGenerator.h"
#include "core/RandomTestConductor.h"

namespace {

// Records the sizes it is asked to draw and counts their pixels as a back end's operation does.
class RecordingOperation : public RTOKorvid {
public:
    explicit RecordingOperation(int32_t maximumSize) : RTOKorvid(maximumSize) {}
    std::vector<std::pair<uint32_t, uint32_t>> draws;
    void setPixelCount(uint64_t pixels) { pixelCount = pixels; }

protected:
    void draw(uint32_t width, uint32_t height) override {
        draws.emplace_back(width, height);
        pixelCount += static_cast<uint64_t>(width) * height;
    }
};

// Keeps the process-wide generator where the test found it.
class RandomStateGuard {
public:
    RandomStateGuard() : saved_(randomGeneratorStateForTesting()) {}
    ~RandomStateGuard() { restoreRandomGeneratorStateForTesting(saved_); }

private:
    uint32_t saved_;
};

std::string thrownBy(const RandomTestConductor& conductor, int32_t index) {
    try {
        conductor.getOperation(index);
    } catch (const std::string& message) {
        return message;
    }
    return "(nothing thrown)";
}

TEST(RandomTestConductorTest, WeightZeroOrEmptyPointerAddsNothing) {
    RandomTestConductor conductor;
    auto operation = std::make_shared<RTODummy>();
    conductor.addOperation(0, operation);
    conductor.addOperation(5, nullptr);
    EXPECT_EQ(conductor.getNumOperations(), 0);
    EXPECT_EQ(operation.use_count(), 1);
    conductor.addOperation(3, operation);
    EXPECT_EQ(conductor.getNumOperations(), 3);
    conductor.addOperation(0, std::make_shared<RTODummy>());
    EXPECT_EQ(conductor.getNumOperations(), 3);
}

TEST(RandomTestConductorTest, IndexOutsideTheListThrowsTheMessage) {
    RandomTestConductor conductor;
    const std::string message = "ERROR: Invalid index passed to RandomTestConductor::getOperation";
    EXPECT_EQ(thrownBy(conductor, 0), message);
    conductor.addOperation(4, std::make_shared<RTODummy>());
    EXPECT_EQ(thrownBy(conductor, -1), message);
    EXPECT_EQ(thrownBy(conductor, 4), message);
    EXPECT_EQ(thrownBy(conductor, -2147483647 - 1), message);
    EXPECT_EQ(thrownBy(conductor, 3), "(nothing thrown)");
}

TEST(RandomTestConductorTest, TheMixHas102EntriesInOrderSharingEachObject) {
    std::vector<std::shared_ptr<RandomTestOperation>> places = {
        std::make_shared<RecordingOperation>(512), std::make_shared<RecordingOperation>(512),
        std::make_shared<RecordingOperation>(512), std::make_shared<RecordingOperation>(512),
        std::make_shared<RecordingOperation>(512), std::make_shared<RecordingOperation>(512),
        std::make_shared<RTODummy>()};
    const std::vector<uint32_t> weights = {1, 1, 20, 20, 20, 20, 20};
    std::weak_ptr<RandomTestOperation> watched = places[2];
    {
        RandomTestConductor conductor;
        for (size_t i = 0; i < places.size(); ++i) {
            conductor.addOperation(weights[i], places[i]);
        }
        ASSERT_EQ(conductor.getNumOperations(), 102);
        EXPECT_EQ(conductor.getOperation(0), places[0]);
        EXPECT_EQ(conductor.getOperation(1), places[1]);
        EXPECT_EQ(conductor.getOperation(2), places[2]);
        EXPECT_EQ(conductor.getOperation(21), places[2]);
        EXPECT_EQ(conductor.getOperation(22), places[3]);
        EXPECT_EQ(conductor.getOperation(81), places[5]);
        EXPECT_EQ(conductor.getOperation(82), places[6]);
        EXPECT_EQ(conductor.getOperation(101), places[6]);
        EXPECT_EQ(&conductor.entry(61), places[4].get());
        EXPECT_EQ(places[2].use_count(), 21);
        places.clear();  // the back end drops its references
        EXPECT_FALSE(watched.expired());
    }
    EXPECT_TRUE(watched.expired());
}

TEST(RandomTestConductorTest, ExecuteDrawsOneSquareSizeFrom16ToTheMaximum) {
    RandomStateGuard guard;
    restoreRandomGeneratorStateForTesting(1);
    RecordingOperation operation(512);
    RandomGenerator shadow(1);
    for (int i = 0; i < 2000; ++i) {
        operation.execute();
    }
    ASSERT_EQ(operation.draws.size(), 2000u);
    bool sawSmallest = false;
    bool sawLargest = false;
    for (const auto& size : operation.draws) {
        const uint32_t expected = 16 + static_cast<uint32_t>(shadow.next() % 497);
        ASSERT_EQ(size.first, expected);
        ASSERT_EQ(size.second, expected);
        sawSmallest = sawSmallest || expected == 16;
        sawLargest = sawLargest || expected == 512;
    }
    EXPECT_TRUE(sawSmallest);
    EXPECT_TRUE(sawLargest);
    EXPECT_EQ(randomGeneratorStateForTesting(), shadow.getState());
    // The first draw from seed 1 is 41: 16 + 41 % 497.
    EXPECT_EQ(operation.draws[0].first, 57u);
}

TEST(RandomTestConductorTest, MaximumOf16StillConsumesOneDrawPerExecute) {
    RandomStateGuard guard;
    restoreRandomGeneratorStateForTesting(12345);
    RandomGenerator shadow(12345);
    RecordingOperation operation(16);
    for (int i = 0; i < 7; ++i) {
        operation.execute();
        shadow.next();
        ASSERT_EQ(randomGeneratorStateForTesting(), shadow.getState());
    }
    EXPECT_EQ(operation.draws,
              (std::vector<std::pair<uint32_t, uint32_t>>(7, std::make_pair(16u, 16u))));
    EXPECT_EQ(operation.getPixelCount(), 7u * 256u);
}

TEST(RandomTestConductorTest, MaximumBelow16DrawsTheMaximumAndConsumesOneDraw) {
    // A drawing area of 16 pixels or less gives the back ends a maximum of 8.
    RandomStateGuard guard;
    for (int32_t maximum : {15, 8, 0}) {
        restoreRandomGeneratorStateForTesting(99);
        RandomGenerator shadow(99);
        RecordingOperation operation(maximum);
        operation.execute();
        shadow.next();
        EXPECT_EQ(randomGeneratorStateForTesting(), shadow.getState());
        ASSERT_EQ(operation.draws.size(), 1u);
        EXPECT_EQ(operation.draws[0].first, static_cast<uint32_t>(maximum));
        EXPECT_EQ(operation.draws[0].second, static_cast<uint32_t>(maximum));
    }
}

TEST(RandomTestConductorTest, SummationCountsEachOperationOnceAndClearsEveryCount) {
    RandomStateGuard guard;
    auto write = std::make_shared<RecordingOperation>(64);
    auto fill = std::make_shared<RecordingOperation>(64);
    auto blit = std::make_shared<RecordingOperation>(64);
    auto dummy = std::make_shared<RTODummy>();
    RandomTestConductor conductor;
    conductor.addOperation(1, write);
    conductor.addOperation(20, fill);
    conductor.addOperation(20, dummy);
    conductor.addOperation(20, blit);
    ASSERT_EQ(conductor.getNumOperations(), 61);

    fill->setPixelCount(1000);
    conductor.prepareAll();
    EXPECT_EQ(fill->getPixelCount(), 0u);

    // The same choices the conductor makes: one draw for the entry, one for an RTOKorvid's size.
    restoreRandomGeneratorStateForTesting(2026);
    RandomGenerator shadow(2026);
    uint64_t expected = 0;
    int dummies = 0;
    for (int i = 0; i < 5000; ++i) {
        const int index = shadow.next() % 61;
        if (index >= 21 && index < 41) {
            ++dummies;
            continue;
        }
        const uint64_t size = 16 + static_cast<uint64_t>(shadow.next() % 49);
        expected += size * size;
    }
    conductor.executeRandomOperations(5000);
    EXPECT_EQ(randomGeneratorStateForTesting(), shadow.getState());
    EXPECT_GT(dummies, 0);
    EXPECT_EQ(write->draws.size() + fill->draws.size() + blit->draws.size(),
              static_cast<size_t>(5000 - dummies));
    EXPECT_FALSE(write->draws.empty());

    EXPECT_EQ(conductor.collectPixelCount(), expected);
    EXPECT_EQ(write->getPixelCount(), 0u);
    EXPECT_EQ(fill->getPixelCount(), 0u);
    EXPECT_EQ(blit->getPixelCount(), 0u);
    EXPECT_EQ(conductor.collectPixelCount(), 0u);
}

TEST(RandomTestConductorTest, TwentyEntryOperationIsCountedOnce) {
    auto fill = std::make_shared<RecordingOperation>(64);
    RandomTestConductor conductor;
    conductor.addOperation(20, fill);
    conductor.addOperation(20, std::make_shared<RTODummy>());
    fill->setPixelCount(256);
    EXPECT_EQ(conductor.collectPixelCount(), 256u);
    EXPECT_EQ(fill->getPixelCount(), 0u);
}

TEST(RandomTestConductorTest, EmptyConductorExecutesNothingAndDrawsNothing) {
    RandomStateGuard guard;
    RandomTestConductor conductor;
    const uint32_t before = randomGeneratorStateForTesting();
    conductor.executeRandomOperations(100);
    conductor.prepareAll();
    EXPECT_EQ(randomGeneratorStateForTesting(), before);
    EXPECT_EQ(conductor.collectPixelCount(), 0u);
}

TEST(RandomTestConductorTest, OperationBaseStartsEmptyWithMinimum16) {
    RecordingOperation operation(256);
    EXPECT_EQ(operation.getPixelCount(), 0u);
    EXPECT_EQ(operation.getMinimumSize(), 16);
    EXPECT_EQ(operation.getMaximumSize(), 256);
    operation.setPixelCount(5);
    operation.prepare();
    EXPECT_EQ(operation.getPixelCount(), 0u);
}

}  // namespace
