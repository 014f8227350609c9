#pragma once

#include <cstdint>
#include <string>

#include "server/model/GraphicsSystem.h"

namespace model {

// The results a result is measured against (docs/scores.md, "Cohorts"): the same graphics card
// (its stored record, named by its IDs), the same driver libraries, the same graphics system
// and the same display mode. The random mix and the transfers depend on the display, and the
// graphics system changes everything, so other modes and systems are shown beside a result,
// never pooled with it.
struct CohortKey {
    int32_t graphicsCardId = 0;  // 0: the result names no card
    std::string driverKey;       // the driver library records, as stored
    GraphicsSystem system = GraphicsSystem::Unknown;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;

    // "Direct2D, 1920x1080, 32 bpp"
    std::string modeText() const;
    bool sameCardAndDriver(const CohortKey& o) const
    {
        return graphicsCardId == o.graphicsCardId && driverKey == o.driverKey;
    }
    bool sameSystemAndMode(const CohortKey& o) const
    {
        return system == o.system && width == o.width && height == o.height &&
               bitsPerPixel == o.bitsPerPixel;
    }
};

// How a result stands in its cohort's figures.
enum class Standing {
    Pending = 0,   // arrived before its figures were worked out (an upgraded database)
    Counted = 1,   // in the cohort's figures and, with a score, the rankings
    Outlier = 2,   // far outside its cohort: flagged, left out of the figures
    Imported = 3,  // read from a transcript: shown, left out unless the operator counts them
};

// Fewest results a cohort needs before a new result can be judged an outlier of it.
constexpr int64_t kOutlierMinimum = 5;

} // namespace model
