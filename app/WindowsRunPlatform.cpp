#include "app/WindowsRunPlatform.h"

#include <windows.h>

#include <iostream>

#include "app/ClockGranularity.h"
#include "app/ExecutionStateHold.h"

void WindowsRunPlatform::setConsoleTitle(const std::string& title)
{
    SetConsoleTitleA(title.c_str());
}

void WindowsRunPlatform::pinThreadToFirstProcessor()
{
    SetThreadAffinityMask(GetCurrentThread(), 1);
}

RunPlatform::Priorities WindowsRunPlatform::raisePriorities()
{
    Priorities previous;
    previous.processClass = static_cast<int32_t>(GetPriorityClass(GetCurrentProcess()));
    previous.threadPriority = GetThreadPriority(GetCurrentThread());
    SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    return previous;
}

void WindowsRunPlatform::restorePriorities(const Priorities& previous)
{
    SetThreadPriority(GetCurrentThread(), previous.threadPriority);
    SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(previous.processClass));
}

uint64_t WindowsRunPlatform::measureClockGranularity()
{
    return ::measureClockGranularity();
}

LocalDateTime WindowsRunPlatform::localDateTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalDateTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    return time;
}

void WindowsRunPlatform::waitForEnter()
{
    std::cin.get();
}

std::unique_ptr<WakeHold> WindowsRunPlatform::keepAwake()
{
    return std::make_unique<ExecutionStateHold>();
}
