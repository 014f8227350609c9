#include "server/model/TestId.h"

namespace model {

namespace {

const char* const kTestNames[kTestCount] = {
    "WritePixelArray", "ReadPixelArray", "FillRect", "BlitRect",
    "OverlappedBlitRect", "Composite", "CompositeSrcMask", "Random",
};

bool isSized(Test test)
{
    return test != Test::WritePixelArray && test != Test::ReadPixelArray && test != Test::Random;
}

int sizeStep(int32_t size)
{
    if (size == 0)
        return 0;
    for (int step = 1; step <= 7; ++step) {
        if (size == (8 << step))
            return step;
    }
    return -1;
}

} // namespace

int TestId::code() const
{
    return static_cast<int>(test) * 32 + sizeStep(size) * 4 + static_cast<int>(unit);
}

std::optional<TestId> TestId::fromCode(int code)
{
    if (code <= 0 || code >= kTestCount * 32)
        return std::nullopt;
    const int test = code / 32, step = (code % 32) / 4, unit = code % 4;
    if (unit > 2)
        return std::nullopt;
    const TestId id{static_cast<Test>(test), step == 0 ? 0 : (8 << step), static_cast<Unit>(unit)};
    const auto back = of(id.testName(), id.size, id.size, id.unitName());
    if (!back || back->code() != code)
        return std::nullopt;
    return id;
}

std::optional<TestId> TestId::of(const std::string& test, int32_t width, int32_t height,
                                 const std::string& unit)
{
    int index = -1;
    for (int i = 0; i < kTestCount; ++i) {
        if (test == kTestNames[i])
            index = i;
    }
    if (index < 0 || width != height || sizeStep(width) < 0)
        return std::nullopt;
    const Test t = static_cast<Test>(index);
    const bool transfer = t == Test::WritePixelArray || t == Test::ReadPixelArray;
    Unit u;
    if (unit == "Ops_s" && !transfer)
        u = Unit::Ops;
    else if (unit == "MP_s" && !transfer)
        u = Unit::MP;
    else if (unit == "MiB_s" && transfer)
        u = Unit::MiB;
    else
        return std::nullopt;
    if (isSized(t) != (width > 0))
        return std::nullopt;
    return TestId{t, width, u};
}

std::string TestId::testName() const
{
    return kTestNames[static_cast<int>(test)];
}

std::string TestId::displayName() const
{
    switch (test) {
    case Test::BlitRect: return "BltBitMap";
    case Test::OverlappedBlitRect: return "OverlappedBltBitMap";
    default: return testName();
    }
}

std::string TestId::unitName() const
{
    return unit == Unit::Ops ? "Ops_s" : unit == Unit::MP ? "MP_s" : "MiB_s";
}

std::string TestId::fieldName() const
{
    const std::string sized = size > 0 ? "_" + std::to_string(size) + "x" + std::to_string(size) : "";
    return testName() + sized + "_" + unitName();
}

std::string TestId::label() const
{
    const std::string sized = size > 0 ? " " + std::to_string(size) + "x" + std::to_string(size) : "";
    return displayName() + sized + (unit == Unit::Ops ? " Ops/s" : unit == Unit::MP ? " MPixel/s" : " MiB/s");
}

bool TestId::hasFigures() const
{
    return !(unit == Unit::MP && size > 0);
}

const std::vector<TestGroup>& testGroups()
{
    static const std::vector<TestGroup> groups = {
        {"Pixel-array transfers", {Test::WritePixelArray, Test::ReadPixelArray}, GroupKind::Transfer},
        {"FillRect", {Test::FillRect}, GroupKind::Sized},
        {"BltBitMap", {Test::BlitRect}, GroupKind::Sized},
        {"OverlappedBltBitMap", {Test::OverlappedBlitRect}, GroupKind::Sized},
        {"Composite", {Test::Composite}, GroupKind::Sized},
        {"CompositeSrcMask", {Test::CompositeSrcMask}, GroupKind::Sized},
        {"Random", {Test::Random}, GroupKind::Random},
    };
    return groups;
}

int displayOrder(const TestId& id)
{
    // The enumeration follows the console's order already; then size, then unit.
    return static_cast<int>(id.test) * 10000 + id.size * 4 + static_cast<int>(id.unit);
}

} // namespace model
