#pragma once

#include <string>

#include "server/text/Utf8.h"

// Texts arrive as 8-bit text in the sender's Windows code page, without a declaration. Valid
// UTF-8 (plain ASCII included) is kept as it is; anything else is read as Windows-1252, the
// code page of most senders, and converted to UTF-8. Applied alike to submitted values and to
// lookup values, so that a lookup finds what the same bytes stored.
std::string toUtf8(const std::string& text);
