#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which figure a rate is: one of the benchmark's tests, at one square size (or none), in one
// unit. Every test a run can produce has a small integer code, so that a stored result keeps
// its rates as (code, value) pairs instead of repeating names, and figures are keyed by it.
namespace model {

enum class Test : uint8_t {
    WritePixelArray,
    ReadPixelArray,
    FillRect,
    BlitRect,
    OverlappedBlitRect,
    Composite,
    CompositeSrcMask,
    Random,
};
constexpr int kTestCount = 8;

enum class Unit : uint8_t { Ops, MP, MiB };

struct TestId {
    Test test = Test::FillRect;
    int32_t size = 0;  // square side in pixels: 16 << k for k = 0..6, or 0 for an unsized test
    Unit unit = Unit::Ops;

    // test * 32 + size step * 4 + unit, size step 0 for no size and 1..7 for 16..1024:
    // 1 to 254, never 0 (0 is kept for the score in figure tables).
    int code() const;
    static std::optional<TestId> fromCode(int code);
    // From the parts of a result field name ("FillRect", 64, 64, "Ops_s"); nothing for a test,
    // size or unit a run cannot produce (another program's fields are kept as plain fields).
    static std::optional<TestId> of(const std::string& test, int32_t width, int32_t height,
                                    const std::string& unit);

    std::string testName() const;  // "BlitRect", as in the field name
    // "BltBitMap": the name the console heads the test's table with, which every page shows
    // (the field names of two tests differ from it).
    std::string displayName() const;
    std::string unitName() const;  // "Ops_s", "MP_s" or "MiB_s"
    std::string fieldName() const; // "FillRect_64x64_Ops_s"
    std::string label() const;     // "BltBitMap 64x64 Ops/s"

    // Whether the figure is kept for cohorts: every rate but a sized test's MP/s, which is its
    // Ops/s times the square's pixels and would only repeat it.
    bool hasFigures() const;
    // The rate that stands for this test and size in comparisons: Ops/s, or MiB/s for the
    // transfers (the random mix's MP/s is kept too: its pixels per operation vary).
    bool isPrimary() const { return hasFigures(); }

    bool operator==(const TestId& o) const { return code() == o.code(); }
    bool operator!=(const TestId& o) const { return code() != o.code(); }
    bool operator<(const TestId& o) const { return code() < o.code(); }
};

// The code kept for a result's score in figure tables.
constexpr int kScoreCode = 0;

// The order the console prints the groups in, and their titles.
enum class GroupKind { Transfer, Sized, Random };
struct TestGroup {
    std::string title;            // "BltBitMap"
    std::vector<Test> tests;      // BlitRect
    GroupKind kind;
};
const std::vector<TestGroup>& testGroups();

// Position of a test in the console's order, for sorting rows.
int displayOrder(const TestId& id);

} // namespace model
