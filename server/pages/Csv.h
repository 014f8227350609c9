#pragma once

#include <string>

#include "server/store/ResultViews.h"

// Comma-separated values as spreadsheets read them (RFC 4180, CRLF lines). Uploads carry any
// text, so a field is quoted when it needs to be, and one that a spreadsheet would run as a
// formula (=, +, -, @) is kept as text with a leading apostrophe.
std::string csvField(const std::string& text);
// A result's rates, one line each in the console's order, with its cohort's median and quartiles.
std::string resultMeasurementsCsv(const ResultPageData& data);
