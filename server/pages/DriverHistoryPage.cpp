#include "server/pages/DriverHistoryPage.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "server/model/Comparison.h"
#include "server/model/DriverVersion.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/VersionChart.h"

using model::TestId;

namespace {

// The figure of a version, and the rank test against its predecessor's (model::predecessorOf).
struct Step {
    const model::LogHistogram* figure = nullptr;
    std::optional<model::Shift> shift;
    double medianRatio = 0.0;  // to the predecessor's median, also where the test cannot judge
    model::Change change = model::Change::Unknown;
};

// Each version's predecessor in data.versions, by the rule every page follows.
std::vector<std::optional<std::size_t>> predecessorsOf(const DriverHistoryData& data)
{
    std::vector<model::DriverCohort> drivers;
    for (const DriverHistoryVersion& v : data.versions)
        drivers.push_back({model::driverVersionOf(v.figures.driverText), v.figures.cohortId, v.figures.counted});
    std::vector<std::optional<std::size_t>> predecessors;
    for (std::size_t i = 0; i < drivers.size(); ++i)
        predecessors.push_back(model::predecessorOf(drivers, i));
    return predecessors;
}

const model::LogHistogram* figureOf(const DriverHistoryData& data, const DriverHistoryVersion& v, int code)
{
    if (code == model::kScoreCode)
        return v.figures.scores(data.scoreVersion);
    const auto found = v.figures.tests.find(code);
    return found != v.figures.tests.end() && !found->second.empty() ? &found->second : nullptr;
}

// The steps of the score (kScoreCode) and of every test, each version against its predecessor,
// every comparison on the page judged together.
std::map<int, std::vector<Step>> stepsOf(const DriverHistoryData& data, const std::vector<TestId>& tests)
{
    const std::vector<std::optional<std::size_t>> predecessors = predecessorsOf(data);
    std::vector<int> codes{model::kScoreCode};
    for (const TestId& id : tests)
        codes.push_back(id.code());
    std::map<int, std::vector<Step>> steps;
    std::vector<Step*> compared;
    for (int code : codes) {
        std::vector<Step>& list = steps[code];
        for (const DriverHistoryVersion& v : data.versions) {
            Step step;
            step.figure = figureOf(data, v, code);
            list.push_back(step);
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const model::LogHistogram* earlier = predecessors[i] ? list[*predecessors[i]].figure : nullptr;
            if (!list[i].figure || !earlier)
                continue;
            list[i].shift = model::cohortShift(*earlier, *list[i].figure);
            list[i].medianRatio = list[i].figure->quantile(0.5) / earlier->quantile(0.5);
        }
    }
    std::vector<model::Evidence> evidence;
    for (auto& [code, list] : steps) {
        for (Step& step : list) {
            if (step.shift) {
                compared.push_back(&step);
                evidence.push_back(step.shift->evidence);
            }
        }
    }
    const std::vector<model::Change> changes = model::judgePage(evidence);
    for (std::size_t i = 0; i < compared.size(); ++i)
        compared[i]->change = changes[i];
    return steps;
}

std::string markHtml(const Step& step)
{
    if (!step.shift)
        return "";
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "×%.3f", step.shift->medianRatio);
    if (step.change == model::Change::Faster)
        return " <span class=\"up\" title=\"faster than the previous version beyond the noise\">▲ " +
               std::string(ratio) + "</span>";
    if (step.change == model::Change::Slower)
        return " <span class=\"down\" title=\"slower than the previous version beyond the noise\">▼ " +
               std::string(ratio) + "</span>";
    return "";
}

std::string figureCell(const Step& step)
{
    if (!step.figure)
        return "<td class=\"n\">–</td>";
    const model::Spread q = step.figure->spread();
    return "<td class=\"n\">" + formatFigure(q.median) + markHtml(step) + "<br><span class=\"note\">" +
           formatFigure(q.lower) + "–" + formatFigure(q.upper) + "</span></td>";
}

