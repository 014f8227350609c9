#include "core/RandomGenerator.h"

namespace {

RandomGenerator& processGenerator() {
    static RandomGenerator generator(1);
    return generator;
}

}  // namespace

int nextRandom() {
    return processGenerator().next();
}

uint32_t randomGeneratorStateForTesting() {
    return processGenerator().getState();
}

void restoreRandomGeneratorStateForTesting(uint32_t state) {
    processGenerator().setState(state);
}
