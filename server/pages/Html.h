#pragma once

#include <cstdint>
#include <string>

// Text helpers shared by the pages. Every stored value goes through escapeHtml on its way into
// a page: uploads carry whatever bytes a client sent.
std::string escapeHtml(const std::string& text);

// Fixed notation, as the console prints rates ("390123.457").
std::string formatFixed(double value, int decimals);
// "2024-05-01 12:34 UTC".
std::string formatDate(int64_t unixSeconds);
// A score as a whole number, or "–" for no score.
std::string formatScore(double score);
// "0x10de"-style IDs are shown as sent; an empty one as "–".
std::string orDash(const std::string& text);