VersionSeries seriesOf(const std::string& name, const std::vector<Step>& steps)
{
    VersionSeries series{name, {}};
    for (const Step& step : steps) {
        VersionPoint p;
        if (step.figure) {
            const model::Spread q = step.figure->spread();
            p = VersionPoint{true, q.lower, q.median, q.upper};
        }
        series.points.push_back(p);
    }
    return series;
}

// The tests with figures any version measured, by the console's order.
std::vector<TestId> testsOf(const DriverHistoryData& data)
{
    std::vector<const CohortFigures*> cohorts;
    for (const DriverHistoryVersion& v : data.versions)
        cohorts.push_back(&v.figures);
    return testsWithFigures(cohorts);
}

std::string columnName(const TestId& id, model::GroupKind kind)
{
    if (kind == model::GroupKind::Sized)
        return std::to_string(id.size) + "x" + std::to_string(id.size);
    return id.label();
}

std::string modeQuery(const model::CohortKey& mode)
{
    return "system=" + model::nameOf(mode.system) + "&mode=" + std::to_string(mode.width) + "x" +
           std::to_string(mode.height) + "x" + std::to_string(mode.bitsPerPixel);
}

std::string versionCell(const DriverHistoryVersion& v)
{
    return "<td><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(v.figures.newestResultId) + "\">" +
           escapeHtml(orDash(v.figures.driverText)) + "</a></td>";
}

} // namespace

std::string driverHistoryPath(int32_t graphicsCardId, const model::CohortKey& mode)
{
    return std::string(kSiteBase) + "Card/" + std::to_string(graphicsCardId) + "/Drivers?" + modeQuery(mode);
}

