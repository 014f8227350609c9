#include "server/pages/ComparePage.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/TestGroups.h"

namespace {

const Measurement* find(const StoredResult& r, const TestKey& key)
{
    for (const Measurement& m : r.measurements) {
        if (TestKey::of(m) == key)
            return &m;
    }
    return nullptr;
}

const CohortFigure* figure(const CompareEntry& e, const TestKey& key)
{
    for (const CohortFigure& f : e.cohort) {
        if (f.key == key)
            return &f;
    }
    return nullptr;
}

// Every test any of the results has, in the console's order of groups, then by size.
std::vector<TestKey> rowsOf(const ComparePageData& data)
{
    std::vector<TestKey> rows;
    std::set<TestKey> seen;
    for (const TestGroup& group : testGroups()) {
        for (const std::string& test : group.tests) {
            std::set<TestKey> keys;
            for (const CompareEntry& e : data.entries) {
                for (const Measurement& m : e.result.measurements) {
                    if (m.test == test && entersScore(m.unit))
                        keys.insert(TestKey::of(m));
                }
            }
            std::vector<TestKey> sorted(keys.begin(), keys.end());
            std::sort(sorted.begin(), sorted.end(), [](const TestKey& a, const TestKey& b) {
                return a.width < b.width;
            });
            for (const TestKey& k : sorted) {
                rows.push_back(k);
                seen.insert(k);
            }
        }
    }
    return rows;
}

std::string label(const TestKey& k)
{
    std::string text = k.test;
    if (k.width > 0)
        text += " " + std::to_string(k.width) + "x" + std::to_string(k.height);
    return text + (k.unit == "MiB_s" ? " MiB/s" : " Ops/s");
}

} // namespace

Change changeBeyondSpread(double first, double other, const CohortFigure* firstCohort)
{
    if (!firstCohort || firstCohort->count < 3)
        return Change::Unknown;
    const double spread = firstCohort->upper - firstCohort->lower;
    if (std::fabs(other - first) <= spread)
        return Change::None;
    return other > first ? Change::Faster : Change::Slower;
}

std::string comparePageHtml(const ComparePageData& data)
{
    std::string body = "<h1>Comparing " + std::to_string(data.entries.size()) + " results</h1>\n";
    body += "<p>Each rate with its ratio to the first result. <span class=\"up\">▲</span> and "
            "<span class=\"down\">▼</span> mark differences larger than the spread (between the "
            "quartiles) of the first result's card and driver; with fewer than three results of "
            "that card and driver nothing is marked.</p>\n";
    body += "<table><tr><th></th>";
    for (const CompareEntry& e : data.entries) {
        body += "<th><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(e.result.id) +
                "\">Result " + std::to_string(e.result.id) + "</a></th>";
    }
    body += "</tr>\n";
    auto infoRow = [&](const std::string& name, auto text) {
        body += "<tr><th>" + name + "</th>";
        for (const CompareEntry& e : data.entries)
            body += "<td>" + escapeHtml(orDash(text(e))) + "</td>";
        body += "</tr>\n";
    };
    infoRow("Graphics card", [](const CompareEntry& e) { return e.result.cardName; });
    infoRow("Driver", [](const CompareEntry& e) { return driverTextOf(e.result); });
    infoRow("Processor", [](const CompareEntry& e) { return e.result.cpuName; });
    infoRow("Operating system", [](const CompareEntry& e) { return e.result.osName + " " + e.result.osVersion; });
    infoRow("Display mode", [](const CompareEntry& e) {
        return std::to_string(e.result.displayWidth) + "x" + std::to_string(e.result.displayHeight) +
               " (" + std::to_string(e.result.bitsPerPixel) + " bpp)";
    });
    infoRow("Uploaded", [](const CompareEntry& e) { return formatDate(e.result.createdAt); });
    body += "<tr><th>Score</th>";
    for (const CompareEntry& e : data.entries)
        body += "<td class=\"n\">" + formatScore(e.score) + "</td>";
    body += "</tr>\n";

    for (const TestKey& key : rowsOf(data)) {
        body += "<tr><th>" + escapeHtml(label(key)) + "</th>";
        const Measurement* first = data.entries.empty() ? nullptr : find(data.entries[0].result, key);
        const CohortFigure* firstCohort = data.entries.empty() ? nullptr : figure(data.entries[0], key);
        for (std::size_t i = 0; i < data.entries.size(); ++i) {
            const Measurement* m = find(data.entries[i].result, key);
            if (!m) {
                body += "<td class=\"n\">–</td>";
                continue;
            }
            std::string text = formatFixed(m->value, 3);
            if (i > 0 && first && first->value > 0) {
                text += " <span class=\"note\">×" + formatFixed(m->value / first->value, 2) + "</span>";
                const Change change = changeBeyondSpread(first->value, m->value, firstCohort);
                if (change == Change::Faster)
                    text += " <span class=\"up\" title=\"faster beyond the spread\">▲</span>";
                else if (change == Change::Slower)
                    text += " <span class=\"down\" title=\"slower beyond the spread\">▼</span>";
            }
            body += "<td class=\"n\">" + text + "</td>";
        }
        body += "</tr>\n";
    }
    body += "</table>\n";
    return pageFrame("Compare results", body);
}

std::string comparePageJson(const ComparePageData& data)
{
    JsonWriter j;
    j.beginObject().key("results").beginArray();
    for (const CompareEntry& e : data.entries) {
        j.beginObject().field("id", e.result.id).field("cardName", e.result.cardName);
        j.field("driverText", driverTextOf(e.result)).field("processor", e.result.cpuName);
        j.field("createdAt", e.result.createdAt).field("score", e.score).endObject();
    }
    j.endArray().key("tests").beginArray();
    for (const TestKey& key : rowsOf(data)) {
        j.beginObject().field("test", key.test).field("width", key.width);
        j.field("height", key.height).field("unit", key.unit).key("values").beginArray();
        const Measurement* first = data.entries.empty() ? nullptr : find(data.entries[0].result, key);
        const CohortFigure* firstCohort = data.entries.empty() ? nullptr : figure(data.entries[0], key);
        for (const CompareEntry& e : data.entries) {
            const Measurement* m = find(e.result, key);
            if (!m) {
                j.null();
                continue;
            }
            j.beginObject().field("value", m->value);
            if (first && first->value > 0) {
                j.field("ratio", m->value / first->value);
                const Change c = changeBeyondSpread(first->value, m->value, firstCohort);
                j.field("change", c == Change::Faster ? "faster" : c == Change::Slower ? "slower"
                                                     : c == Change::None ? "none" : "unknown");
            }
            j.endObject();
        }
        j.endArray().endObject();
    }
    j.endArray().endObject();
    return j.text();
}
