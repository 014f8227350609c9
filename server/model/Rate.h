#pragma once

#include <vector>

#include "server/model/TestId.h"

namespace model {

// One rate a result measured.
struct Rate {
    TestId id;
    double value = 0.0;
};
using Rates = std::vector<Rate>;

// The rate of that test in the list, or nothing.
const Rate* findRate(const Rates& rates, const TestId& id);

} // namespace model
