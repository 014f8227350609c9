#pragma once

#include <string>

#include "server/pages/PageData.h"

// The page of one result: the machine, every group as the console prints it with its chart,
// the cohort of the same card and driver, the score and the ranks.
std::string resultPageHtml(const ResultPageData& data);
std::string resultPageJson(const ResultPageData& data);

// The percentile of a value within a cohort figure's sample; negative when there is none.
double percentileWithin(const CohortFigure* figure, double value);
