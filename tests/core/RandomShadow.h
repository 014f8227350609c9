#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/RandomGenerator.h"

// A private copy of the program's random generator, taken before an operation runs, that a test
// walks through the draws the operation should make, using each value as the operation should.
// Where the operation then drew (or what it counted) shows a swapped order; `matches` shows a
// missing or an extra draw.
class RandomShadow {
public:
    RandomShadow() : generator_(randomGeneratorStateForTesting()), start_(generator_.getState()) {}

    int next() {
        ++draws_;
        return generator_.next();
    }
    void skip(uint64_t draws) {
        for (uint64_t i = 0; i < draws; ++i) {
            next();
        }
    }
    // One draw taken as a position in [0, range): 0 where the range is empty.
    uint32_t below(int64_t range) {
        const int value = next();
        return range > 0 ? static_cast<uint32_t>(value % range) : 0;
    }
    // One draw taken as the size of a random-mix square, from 16 to `maximum`.
    uint32_t squareSize(int32_t maximum) { return 16 + static_cast<uint32_t>(next() % (maximum - 15)); }

    // Whether the program's generator has made exactly the draws walked here.
    testing::AssertionResult matches() const {
        const uint32_t now = randomGeneratorStateForTesting();
        if (now == generator_.getState()) {
            return testing::AssertionSuccess();
        }
        RandomGenerator program(start_);
        for (uint64_t draws = 0; draws < 100000000; ++draws) {
            if (program.getState() == now) {
                return testing::AssertionFailure()
                       << "the program drew " << draws << " times, the shadow " << draws_;
            }
            program.next();
        }
        return testing::AssertionFailure() << "the program's generator went elsewhere";
    }

    // Puts the program's generator where, after `setUpDraws` draws, its next value modulo
    // `entries` is `entry`: the random mix then executes that entry first.
    static void steerToEntry(int entry, int entries, uint64_t setUpDraws) {
        RandomGenerator candidate(randomGeneratorStateForTesting());
        while (RandomGenerator(candidate.getState()).next() % entries != entry) {
            candidate.next();
        }
        uint32_t state = candidate.getState();
        // The generator's step undone: state = (state - increment) / multiplier, mod 2^32.
        uint32_t inverse = 214013u;
        for (int i = 0; i < 5; ++i) {
            inverse *= 2u - 214013u * inverse;
        }
        for (uint64_t i = 0; i < setUpDraws; ++i) {
            state = (state - 2531011u) * inverse;
        }
        restoreRandomGeneratorStateForTesting(state);
    }

private:
    RandomGenerator generator_;
    uint32_t start_;
    uint64_t draws_ = 0;
};

// A square the shadow says an operation draws.
struct ShadowSquare {
    int64_t x;
    int64_t y;
    int64_t size;
};

// Pixels of rows [top, bottom) that differ between two readings, inside any of the squares and
// outside all of them. `Pixels` is a screen reading with width() or width, and at(x, y).
struct SquareChanges {
    uint64_t inside = 0;
    uint64_t outside = 0;
};
template <typename Pixels>
SquareChanges changesAgainstSquares(const Pixels& before, const Pixels& after, int64_t width,
                                    int64_t top, int64_t bottom,
                                    const std::vector<ShadowSquare>& squares) {
    SquareChanges changes;
    for (int64_t y = top; y < bottom; ++y) {
        for (int64_t x = 0; x < width; ++x) {
            if (before.at(x, y) == after.at(x, y)) {
                continue;
            }
            bool inside = false;
            for (const ShadowSquare& square : squares) {
                inside = inside || (x >= square.x && x < square.x + square.size && y >= square.y &&
                                    y < square.y + square.size);
            }
            ++(inside ? changes.inside : changes.outside);
        }
    }
    return changes;
}
