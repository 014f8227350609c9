#include "app/TimerPeriodSetter.h"

#include <windows.h>
#include <mmsystem.h>

TimerPeriodSetter::TimerPeriodSetter()
{
    timeBeginPeriod(1);
}

TimerPeriodSetter::~TimerPeriodSetter()
{
    timeEndPeriod(1);
}