std::string driverHistoryPageHtml(const DriverHistoryData& data)
{
    const std::string card = orDash(data.cardName);
    std::string body = "<h1>" + escapeHtml(card) + ": driver history</h1>\n<p>" + escapeHtml(data.mode.modeText()) +
                       ". Every driver version of this card measured in this graphics system and display mode, "
                       "oldest version first (versions compared number by number, equal versions by their first "
                       "upload). <a href=\"" + std::string(kSiteBase) + "Card/" + std::to_string(data.graphicsCardId) +
                       "\">The card's page</a>.</p>\n";
    if (data.modes.size() > 1) {
        body += "<p>Other graphics systems and display modes of this card: ";
        bool first = true;
        for (const DriverHistoryMode& m : data.modes) {
            if (m.key.sameSystemAndMode(data.mode))
                continue;
            body += std::string(first ? "" : "; ") + "<a href=\"" + escapeHtml(driverHistoryPath(data.graphicsCardId, m.key)) +
                    "\">" + escapeHtml(m.key.modeText()) + "</a> (" + countOf(m.drivers, "driver", "drivers") + ", " +
                    countOf(m.resultCount, "result", "results") + ")";
            first = false;
        }
        body += ".</p>\n";
    }
    body += "<p class=\"note\">Medians and quartiles are of each version's counted results (outliers and imported "
            "results are not counted), read from binned counts within 0.5 % of the exact figures. "
            "Each version is set against its predecessor (the “against” column): the newest older release "
            "of the same vendor, as the vendor numbers its releases, so one release built for two driver "
            "models is one version, and another vendor's driver (such as Microsoft's basic display driver) "
            "is never set against this card's vendor's. <span class=\"up\">▲</span> faster and "
            "<span class=\"down\">▼</span> slower (× the ratio of their medians) are marked only where the "
            "Mann-Whitney rank test, every comparison of this page judged together (Benjamini-Hochberg at 5 %), "
            "puts the difference beyond the noise and the ratio is larger than both cohorts' typical ratio "
            "between two of their own results and than ×1.03 (at least 5 counted results each); nothing is "
            "marked otherwise.</p>\n";

    const std::vector<TestId> tests = testsOf(data);
    const std::map<int, std::vector<Step>> allSteps = stepsOf(data, tests);
    const std::vector<Step>& scores = allSteps.at(model::kScoreCode);
    const std::vector<std::optional<std::size_t>> predecessors = predecessorsOf(data);
    body += "<h2>Score</h2>\n<div class=\"scroll\"><table class=\"history\"><caption>Score by driver version "
            "(score version " + std::to_string(data.scoreVersion) +
            ")</caption>\n<tr><th class=\"n\">#</th><th>Driver</th><th>First upload</th><th>Newest upload</th>"
            "<th>Release</th><th class=\"n\">Against</th>"
            "<th class=\"n\">Results</th><th class=\"n\">Counted</th><th class=\"n\">Median score<br>"
            "<span class=\"note\">quartiles</span></th></tr>\n";
    for (std::size_t i = 0; i < data.versions.size(); ++i) {
        const DriverHistoryVersion& v = data.versions[i];
        const model::DriverVersion version = model::driverVersionOf(v.figures.driverText);
        body += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td>" + versionCell(v) + "<td>" +
                escapeHtml((version.vendor == model::DriverVendor::Other ? std::string() : std::string(model::nameOf(version.vendor)) + " ") +
                           version.release) + "</td><td class=\"n\">" +
                (predecessors[i] ? "#" + std::to_string(*predecessors[i] + 1) : std::string("–")) + "</td><td>" +
                formatDate(v.firstUploadAt) + "</td><td>" + formatDate(v.lastUploadAt) + "</td><td class=\"n\">" +
                std::to_string(v.figures.resultCount) + "</td><td class=\"n\">" + std::to_string(v.figures.counted) +
                "</td>" + figureCell(scores[i]) + "</tr>\n";
    }
    body += "</table></div>\n" + versionChart(card + ": median score and quartiles by driver version", "score",
                                             {seriesOf("score", scores)});
    if (data.versions.size() >= 2) {
        const auto picker = [&](const char* name, const char* label, std::size_t chosen) {
            std::string html = std::string("<label>") + label + " <select name=\"" + name + "\">";
            for (std::size_t i = 0; i < data.versions.size(); ++i)
                html += "<option value=\"" + std::to_string(data.versions[i].figures.cohortId) + "\"" +
                        (i == chosen ? " selected" : "") + ">" + std::to_string(i + 1) + ": " +
                        escapeHtml(orDash(data.versions[i].figures.driverText)) + "</option>";
            return html + "</select></label> ";
        };
        body += "<form method=\"get\" action=\"" + std::string(kSiteBase) +
                "Cohorts\" aria-label=\"Compare two driver versions\"><p>Compare two drivers test by test: " +
                picker("first", "this one", data.versions.size() - 2) +
                picker("second", "against", data.versions.size() - 1) +
                "<button type=\"submit\">Compare</button></p></form>\n";
    }

    for (const model::TestGroup& group : model::testGroups()) {
        std::vector<TestId> columns;
        for (const TestId& id : tests) {
            if (std::find(group.tests.begin(), group.tests.end(), id.test) != group.tests.end())
                columns.push_back(id);
        }
        if (columns.empty())
            continue;
        std::string unit;
        std::vector<std::vector<Step>> steps;
        std::vector<VersionSeries> series;
        for (const TestId& id : columns) {
            steps.push_back(allSteps.at(id.code()));
            series.push_back(seriesOf(columnName(id, group.kind), steps.back()));
            const std::string u = id.unitName();
            const std::string shown = u.substr(0, u.size() - 2) + "/s";
            if (unit.find(shown) == std::string::npos)
                unit += (unit.empty() ? "" : ", ") + shown;
        }
        body += "<h2>" + escapeHtml(group.title) + "</h2>\n<div class=\"scroll\"><table class=\"history\"><caption>" +
                escapeHtml(group.title) + " (" + unit + ") by driver version: median, quartiles below</caption>\n"
                "<tr><th class=\"n\">#</th><th>Driver</th>";
        for (const TestId& id : columns)
            body += "<th class=\"n\">" + escapeHtml(columnName(id, group.kind)) + "</th>";
        body += "</tr>\n";
        for (std::size_t i = 0; i < data.versions.size(); ++i) {
            body += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td>" + versionCell(data.versions[i]);
            for (const std::vector<Step>& s : steps)
                body += figureCell(s[i]);
            body += "</tr>\n";
        }
        body += "</table></div>\n" + versionChart(card + ": " + group.title + " by driver version", unit, series);
    }
    return pageFrame(card + " – driver history, " + data.mode.modeText(), body);
}

