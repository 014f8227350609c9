#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/model/Rate.h"

// The score of a result (docs/scores.md, "The score"): 1000 times the geometric mean of its
// rates on the core tests divided by a reference result's rates on the same tests. It depends
// on nothing but the result and the reference, so it is worked out once, when the result
// arrives, and no later upload moves it.
namespace model {

// The tests every complete default run produces whatever its display mode and graphics system:
// both pixel-array transfers (MiB/s), FillRect and BltBitMap at 16, 32, 64 and 128 pixels
// (Ops/s), and the random mix (Ops/s). The 128-pixel square fits every display mode down to
// 320x240; OverlappedBltBitMap, Composite and CompositeSrcMask are left out because a graphics
// system may report them as not supported, and larger squares because small displays never
// draw them.
const std::vector<TestId>& coreTests();

// The result a score version rates against: its rates on the core tests score exactly 1000.
struct ScoreReference {
    int version = 0;
    std::string label;  // what the reference result was, for the pages
    Rates rates;        // one positive rate for each core test
};

// Version 1: the Direct2D run of tests/server/import/d2d-run.upload.xml (an NVIDIA GeForce
// GTX 470 under Wine at 320x240, 32 bpp).
const ScoreReference& builtInReference();

// A reference made of a result's rates; nothing when it lacks a core test or a rate of one is
// not positive.
std::optional<ScoreReference> referenceFrom(const Rates& rates, int version, const std::string& label);

struct ScoreOutcome {
    std::optional<double> score;   // nothing when a core test is missing
    std::vector<TestId> missing;   // the core tests the result lacks (or that gave up: rate 0)
    // Why there is no score, for the pages: "no score: FillRect 128x128 Ops/s and Random Ops/s
    // were not measured"; empty when there is one.
    std::string reason() const;
};

ScoreOutcome scoreOf(const Rates& rates, const ScoreReference& reference);

} // namespace model
