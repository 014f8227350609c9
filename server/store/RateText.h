#pragma once

#include <string>

#include "server/model/Rate.h"

// A result's rates as they are stored in one column: "code:value" pairs separated by blanks,
// the code model::TestId::code() and the value as the upload sent it (six significant digits),
// so that about 75 rates take about a kilobyte instead of 75 rows of names.
std::string rateText(const model::Rates& rates);
// Pairs whose code names no test are skipped.
model::Rates ratesFromText(const std::string& text);
