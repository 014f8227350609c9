#include "server/pages/TestGroups.h"

const std::vector<TestGroup>& testGroups()
{
    static const std::vector<TestGroup> groups = {
        {"Pixel-array transfers", {"WritePixelArray", "ReadPixelArray"}, GroupKind::Transfer},
        {"FillRect", {"FillRect"}, GroupKind::Sized},
        {"BltBitMap", {"BlitRect"}, GroupKind::Sized},
        {"OverlappedBltBitMap", {"OverlappedBlitRect"}, GroupKind::Sized},
        {"Composite", {"Composite"}, GroupKind::Sized},
        {"CompositeSrcMask", {"CompositeSrcMask"}, GroupKind::Sized},
        {"Random", {"Random"}, GroupKind::Random},
    };
    return groups;
}

bool entersScore(const std::string& unit)
{
    return unit == "Ops_s" || unit == "MiB_s";
}

std::vector<stats::ScoreTerm> scoreTerms(const std::vector<Measurement>& measurements,
                                         const std::map<TestKey, double>& references)
{
    std::vector<stats::ScoreTerm> terms;
    for (const Measurement& m : measurements) {
        if (!entersScore(m.unit))
            continue;
        const auto reference = references.find(TestKey::of(m));
        if (reference != references.end())
            terms.push_back({m.value, reference->second});
    }
    return terms;
}
