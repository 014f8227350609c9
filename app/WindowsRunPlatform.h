#pragma once

#include "app/RunEnvironment.h"

// The run's process and thread state through the Win32 kernel calls.
class WindowsRunPlatform : public RunPlatform {
public:
    void setConsoleTitle(const std::string& title) override;
    void pinThreadToFirstProcessor() override;
    Priorities raisePriorities() override;
    void restorePriorities(const Priorities& previous) override;
    uint64_t measureClockGranularity() override;
    LocalDateTime localDateTime() override;
    void waitForEnter() override;
    std::unique_ptr<WakeHold> keepAwake() override;
};
