// The program's one random generator.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/RandomGenerator.h"

namespace {

TEST(RandomGeneratorTest, FirstValuesFromSeed1) {
    RandomGenerator generator;
    std::vector<int> values;
    for (int i = 0; i < 5; ++i) {
        values.push_back(generator.next());
    }
    EXPECT_EQ(values, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    EXPECT_EQ(generator.getState(), 3403800452u);  // the state after five steps
}

TEST(RandomGeneratorTest, ValuesAreBits16To30OfTheState) {
    RandomGenerator generator(0xFFFFFFFFu);
    // 0xFFFFFFFF * 214013 + 2531011 mod 2^32 = 0x00235AC6: bits 16..30 = 0x23.
    EXPECT_EQ(generator.next(), 0x23);
    EXPECT_EQ(generator.getState(), 0x00235AC6u);
    // The next state is 0xFFFF1234: bit 31 is not part of the value.
    generator.setState(0xC1F9F585u);
    EXPECT_EQ(generator.next(), 32767);
    EXPECT_EQ(generator.getState(), 0xFFFF1234u);
    for (int i = 0; i < 100000; ++i) {
        const int value = generator.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST(RandomGeneratorTest, ProcessGeneratorStartsAtSeed1) {
    // In a fresh process nothing has drawn yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool fresh = randomGeneratorStateForTesting() == 1u;
            const int a = nextRandom();
            const int b = nextRandom();
            const int c = nextRandom();
            std::exit(fresh && a == 41 && b == 18467 && c == 6334 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(RandomGeneratorTest, ProcessGeneratorIsOneSharedSequence) {
    const uint32_t saved = randomGeneratorStateForTesting();
    restoreRandomGeneratorStateForTesting(1);
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    RandomGenerator shadow(randomGeneratorStateForTesting());
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(nextRandom(), shadow.next());
    }
    EXPECT_EQ(randomGeneratorStateForTesting(), shadow.getState());
    restoreRandomGeneratorStateForTesting(saved);
}

}  // namespace
