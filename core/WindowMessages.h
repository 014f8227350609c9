#pragma once

// Hands every message waiting for the calling thread's windows to their window procedures, so
// that the system (and the graphics system's own hooks on the window) sees the test window
// respond; it returns when none is left. Between measurements only.
void serviceWindowMessages();
