#pragma once

#include <cstdint>
#include <map>

#include "server/model/Quantiles.h"

namespace model {

// Counts of positive values in bins of equal width on a log scale, so that a cohort's figures
// can be kept up to date by adding one count per test as a result arrives, however many results
// the cohort holds. Bin b holds the values v with b <= ln(v) / width < b + 1; a value read back
// from a bin is the bin's geometric centre, so every quantile read from a histogram is within
// a factor exp(width / 2) of the exact one (0.5 % for rates, kRateWidth).
class LogHistogram {
public:
    static constexpr double kRateWidth = 0.01;    // ln units: bins about 1 % wide
    static constexpr double kScoreWidth = 0.001;  // the ranking's score bins: 0.1 %

    explicit LogHistogram(double width = kRateWidth) : width_(width) {}

    // The bin of a value; values that are not positive and finite have none (false).
    static bool binOf(double value, double width, int32_t& bin);
    void add(double value, int64_t count = 1);
    void addBin(int32_t bin, int64_t count);

    int64_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    double width() const { return width_; }
    const std::map<int32_t, int64_t>& bins() const { return bins_; }
    double valueOf(int32_t bin) const;
    // The largest factor by which a value read back differs from the value counted.
    double relativeError() const;

    // The q-quantile over the ranks as model::quantileOfSorted defines it, each rank read as
    // its bin's centre. Throws std::invalid_argument when empty.
    double quantile(double q) const;
    Spread spread() const;
    // 0 to 100: the share of counted values in lower bins, those in value's own bin counted
    // half. Throws std::invalid_argument when empty.
    double percentile(double value) const;
    // How many counted values lie in bins above value's bin.
    int64_t countAbove(double value) const;

private:
    double rankValue(int64_t rank) const;

    double width_;
    std::map<int32_t, int64_t> bins_;
    int64_t count_ = 0;
};

} // namespace model
