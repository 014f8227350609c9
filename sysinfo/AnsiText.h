#pragma once

// Wide texts of the system (the management service's, DXGI's) in the system's ANSI code page,
// the 8-bit text the program prints and uploads. Windows only.

#include <cstddef>
#include <string>

std::string ansiText(const wchar_t* text, std::size_t length);