namespace {

void writeStep(JsonWriter& j, const Step& step)
{
    if (!step.figure) {
        j.null();
        return;
    }
    const model::Spread q = step.figure->spread();
    j.beginObject()
        .field("median", q.median)
        .field("lower", q.lower)
        .field("upper", q.upper)
        .field("count", static_cast<int64_t>(step.figure->count()));
    if (step.shift) {
        j.key("againstPrevious")
            .beginObject()
            .field("change", model::nameOf(step.change));
        if (!step.shift->evidence.judged) {
            j.key("z").null();
            j.key("p").null();
        } else {
            j.field("z", step.shift->z);
            j.field("p", step.shift->evidence.pValue);
        }
        j.field("medianRatio", step.medianRatio).endObject();
    } else {
        j.key("againstPrevious").null();
    }
    j.endObject();
}

} // namespace

std::string driverHistoryPageJson(const DriverHistoryData& data)
{
    JsonWriter j;
    j.beginObject()
        .field("graphicsCardId", data.graphicsCardId)
        .field("cardName", data.cardName)
        .field("scoreVersion", static_cast<int64_t>(data.scoreVersion))
        .field("graphicsSystem", model::nameOf(data.mode.system))
        .field("width", data.mode.width)
        .field("height", data.mode.height)
        .field("bitsPerPixel", data.mode.bitsPerPixel);
    j.key("modes").beginArray();
    for (const DriverHistoryMode& m : data.modes) {
        j.beginObject()
            .field("graphicsSystem", model::nameOf(m.key.system))
            .field("width", m.key.width)
            .field("height", m.key.height)
            .field("bitsPerPixel", m.key.bitsPerPixel)
            .field("drivers", m.drivers)
            .field("results", static_cast<int64_t>(m.resultCount))
            .field("address", driverHistoryPath(data.graphicsCardId, m.key))
            .endObject();
    }
    j.endArray();
    const std::vector<TestId> tests = testsOf(data);
    const std::map<int, std::vector<Step>> allSteps = stepsOf(data, tests);
    const std::vector<Step>& scores = allSteps.at(model::kScoreCode);
    const std::vector<std::optional<std::size_t>> predecessors = predecessorsOf(data);
    std::vector<std::vector<Step>> steps;
    for (const TestId& id : tests)
        steps.push_back(allSteps.at(id.code()));
    j.key("versions").beginArray();
    for (std::size_t i = 0; i < data.versions.size(); ++i) {
        const DriverHistoryVersion& v = data.versions[i];
        j.beginObject()
            .field("cohortId", v.figures.cohortId)
            .field("driver", v.figures.driverText)
            .field("firstUploadAt", static_cast<int64_t>(v.firstUploadAt))
            .field("lastUploadAt", static_cast<int64_t>(v.lastUploadAt))
            .field("results", static_cast<int64_t>(v.figures.resultCount))
            .field("counted", static_cast<int64_t>(v.figures.counted))
            .field("newestResultId", v.figures.newestResultId);
        const model::DriverVersion version = model::driverVersionOf(v.figures.driverText);
        j.field("vendor", model::nameOf(version.vendor)).field("release", version.release);
        if (predecessors[i])
            j.field("predecessor", data.versions[*predecessors[i]].figures.cohortId);
        else
            j.key("predecessor").null();
        j.key("score");
        writeStep(j, scores[i]);
        j.key("tests").beginObject();
        for (std::size_t t = 0; t < tests.size(); ++t) {
            if (!steps[t][i].figure)
                continue;
            j.key(tests[t].fieldName());
            writeStep(j, steps[t][i]);
        }
        j.endObject().endObject();
    }
    j.endArray().endObject();
    return j.text();
}
