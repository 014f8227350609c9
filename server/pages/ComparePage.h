#pragma once

#include <string>

#include "server/model/Comparison.h"
#include "server/pages/PageData.h"

// Two to eight results side by side, test by test, each as a ratio to the first. Every
// difference on the page is judged together against the first result's cohort
// (model::pairEvidence, model::judgePage).
std::string comparePageHtml(const ComparePageData& data);
std::string comparePageJson(const ComparePageData& data);
