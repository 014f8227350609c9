#pragma once

#include <cstdint>

namespace model {

// A card is ranked only on at least this many counted scores (docs/scores.md, "Ranking");
// cards with fewer are listed apart with their count.
constexpr int64_t kRankingMinimum = 3;

inline bool isRanked(int64_t countedScores)
{
    return countedScores >= kRankingMinimum;
}

} // namespace model
