#pragma once

#include "app/RunEnvironment.h"

// Tells Windows that the display and the system are needed while it lives
// (SetThreadExecutionState ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED), so neither
// the screen saver, display sleep nor system sleep cuts into a measurement; lets go at its end.
class ExecutionStateHold : public WakeHold {
public:
    ExecutionStateHold();
    ~ExecutionStateHold() override;
    ExecutionStateHold(const ExecutionStateHold&) = delete;
    ExecutionStateHold& operator=(const ExecutionStateHold&) = delete;
};
