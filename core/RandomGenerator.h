#pragma once

#include <cstdint>

// The program's one random generator: every random size, position and colour of both back ends
// comes from it, so the native and the Windows build draw the same sequence.
// Linear congruential: state = state * 214013 + 2531011 (mod 2^32), value = bits 16 to 30 of
// the state (0..32767). Seeded with 1 at start-up and never reseeded.
int nextRandom();

// For tests only: read the process-wide state and put it back, so that a test can predict the
// values an operation draws and leave the sequence as it found it. The program never calls these.
uint32_t randomGeneratorStateForTesting();
void restoreRandomGeneratorStateForTesting(uint32_t state);

// The generator itself; tests can also run a private one alongside to predict values.
class RandomGenerator {
public:
    explicit RandomGenerator(uint32_t seed = 1) : state_(seed) {}

    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    uint32_t getState() const { return state_; }
    void setState(uint32_t state) { state_ = state; }

private:
    uint32_t state_;
};
