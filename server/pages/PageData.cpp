#include "server/pages/PageData.h"

#include <tuple>

bool TestKey::operator<(const TestKey& o) const
{
    return std::tie(test, width, height, unit) < std::tie(o.test, o.width, o.height, o.unit);
}

bool TestKey::operator==(const TestKey& o) const
{
    return test == o.test && width == o.width && height == o.height && unit == o.unit;
}

const CohortFigure* DriverCohort::figure(const TestKey& key) const
{
    for (const CohortFigure& f : figures) {
        if (f.key == key)
            return &f;
    }
    return nullptr;
}

const DriverCohort* ResultPageData::ownCohort() const
{
    for (const DriverCohort& cohort : driverCohorts) {
        if (cohort.driverKey == result.driverKey)
            return &cohort;
    }
    return nullptr;
}

std::string driverTextOf(const StoredResult& result)
{
    std::string text;
    for (const LibraryVersion& l : result.driverLibraries) {
        if (!text.empty())
            text += "; ";
        text += l.name + " " + l.version;
    }
    return text;
}
