#include "server/pages/CohortComparePage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "server/model/Comparison.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"

using model::TestId;

namespace {

struct Row {
    std::string label;
    std::string field;  // the JSON key
    const model::LogHistogram* first = nullptr;
    const model::LogHistogram* second = nullptr;
};

std::vector<Row> rowsOf(const CohortComparisonData& data)
{
    std::vector<Row> rows{{"Score", "score", data.first.scores(data.scoreVersion), data.second.scores(data.scoreVersion)}};
    for (const TestId& id : testsWithFigures({&data.first, &data.second}))
        rows.push_back({id.label(), id.fieldName(), data.first.figure(id), data.second.figure(id)});
    for (Row& row : rows) {
        if (row.first && row.first->empty()) row.first = nullptr;
        if (row.second && row.second->empty()) row.second = nullptr;
    }
    return rows;
}

// Each row's rank test, and its mark judged with every other row of the page.
struct Judged {
    model::Shift shift;
    model::Change change = model::Change::Unknown;
};
std::vector<Judged> judgedRows(const std::vector<Row>& rows)
{
    std::vector<Judged> judged(rows.size());
    std::vector<model::Evidence> evidence;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].first && rows[i].second)
            judged[i].shift = model::cohortShift(*rows[i].first, *rows[i].second);
        evidence.push_back(judged[i].shift.evidence);
    }
    const std::vector<model::Change> changes = model::judgePage(evidence);
    for (std::size_t i = 0; i < rows.size(); ++i)
        judged[i].change = changes[i];
    return judged;
}

// The second's median over the first's, also where the rank test has too few results to judge.
double medianRatio(const Row& row)
{
    return row.second->quantile(0.5) / row.first->quantile(0.5);
}

std::string spreadCell(const model::LogHistogram* h)
{
    if (!h)
        return "<td class=\"n\">–</td>";
    const model::Spread q = h->spread();
    return "<td class=\"n\">" + formatFigure(q.median) + "<br><span class=\"note\">" + formatFigure(q.lower) + "–" +
           formatFigure(q.upper) + " (" + std::to_string(h->count()) + ")</span></td>";
}

std::string cohortName(const CohortFigures& c)
{
    return orDash(c.cardName) + ", " + orDash(c.driverText) + ", " + c.key.modeText();
}

} // namespace

std::string cohortComparePageHtml(const CohortComparisonData& data)
{
    const std::string a = cohortName(data.first), b = cohortName(data.second);
    std::string body = "<h1>Cohort against cohort</h1>\n<p><b>First:</b> " + escapeHtml(a) + " (" +
                       std::to_string(data.first.counted) + " counted of " + std::to_string(data.first.resultCount) +
                       ").<br><b>Second:</b> " + escapeHtml(b) + " (" + std::to_string(data.second.counted) +
                       " counted of " + std::to_string(data.second.resultCount) + ").</p>\n";
    body += "<p class=\"note\">Medians and quartiles of each cohort's counted results (their number in brackets), "
            "from 1 % bins. The second is marked <span class=\"up\">▲</span> faster or <span class=\"down\">▼"
            "</span> slower than the first only where the Mann-Whitney rank test, judged over every row of this "
            "page together (Benjamini-Hochberg at 5 %), puts the difference beyond the noise, and the ratio of "
            "the medians is larger than both cohorts' typical ratio between two of their own results and than "
            "×1.03 (at least 5 counted results each). This address is permanent: "
            "<a href=\"" + std::string(kSiteBase) + "Cohorts/" + std::to_string(data.first.cohortId) + "," +
            std::to_string(data.second.cohortId) + "\">Cohorts/" + std::to_string(data.first.cohortId) + "," +
            std::to_string(data.second.cohortId) + "</a>.</p>\n";
    body += "<div class=\"scroll\"><table class=\"history\"><caption>Test by test</caption><tr><th>Test</th>"
            "<th class=\"n\">First</th><th class=\"n\">Second</th><th class=\"n\">Second / first</th>"
            "<th class=\"n\">z</th><th>Change</th></tr>\n";
    const std::vector<Row> rows = rowsOf(data);
    const std::vector<Judged> judged = judgedRows(rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        body += "<tr><td>" + escapeHtml(row.label) + "</td>" + spreadCell(row.first) + spreadCell(row.second);
        if (row.first && row.second) {
            const model::Shift& shift = judged[r].shift;
            const model::Change change = judged[r].change;
            char ratio[32], z[32];
            std::snprintf(ratio, sizeof ratio, "×%.3f", medianRatio(row));
            std::snprintf(z, sizeof z, "%.2f", shift.z);
            body += "<td class=\"n\">" + std::string(ratio) + "</td><td class=\"n\">" +
                    (change == model::Change::Unknown ? std::string("–") : std::string(z)) + "</td><td>" +
                    (change == model::Change::Faster   ? "<span class=\"up\">▲ faster</span>"
                     : change == model::Change::Slower ? "<span class=\"down\">▼ slower</span>"
                     : change == model::Change::None   ? "within the noise"
                                                       : "too few results") +
                    "</td></tr>\n";
        } else {
            body += "<td class=\"n\">–</td><td class=\"n\">–</td><td>not measured by both</td></tr>\n";
        }
    }
    body += "</table></div>\n";
    const bool oneCard = data.first.cardName == data.second.cardName;
    return pageFrame(orDash(data.first.cardName) + " – " + orDash(data.first.driverText) + " against " +
                         (oneCard ? "" : orDash(data.second.cardName) + " – ") + orDash(data.second.driverText),
                     body);
}

std::string cohortComparePageJson(const CohortComparisonData& data)
{
    JsonWriter j;
    j.beginObject().field("scoreVersion", static_cast<int64_t>(data.scoreVersion));
    for (const auto& [name, c] : {std::make_pair("first", &data.first), std::make_pair("second", &data.second)}) {
        j.key(name).beginObject().field("cohortId", c->cohortId).field("cardName", c->cardName);
        j.field("driver", c->driverText).field("graphicsSystem", model::nameOf(c->key.system));
        j.field("width", c->key.width).field("height", c->key.height).field("bitsPerPixel", c->key.bitsPerPixel);
        j.field("results", static_cast<int64_t>(c->resultCount)).field("counted", static_cast<int64_t>(c->counted));
        j.endObject();
    }
    j.key("tests").beginObject();
    const std::vector<Row> rows = rowsOf(data);
    const std::vector<Judged> judged = judgedRows(rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if (!row.first || !row.second)
            continue;
        const model::Shift& shift = judged[r].shift;
        j.key(row.field).beginObject();
        j.field("firstMedian", row.first->quantile(0.5)).field("secondMedian", row.second->quantile(0.5));
        j.field("change", model::nameOf(judged[r].change));
        if (!shift.evidence.judged) {
            j.key("z").null();
            j.key("p").null();
        } else {
            j.field("z", shift.z);
            j.field("p", shift.evidence.pValue);
            j.field("minimumRatio", std::exp(shift.evidence.minimumEffect));
        }
        j.field("medianRatio", medianRatio(row));
        for (const auto& [name, figure] : {std::make_pair("first", row.first), std::make_pair("second", row.second)}) {
            const model::Spread q = figure->spread();
            j.key(name).beginObject().field("lower", q.lower).field("median", q.median).field("upper", q.upper);
            j.field("count", static_cast<int64_t>(figure->count())).endObject();
        }
        j.endObject();
    }
    j.endObject().endObject();
    return j.text();
}
