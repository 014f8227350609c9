#pragma once

#include <cstdint>
#include <string>

// Text helpers shared by the pages. Every stored value goes through escapeHtml on its way into
// a page: uploads carry whatever bytes a client sent.
std::string escapeHtml(const std::string& text);

// Fixed notation with a set number of decimals ("2.35").
std::string formatFixed(double value, int decimals);
// A measured rate with the six significant digits an upload carries it with ("34000.6",
// "774865", "1234570", "0.512346"): never more digits than were sent, and never an exponent.
std::string formatRate(double value);
// A figure read from a cohort's binned counts, which is within 0.5 % of the exact one: four
// significant digits say all it knows below 1000 ("512.3"), whole numbers from there ("34001").
std::string formatFigure(double value);
// "2024-05-01 12:34 UTC".
std::string formatDate(int64_t unixSeconds);
// A score as a whole number, or "–" for no score.
std::string formatScore(double score);
// "1 result", "2 results": a count with its noun in the number it needs.
std::string countOf(int64_t n, const std::string& one, const std::string& many);
// "0x10de"-style IDs are shown as sent; an empty one as "–".
std::string orDash(const std::string& text);
