#pragma once

#include <string>

#include "server/pages/PageData.h"

// The page of one result: the score and its standing, the machine, every group as the console
// prints it with its chart against its cohort, the cohort's drivers in version order and the
// cohort against the previous driver.
std::string resultPageHtml(const ResultPageData& data);
std::string resultPageJson(const ResultPageData& data);

// "counted", "outlier", "imported" or "pending".
std::string standingName(model::Standing standing);
