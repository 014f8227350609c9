#include "app/ExecutionStateHold.h"

#include <windows.h>

ExecutionStateHold::ExecutionStateHold()
{
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
}

ExecutionStateHold::~ExecutionStateHold()
{
    SetThreadExecutionState(ES_CONTINUOUS);
}
