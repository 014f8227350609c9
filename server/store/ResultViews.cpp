#include "server/store/ResultViews.h"

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

std::string driverTextOf(const StoredResult& result)
{
    std::string text;
    for (const LibraryVersion& l : result.driverLibraries)
        text += (text.empty() ? "" : "; ") + l.name + " " + l.version;
    return text;
}
