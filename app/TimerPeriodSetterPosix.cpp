#include "app/TimerPeriodSetter.h"

// The monotonic clock needs no resolution request on this platform.
TimerPeriodSetter::TimerPeriodSetter() = default;

TimerPeriodSetter::~TimerPeriodSetter() = default;
