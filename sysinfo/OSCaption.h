#pragma once

#include <string>

// The version part of the operating system's caption: what follows "Windows(R) " or else
// "Windows " (first occurrence, case ignored), or the whole caption when neither is followed
// by anything. "Microsoft Windows XP Professional" gives "XP Professional".
std::string osVersionFromCaption(const std::string& caption);
