#pragma once

#include <string>

#include "server/pages/PageData.h"

// Two to eight results side by side, test by test, each as a ratio to the first.
std::string comparePageHtml(const ComparePageData& data);
std::string comparePageJson(const ComparePageData& data);

// A difference from the first result counts as a change when it is larger than the spread
// (interquartile range) of the first result's cohort for that test. A cohort of fewer than
// three results has no spread to speak of: nothing is marked then.
enum class Change { None, Faster, Slower, Unknown };
Change changeBeyondSpread(double first, double other, const CohortFigure* firstCohort);
