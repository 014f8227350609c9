#pragma once

#include <windows.h>

// Libraries of the system are taken from the system folder only. A library loaded by its bare
// name is otherwise looked for in the program's folder first, so a "d2d1.dll" left in a
// Downloads folder would run inside the program.

// Makes the system folder the only place the process (and every library it loads) looks for
// libraries loaded by name. Called first thing in main, before anything loads a library.
void restrictLibrarySearchToSystemFolder();

// The named library from the system folder; null when it is not there or cannot be loaded.
// The caller owns the reference (FreeLibrary).
HMODULE loadSystemLibrary(const wchar_t* name);
