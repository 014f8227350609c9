#include "gdi/GDIDisturbanceWatch.h"

#include "core/WindowMessages.h"

uint32_t GDIDisturbanceWatch::poll()
{
    serviceWindowMessages();
    uint32_t seen = 0;
    if (IsIconic(window_))
        seen |= DISTURBANCE_MINIMISED;
    if (GetForegroundWindow() != window_)
        seen |= DISTURBANCE_LOST_FOREGROUND;
    return seen;
}
