#pragma once

#include "server/store/ResultViews.h"

// Two cohorts set against each other, test by test: a driver against another, a card against
// another, Direct2D against GDI on one card (docs/scores.md, "Comparing two cohorts").
struct CohortComparisonData {
    int scoreVersion = 0;
    CohortFigures first;   // what the second is measured against
    CohortFigures second;
};
