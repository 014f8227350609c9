#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The command line of the reference drawing loop (korvid_reference.exe), and the one result
// line it prints. Kept free of the platform so that the parsing and the arithmetic are tested
// like the rest of the portable code.
//
//   korvid_reference <d2d|gdi> <fill|blit> <size> <count> [--warmup N] [--no-pin]
//
// prints, on success, exactly one line such as
//   REFERENCE backend=d2d op=fill size=256 count=1000 seconds=3.712345 ops_per_s=269.372
struct ReferenceOptions {
    enum class BackEnd { Direct2D, GDI };
    enum class Operation { FillRect, BltBitMap };

    BackEnd backEnd = BackEnd::Direct2D;
    Operation operation = Operation::FillRect;
    int32_t size = 0;   // squares of size × size pixels
    int32_t count = 0;  // operations in the timed loop
    // Untimed operations of the same kind before the timed loop. The program under comparison
    // has drawn the smaller sizes before it reaches a size, so whatever the graphics system
    // sets up on first use is behind it; the reference gets the same start.
    int32_t warmup = 16;
    // The benchmark pins its thread to the first processor and raises its priorities while it
    // measures; the reference does the same unless told not to (to see what pinning costs).
    bool pinToFirstProcessor = true;
};

// Throws a std::string naming what is wrong, followed by the usage text.
ReferenceOptions parseReferenceOptions(const std::vector<std::string>& arguments);

std::string referenceUsage();

// count / seconds; 0 when no time was measured (a loop too short for the clock).
double operationsPerSecond(int32_t count, double seconds);

// The result line, without the line end: backend and op names as on the command line, the
// seconds with 6 decimals, ops/s with 3 decimals.
std::string referenceResultLine(const ReferenceOptions& options, double seconds);
