#pragma once

#include <cstdint>

// How korvid.exe measures: the counts each timed run starts with, the square sizes of the sized
// tests and the random mix, the transfers' first budget and how often a run too short is
// repeated. The benchmark core runs by these figures and the result site's Measuring page states
// them, so both read them here; nothing else lives in this folder, which includes nothing of
// the project.
namespace measuring {

// Operations of the first timed run of each size (before calibrating).
inline constexpr int32_t kFillStartCount = 10000;
inline constexpr int32_t kBlitStartCount = 10000;
inline constexpr int32_t kOverlappedBlitStartCount = 20000;
inline constexpr int32_t kCompositeStartCount = 10000;
inline constexpr int32_t kCompositeSrcMaskStartCount = 10000;
inline constexpr int32_t kRandomStartCount = 80000;

// Bytes of the first timed pass of each pixel-array transfer.
inline constexpr uint64_t kTransferStartBytes = 16588800;

// Sides of the squares: from the smallest, doubling while the square fits below the status
// strip, up to the largest; the random mix draws its sides from the same range.
inline constexpr uint32_t kSmallestSquare = 16;
inline constexpr uint32_t kLargestSquare = 1024;

// Runs that come out too short are repeated this many times; the next too short one gives up.
inline constexpr int kRetryLimit = 10;

} // namespace measuring
