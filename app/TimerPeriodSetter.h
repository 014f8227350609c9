#pragma once

// Holds the system timer at a 1 ms resolution for as long as it lives. One process-wide instance
// surrounds the whole run, so the clock's granularity and every timed test see that resolution.
class TimerPeriodSetter {
public:
    TimerPeriodSetter();
    virtual ~TimerPeriodSetter();
    TimerPeriodSetter(const TimerPeriodSetter&) = delete;
    TimerPeriodSetter& operator=(const TimerPeriodSetter&) = delete;
};
