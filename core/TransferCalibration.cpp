#include "core/TransferCalibration.h"

#include <limits>

namespace {

constexpr uint64_t kMaximum = std::numeric_limits<uint64_t>::max();

// Truncates toward zero; values at or beyond 2^64 saturate (converting them is undefined).
uint64_t truncateToU64(double value)
{
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 18446744073709551616.0) {
        return kMaximum;
    }
    return static_cast<uint64_t>(value);
}

uint64_t saturatingMultiply(uint64_t a, uint64_t b)
{
    if (a != 0 && b > kMaximum / a) {
        return kMaximum;
    }
    return a * b;
}

} // namespace

TransferSplit splitTransferBudget(uint64_t budget, const TransferGeometry& geometry,
                                  uint32_t rowPitch)
{
    const uint64_t rowBytes = rowPitch;
    const uint64_t frameBytes = rowBytes * geometry.rows;
    if (frameBytes != 0 && frameBytes < budget) {
        return {budget / frameBytes, geometry.rows};
    }
    if (rowBytes == 0) {
        return {1, 0};
    }
    const uint64_t rows = budget / rowBytes;
    return {1, static_cast<uint32_t>(rows < geometry.rows ? rows : geometry.rows)};
}

uint64_t nextTransferBudget(uint64_t budget, double elapsedSeconds,
                            uint64_t minimumMicroseconds)
{
    const double minimumSeconds = static_cast<double>(minimumMicroseconds) / 1000000.0;
    double estimate;
    if (elapsedSeconds == 0.0) {
        // The pass was shorter than one step of the clock, and the minimum duration is 1000
        // steps: aim at 1.1 times the minimum as if the pass had taken one step. (Taking it as
        // one microsecond instead would make the next pass last up to a thousand times the
        // minimum: many minutes of copying.)
        estimate = static_cast<double>(saturatingMultiply(budget, kStepsPerMinimumDuration)) * 1.1;
    } else {
        estimate = static_cast<double>(budget) * minimumSeconds * 1.1 / elapsedSeconds;
    }
    const uint64_t next = truncateToU64(estimate);
    if (next > budget) {
        return next;
    }
    return truncateToU64(static_cast<double>(budget) * 1.5);
}

uint64_t transferredBytes(const TransferSplit& split, const TransferGeometry& geometry)
{
    const uint64_t rowBytes = static_cast<uint64_t>(split.rows) * geometry.width;
    return saturatingMultiply(saturatingMultiply(rowBytes, split.copies), geometry.bytesPerPixel);
}

TransferMeasurement measureTransfer(const TransferGeometry& geometry, uint32_t rowPitch,
                                    uint64_t minimumMicroseconds,
                                    const std::function<double(const TransferSplit&)>& timedPass,
                                    const std::function<bool()>& passFailed)
{
    const double minimumSeconds = static_cast<double>(minimumMicroseconds) / 1000000.0;
    uint64_t budget = kInitialTransferBudget;
    TransferMeasurement m{};
    for (int retries = 0;;) {
        m.split = splitTransferBudget(budget, geometry, rowPitch);
        m.elapsedSeconds = timedPass(m.split);
        ++m.passes;
        if (passFailed && passFailed()) {
            m.gaveUp = true;
            break;
        }
        if (m.elapsedSeconds >= minimumSeconds) {
            break;
        }
        if (++retries > kMaximumTransferRetries) {
            m.gaveUp = true;
            break;
        }
        budget = nextTransferBudget(budget, m.elapsedSeconds, minimumMicroseconds);
    }
    m.bytes = transferredBytes(m.split, geometry);
    m.mibPerSecond = m.elapsedSeconds > 0.0
                         ? static_cast<double>(m.bytes) / m.elapsedSeconds / 1048576.0
                         : 0.0;
    return m;
}
