#pragma once

#include <string>

#include "server/model/Comparison.h"
#include "server/pages/PageData.h"

// Two to eight results side by side, test by test, each as a ratio to the first. A difference
// is marked only beyond the noise band of the first result's cohort (model::noiseBandOf).
std::string comparePageHtml(const ComparePageData& data);
std::string comparePageJson(const ComparePageData& data);
