#include "server/pages/ComparePage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "server/pages/Html.h"
#include "server/pages/MachineText.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/ResultPage.h"

using model::TestId;

namespace {

// Every rate with figures that any of the results has, in the console's order.
std::vector<TestId> rowsOf(const ComparePageData& data)
{
    std::set<TestId> keys;
    for (const CompareEntry& e : data.entries) {
        for (const model::Rate& rate : e.result.rates) {
            if (rate.id.isPrimary())
                keys.insert(rate.id);
        }
    }
    std::vector<TestId> rows(keys.begin(), keys.end());
    std::sort(rows.begin(), rows.end(),
              [](const TestId& a, const TestId& b) { return model::displayOrder(a) < model::displayOrder(b); });
    return rows;
}

std::string clockText(const StoredResult& r)
{
    return frequencyText(machineField(r, "ProcessorClockSpeed"));
}

std::string memoryText(const StoredResult& r)
{
    return sizeText(machineField(r, "RAMSize"));
}

const model::LogHistogram* cohortOf(const ComparePageData& data, const TestId& id)
{
    if (data.entries.empty() || !data.entries[0].cohort)
        return nullptr;
    return data.entries[0].cohort->figure(id);
}

// The smallest change a row may mark, as a factor ("×1.06"); 0 when its cohort is too small.
double minimumFactor(const ComparePageData& data, const TestId& id)
{
    const model::LogHistogram* f = cohortOf(data, id);
    if (!f || f->count() < model::kNoiseMinimum)
        return 0.0;
    return std::exp(model::smallestMarkedChange(*f));
}

// Every rate of every result against the first's, judged together as one page: marks[row][i]
// for result i (the first's own is Unknown).
std::vector<std::vector<model::Change>> marksOf(const ComparePageData& data, const std::vector<TestId>& rows)
{
    std::vector<model::Evidence> evidence;
    for (const TestId& id : rows) {
        const model::Rate* first = data.entries.empty() ? nullptr : model::findRate(data.entries[0].result.rates, id);
        const model::LogHistogram* cohort = cohortOf(data, id);
        for (std::size_t i = 1; i < data.entries.size(); ++i) {
            const model::Rate* m = model::findRate(data.entries[i].result.rates, id);
            evidence.push_back(first && m && cohort ? model::pairEvidence(*cohort, first->value, m->value)
                                                    : model::Evidence{});
        }
    }
    const std::vector<model::Change> judged = model::judgePage(evidence);
    std::vector<std::vector<model::Change>> marks;
    std::size_t next = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        marks.emplace_back(data.entries.size(), model::Change::Unknown);
        for (std::size_t i = 1; i < data.entries.size(); ++i)
            marks.back()[i] = judged[next++];
    }
    return marks;
}

} // namespace

