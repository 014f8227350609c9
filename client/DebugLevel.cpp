#include "client/DebugLevel.h"

namespace {
int32_t debugLevel = -1;
}

int32_t getDebugLevel() { return debugLevel; }

void setDebugLevel(int32_t level) { debugLevel = level; }
