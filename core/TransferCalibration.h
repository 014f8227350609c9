#pragma once

#include <cstdint>
#include <functional>

#include "measuring/MeasuringPlan.h"

// Calibration of the whole-frame transfers: how many bytes one timed pass moves, grown until a
// pass lasts the minimum duration. Budget and byte totals are 64-bit: a fast machine moves
// more than 4 GiB in one pass, and a 32-bit budget would wrap, give a wrong rate and could
// keep the calibration from ever ending. The number of rounds is bounded like the runner's
// sized tests: after the 11th pass that is too short the test gives up.

constexpr uint64_t kInitialTransferBudget = measuring::kTransferStartBytes;
constexpr int kMaximumTransferRetries = measuring::kRetryLimit;
// The minimum duration a run asks for is this many steps of its clock.
constexpr uint64_t kStepsPerMinimumDuration = 1000;

struct TransferGeometry {
    uint32_t width;          // pixels per row
    uint32_t rows;           // rows of the drawing area (one frame)
    uint32_t bytesPerPixel;
};

// Bytes from one row to the next in a bitmap without padding.
inline uint32_t packedRowPitch(const TransferGeometry& geometry)
{
    return geometry.width * geometry.bytesPerPixel;
}

struct TransferSplit {
    uint64_t copies; // transfers per pass
    uint32_t rows;   // rows per transfer
};

// Whole frames when the budget exceeds one frame, otherwise one transfer of as many rows as
// the budget holds. Frames and rows are measured in `rowPitch` bytes a row: a driver may pad
// the rows of a mapped texture, and the budget is spent on the memory the copy walks through.
TransferSplit splitTransferBudget(uint64_t budget, const TransferGeometry& geometry,
                                  uint32_t rowPitch);

// The budget for the next pass after one that took `elapsedSeconds`: scaled to last 1.1 times
// the minimum duration, at least 1.5 times the current budget; saturates instead of wrapping.
// A pass of 0 seconds was shorter than one clock step (a thousandth of the minimum duration),
// so it is scaled as if it had lasted one step.
uint64_t nextTransferBudget(uint64_t budget, double elapsedSeconds,
                            uint64_t minimumMicroseconds);

// Bytes moved by a pass: rows × width × copies × bytes per pixel (the pixels, not the
// padding), saturating.
uint64_t transferredBytes(const TransferSplit& split, const TransferGeometry& geometry);

struct TransferMeasurement {
    double elapsedSeconds;
    TransferSplit split;
    uint64_t bytes;
    double mibPerSecond;
    int passes;
    bool gaveUp; // a pass failed, or every allowed pass was shorter than the minimum duration
};

// Runs timed passes (`timedPass` performs `copies` transfers of `rows` rows and returns the
// seconds they took) until one lasts at least the minimum duration or the retries run out.
// `passFailed`, when given, is asked after each pass (outside its timing) whether the pass's
// pixels failed to arrive where they should; a failed pass ends the calibration as given up.
// The rate of a pass that took no measurable time is 0, not a division by zero.
TransferMeasurement measureTransfer(const TransferGeometry& geometry, uint32_t rowPitch,
                                    uint64_t minimumMicroseconds,
                                    const std::function<double(const TransferSplit&)>& timedPass,
                                    const std::function<bool()>& passFailed = nullptr);
