#pragma once

#include <cstdint>
#include <string>

#include "core/TestGroupFlags.h"

// A setting the user can fix on the command line or leave to a question at the time.
enum class Choice : int32_t {
    Ask = 0,
    Yes = 1,
    No = 2,
};

// What the user chose for this run. Filled by the command line, then read by the run; only the
// save and upload steps write the user's answers back into it.
struct RunSettings {
    bool yesToAll = false;
    Choice uploadChoice = Choice::Ask;
    Choice saveChoice = Choice::Ask;
    bool saveOverwrite = false;
    std::string saveFileName;
    uint32_t testFlags = TEST_GROUP_ALL;
};
