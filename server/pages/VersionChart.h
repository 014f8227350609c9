#pragma once

#include <string>
#include <vector>

// A figure across a card's driver versions: for each series (a test at one size, or the score)
// its median per version as a line and its quartiles as a band around it, versions numbered
// along the horizontal axis as in the page's tables. The vertical axis is logarithmic: the sizes
// of one group span decades. Inline SVG with a <title>, no script.
struct VersionPoint {
    bool known = false;  // the version measured it
    double lower = 0.0, median = 0.0, upper = 0.0;
};

struct VersionSeries {
    std::string name;
    std::vector<VersionPoint> points;  // one per version, oldest first
};

std::string versionChart(const std::string& title, const std::string& unitLabel,
                         const std::vector<VersionSeries>& series);
