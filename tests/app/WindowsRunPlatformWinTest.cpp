#include "app/WindowsRunPlatform.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>

#include <windows.h>

namespace {

// Each test runs the platform calls on a thread of its own, so the test program's main thread
// keeps its processor and priority.
template <typename F>
void onOwnThread(F body)
{
    std::thread worker(body);
    worker.join();
}

TEST(WindowsRunPlatform, PinsTheCallingThreadToTheFirstProcessor)
{
    onOwnThread([] {
        WindowsRunPlatform platform;
        platform.pinThreadToFirstProcessor();
        // Setting the mask again reports the one in force.
        EXPECT_EQ(SetThreadAffinityMask(GetCurrentThread(), 1), static_cast<DWORD_PTR>(1));
    });
}

TEST(WindowsRunPlatform, RaisesAndRestoresPriorities)
{
    onOwnThread([] {
        const DWORD processClass = GetPriorityClass(GetCurrentProcess());
        const int threadPriority = GetThreadPriority(GetCurrentThread());
        WindowsRunPlatform platform;
        const RunPlatform::Priorities previous = platform.raisePriorities();
        EXPECT_EQ(previous.processClass, static_cast<int32_t>(processClass));
        EXPECT_EQ(previous.threadPriority, threadPriority);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()),
                  static_cast<DWORD>(ABOVE_NORMAL_PRIORITY_CLASS));
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_TIME_CRITICAL);
        platform.restorePriorities(previous);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), processClass);
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), threadPriority);
    });
}

TEST(WindowsRunPlatform, LocalTimeIsTheWallClock)
{
    WindowsRunPlatform platform;
    const std::time_t before = std::time(nullptr);
    const LocalDateTime now = platform.localDateTime();
    const std::time_t after = std::time(nullptr);
    std::tm parts = {};
    parts.tm_year = now.year - 1900;
    parts.tm_mon = now.month - 1;
    parts.tm_mday = now.day;
    parts.tm_hour = now.hour;
    parts.tm_min = now.minute;
    parts.tm_sec = now.second;
    parts.tm_isdst = -1;
    const std::time_t read = std::mktime(&parts);
    EXPECT_GE(read, before - 1);
    EXPECT_LE(read, after + 1);
}

TEST(WindowsRunPlatform, SetsTheConsoleTitle)
{
    // Wine gives a program whose output goes to a pipe a console without a title (error 12);
    // making one with AllocConsole opens a window whose clean-up upsets the X connection.
    char previous[1024] = {};
    GetConsoleTitleA(previous, sizeof previous);
    WindowsRunPlatform platform;
    platform.setConsoleTitle("Korvid");
    char title[1024] = {};
    const DWORD length = GetConsoleTitleA(title, sizeof title);
    SetConsoleTitleA(previous);
    if (length == 0)
        GTEST_SKIP() << "no console whose title could be read (error " << GetLastError() << ")";
    EXPECT_STREQ(title, "Korvid");
}

TEST(WindowsRunPlatform, MeasuresTheMultimediaTimerStep)
{
    WindowsRunPlatform platform;
    const uint64_t granularity = platform.measureClockGranularity();
    // Whole milliseconds read as microseconds: every step is a multiple of 1000, so the
    // average is at least 1000.
    EXPECT_GE(granularity, 1000u);
}

} // namespace
