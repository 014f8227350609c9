#include "server/store/ResultViews.h"

#include <algorithm>
#include <set>

const model::LogHistogram* CohortFigures::figure(const model::TestId& id) const
{
    const auto found = tests.find(id.code());
    return found == tests.end() || found->second.empty() ? nullptr : &found->second;
}

const model::LogHistogram* CohortFigures::scores(int version) const
{
    const auto found = tests.find(-version);
    return found == tests.end() || found->second.empty() ? nullptr : &found->second;
}

double CohortFigures::medianScore(int version) const
{
    const model::LogHistogram* s = scores(version);
    return s ? s->quantile(0.5) : 0.0;
}

std::vector<model::TestId> testsWithFigures(const std::vector<const CohortFigures*>& cohorts)
{
    std::set<int> codes;
    for (const CohortFigures* c : cohorts) {
        for (const auto& [code, figure] : c->tests) {
            const auto id = code > 0 ? model::TestId::fromCode(code) : std::nullopt;
            if (id && id->hasFigures() && !figure.empty())
                codes.insert(code);
        }
    }
    std::vector<model::TestId> ids;
    for (int code : codes)
        ids.push_back(*model::TestId::fromCode(code));
    std::stable_sort(ids.begin(), ids.end(), [](const model::TestId& a, const model::TestId& b) {
        return model::displayOrder(a) < model::displayOrder(b);
    });
    return ids;
}

std::string driverTextOf(const StoredResult& result)
{
    std::string text;
    for (const LibraryVersion& l : result.driverLibraries)
        text += (text.empty() ? "" : "; ") + l.name + " " + l.version;
    return text;
}