std::string comparePageHtml(const ComparePageData& data)
{
    std::string body = "<h1>Comparing " + std::to_string(data.entries.size()) + " results</h1>\n";
    body += "<p>Each rate with its ratio to the first result. <span class=\"up\">▲</span> and "
            "<span class=\"down\">▼</span> mark a ratio that the first result's cohort makes unlikely "
            "as noise, judged over the whole page (Benjamini-Hochberg at 5 %: two results of one cohort "
            "show any mark on at most 1 page in 20), and only when it is larger than the “noise” column: "
            "the typical ratio between two of that cohort's counted results, and never less than ×1.03. "
            "With fewer than " + std::to_string(model::kNoiseMinimum) + " counted results in that cohort "
            "nothing is marked. To compare one driver with another, the result page compares their "
            "cohorts.</p>\n";
    body += "<div class=\"scroll\"><table><caption>Each result's rates, with their ratio to the first result's"
            "</caption><tr><th></th>";
    for (const CompareEntry& e : data.entries) {
        body += "<th><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(e.result.id) +
                "\">Result " + std::to_string(e.result.id) + "</a></th>";
    }
    body += "<th class=\"n\">noise</th></tr>\n";
    auto infoRow = [&](const std::string& name, auto text) {
        body += "<tr><th>" + name + "</th>";
        for (const CompareEntry& e : data.entries)
            body += "<td>" + escapeHtml(orDash(text(e))) + "</td>";
        body += "<td></td></tr>\n";
    };
    infoRow("Graphics card", [](const CompareEntry& e) { return e.result.cardName; });
    infoRow("Driver", [](const CompareEntry& e) { return driverTextOf(e.result); });
    infoRow("Graphics system", [](const CompareEntry& e) { return model::nameOf(e.result.graphicsSystem); });
    infoRow("Processor", [](const CompareEntry& e) { return e.result.cpuName; });
    infoRow("Processor clock", [](const CompareEntry& e) { return clockText(e.result); });
    infoRow("Memory", [](const CompareEntry& e) { return memoryText(e.result); });
    infoRow("Operating system", [](const CompareEntry& e) { return e.result.osName + " " + e.result.osVersion; });
    infoRow("Display mode", [](const CompareEntry& e) { return modeText(e.result); });
    infoRow("Uploaded", [](const CompareEntry& e) { return formatDate(e.result.createdAt); });
    body += "<tr><th>Score</th>";
    for (const CompareEntry& e : data.entries)
        body += "<td class=\"n\">" + formatScore(e.score ? *e.score : 0.0) + "</td>";
    body += "<td></td></tr>\n";

    const std::vector<TestId> rows = rowsOf(data);
    const std::vector<std::vector<model::Change>> marks = marksOf(data, rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TestId& id = rows[r];
        body += "<tr><th>" + escapeHtml(id.label()) + "</th>";
        const model::Rate* first = data.entries.empty() ? nullptr : model::findRate(data.entries[0].result.rates, id);
        const double noise = minimumFactor(data, id);
        for (std::size_t i = 0; i < data.entries.size(); ++i) {
            const model::Rate* m = model::findRate(data.entries[i].result.rates, id);
            if (!m) {
                body += "<td class=\"n\">–</td>";
                continue;
            }
            std::string text = formatRate(m->value);
            if (i > 0 && first && first->value > 0) {
                text += " <span class=\"note\">×" + formatFixed(m->value / first->value, 2) + "</span>";
                const model::Change change = marks[r][i];
                if (change == model::Change::Faster)
                    text += " <span class=\"up\" title=\"faster beyond the noise\">▲</span>";
                else if (change == model::Change::Slower)
                    text += " <span class=\"down\" title=\"slower beyond the noise\">▼</span>";
            }
            body += "<td class=\"n\">" + text + "</td>";
        }
        body += "<td class=\"n\">" + (noise > 0 ? "×" + formatFixed(noise, 2) : std::string("–")) + "</td></tr>\n";
    }
    body += "</table></div>\n";
    std::string title = "Compare results ";
    for (std::size_t i = 0; i < data.entries.size(); ++i)
        title += (i == 0 ? "" : ", ") + std::to_string(data.entries[i].result.id);
    return pageFrame(title + (data.entries.empty() ? "" : ": " + orDash(data.entries[0].result.cardName)), body);
}

std::string comparePageJson(const ComparePageData& data)
{
    JsonWriter j;
    j.beginObject().key("results").beginArray();
    for (const CompareEntry& e : data.entries) {
        j.beginObject().field("id", e.result.id).field("cardName", e.result.cardName);
        j.field("driverText", driverTextOf(e.result)).field("processor", e.result.cpuName);
        j.field("graphicsSystem", model::nameOf(e.result.graphicsSystem));
        j.field("os", e.result.osName + " " + e.result.osVersion);
        for (const auto& [name, field] : {std::make_pair("processorClock", "ProcessorClockSpeed"),
                                           std::make_pair("memory", "RAMSize")}) {
            if (machineAmount(e.result, field) > 0)
                j.field(name, machineAmount(e.result, field));
            else
                j.key(name).null();
        }
        j.key("displayMode").beginObject().field("width", e.result.displayWidth);
        j.field("height", e.result.displayHeight).field("refreshRate", e.result.refreshRate);
        j.field("bitsPerPixel", e.result.bitsPerPixel).endObject();
        j.field("createdAt", e.result.createdAt);
        if (e.score)
            j.field("score", *e.score);
        else
            j.key("score").null();
        j.endObject();
    }
    j.endArray().key("tests").beginArray();
    const std::vector<TestId> rows = rowsOf(data);
    const std::vector<std::vector<model::Change>> marks = marksOf(data, rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TestId& id = rows[r];
        const double noise = minimumFactor(data, id);
        j.beginObject().field("test", id.testName()).field("width", id.size);
        j.field("height", id.size).field("unit", id.unitName());
        if (noise > 0)
            j.field("noise", noise);
        j.key("values").beginArray();
        const model::Rate* first = data.entries.empty() ? nullptr : model::findRate(data.entries[0].result.rates, id);
        for (std::size_t i = 0; i < data.entries.size(); ++i) {
            const CompareEntry& e = data.entries[i];
            const model::Rate* m = model::findRate(e.result.rates, id);
            if (!m) {
                j.null();
                continue;
            }
            j.beginObject().field("value", m->value);
            if (first && first->value > 0) {
                j.field("ratio", m->value / first->value);
                j.field("change", model::nameOf(i == 0 ? model::Change::None : marks[r][i]));
            }
            j.endObject();
        }
        j.endArray().endObject();
    }
    j.endArray().endObject();
    return j.text();
}
