#pragma once

#include <string>

// Replaces '&', '<' and '>' with their entity references so that any stored value (a card
// name such as "R&D <beta>") keeps the record document well-formed. Every other byte is
// copied unchanged.
std::string xmlEscapeText(const std::string& text);
