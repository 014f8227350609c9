#pragma once

#include <string>

#include "server/store/CohortComparisonView.h"

// Two cohorts test by test at their permanent address (Cohorts/FIRST,SECOND): each one's median
// and quartiles, the ratio of the medians, and the rank test's verdict, marked only beyond the
// noise.
std::string cohortComparePageHtml(const CohortComparisonData& data);
std::string cohortComparePageJson(const CohortComparisonData& data);
