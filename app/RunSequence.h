#pragma once

#include "app/RunEnvironment.h"

// The program's main routine, from the console title to the final "Press ENTER to exit" pause.
// Returns the process exit code: 0 after a run, the help text or a fatal text error; 10 after an
// unrecognised option; the connection test's code with "-tc"; 1 when an error that no step
// handles escapes (it is printed as an "ERROR: " line before the pause).
int runSequence(int argc, const char* const* argv, RunEnvironment& environment);
