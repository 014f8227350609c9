#include "server/pages/ResultPage.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "server/model/Comparison.h"
#include "server/model/Outliers.h"
#include "server/model/Ranking.h"
#include "server/pages/DistributionChart.h"
#include "server/pages/DriverHistoryPage.h"
#include "server/pages/Html.h"
#include "server/pages/MachineText.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/ResultListPage.h"

using model::GroupKind;
using model::TestGroup;
using model::TestId;

namespace {

std::string link(const std::string& path, const std::string& text)
{
    return "<a href=\"" + escapeHtml(path) + "\">" + escapeHtml(text) + "</a>";
}

const model::Rate* rateOf(const StoredResult& r, model::Test test, int32_t size, model::Unit unit)
{
    return model::findRate(r.rates, TestId{test, size, unit});
}

std::string rateCell(double value)
{
    return "<td class=\"n\">" + formatRate(value) + "</td>";
}

std::string figureCell(double value)
{
    return "<td class=\"n\">" + formatFigure(value) + "</td>";
}

std::string libraries(const std::vector<LibraryVersion>& list)
{
    if (list.empty())
        return "–";
    std::string out;
    for (const LibraryVersion& l : list)
        out += (out.empty() ? "" : "<br>") + escapeHtml(l.name) + " " + escapeHtml(l.version);
    return out;
}

// Known bytes in their unit, with the exact count beside them ("23.5403 GiB (25276200960 bytes)").
std::string sizeWithBytes(const std::string& decimal, int digits = 6)
{
    const std::string text = sizeText(decimal, digits);
    return text == "unknown" || text.find(" bytes") != std::string::npos
               ? text
               : text + " (" + escapeHtml(decimal) + " bytes)";
}

// A cache's size in its unit ("32 KiB"); a missing one is unknown.
std::string cacheText(const std::string& decimal)
{
    const double bytes = std::strtod(decimal.c_str(), nullptr);
    if (!(bytes > 0))
        return "unknown";
    if (bytes >= 1048576 && std::fmod(bytes, 1048576) == 0)
        return formatFixed(bytes / 1048576, 0) + " MiB";
    if (bytes >= 1024 && std::fmod(bytes, 1024) == 0)
        return formatFixed(bytes / 1024, 0) + " KiB";
    return escapeHtml(decimal) + " bytes";
}

std::string machineTable(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    std::string t = "<table class=\"facts\"><caption>What the program found on the machine</caption>\n";
    auto row = [&t](const std::string& name, const std::string& html) {
        t += "<tr><th>" + name + "</th><td>" + html + "</td></tr>\n";
    };
    row("Operating system", escapeHtml(orDash(r.osName + (r.osVersion.empty() ? "" : " " + r.osVersion))));
    std::string cpu = escapeHtml(orDash(r.cpuName));
    if (!machineField(r, "ProcessorVersion").empty())
        cpu += ", " + escapeHtml(machineField(r, "ProcessorVersion"));
    row("Processor", cpu);
    row("Processor clock", frequencyText(machineField(r, "ProcessorClockSpeed")));
    row("External bus (FSB)", frequencyText(machineField(r, "FSBClockSpeed")));
    row("Caches L1 / L2 / L3", cacheText(machineField(r, "L1CacheSize")) + " / " + cacheText(machineField(r, "L2CacheSize")) +
                                   " / " + cacheText(machineField(r, "L3CacheSize")));
    row("Motherboard", escapeHtml(orDash(r.boardName)) +
                           (r.boardManufacturer.empty() ? "" : ", manufactured by " + escapeHtml(r.boardManufacturer)));
    row("Memory", sizeWithBytes(machineField(r, "RAMSize")));
    row("System libraries", libraries(r.systemLibraries));
    std::string card = escapeHtml(orDash(r.cardName));
    if (r.graphicsCardId > 0)
        card = link(std::string(kSiteBase) + "Card/" + std::to_string(r.graphicsCardId), orDash(r.cardName));
    if (!r.cardManufacturer.empty())
        card += ", " + escapeHtml(r.cardManufacturer);
    row("Graphics card", card);
    row("Card IDs", "Product ID " + escapeHtml(orDash(r.productId)) + ", Vendor ID " +
                        escapeHtml(orDash(r.vendorId)) + ", SubProduct ID " +
                        escapeHtml(orDash(r.subProductId)) + ", SubVendor ID " +
                        escapeHtml(orDash(r.subVendorId)));
    row("Video memory", sizeWithBytes(machineField(r, "VRAMSize"), 3));
    row("Driver libraries", libraries(r.driverLibraries));
    row("Graphics system", escapeHtml(model::nameOf(r.graphicsSystem)));
    row("Display mode", modeText(r));
    row("Uploaded", formatDate(r.createdAt) +
                        (r.imported ? " <span class=\"imported\">imported from a saved transcript</span>" : ""));
    return t + "</table>\n";
}

const model::LogHistogram* figureOf(const ResultPageData& data, const TestId& id)
{
    return data.own ? data.own->figure(id) : nullptr;
}

std::string percentCell(const model::LogHistogram* f, const model::Rate* rate)
{
    if (!f || !rate)
        return "<td class=\"n\">–</td>";
    return "<td class=\"n\">" + formatFixed(f->percentile(rate->value), 0) + " <span class=\"note\">(of " +
           std::to_string(f->count()) + ")</span></td>";
}

// A small histogram of a rate's cohort with this result's value marked.
std::string histogramOf(const std::string& label, const std::string& heading, const model::LogHistogram& cohort,
                        double value)
{
    const DisplayHistogram bars = displayBars(cohort, value);
    const RatioFigures f = ratioToMedian(cohort, value);
    std::string title = label + " in its cohort: " + std::to_string(cohort.count()) + " counted results in " +
                        std::to_string(bars.bars.size()) + " bars of " + std::to_string(bars.binsPerBar) +
                        (bars.binsPerBar == 1 ? " bin" : " bins") + " (1 % each) from " +
                        formatFigure(bars.bars.front().lower) + " to " + formatFigure(bars.bars.back().upper) +
                        ", median " + formatFigure(f.median) + "; ";
    title += f.ratio > 0 ? "this result " + formatRate(value) + ", " + ratioText(f.ratio) + " the median"
                         : "this result did not measure it";
    return histogramChart(title, heading, bars, value, f.median);
}

std::string histogramsBlock(const std::string& histograms)
{
    if (histograms.empty())
        return "";
    return "<p class=\"note\">Its cohort's counted results (bars of whole 1 % bins on a log scale; the darker bar "
           "and the blue line: this result; dashed: the median):</p>\n<div class=\"histograms\">" + histograms +
           "</div>\n";
}

std::string ratioCell(const model::LogHistogram* band, const model::Rate* rate)
{
    if (!band || !rate || !(rate->value > 0))
        return "<td class=\"n\">–</td>";
    return "<td class=\"n\">" + ratioText(ratioToMedian(*band, rate->value).ratio) + "</td>";
}

std::string sizedGroup(const TestGroup& group, const ResultPageData& data)
{
    const model::Test test = group.tests.front();
    std::set<int32_t> sizes;
    for (const model::Rate& rate : data.result.rates) {
        if (rate.id.test == test && rate.id.size > 0)
            sizes.insert(rate.id.size);
    }
    if (data.own) {
        for (const auto& [code, histogram] : data.own->tests) {
            const auto id = TestId::fromCode(code);
            if (id && id->test == test && id->size > 0 && !histogram.empty())
                sizes.insert(id->size);
        }
    }
    std::string html = "<div class=\"group\" id=\"" + escapeHtml(group.title) + "\"><h3>" +
                       escapeHtml(group.title) + ":</h3>\n<table><caption>" + escapeHtml(group.title) +
                       " by square size beside its cohort</caption><tr><th>Size</th>"
                       "<th class=\"n\">Ops/s</th><th class=\"n\">MPixel/s</th>"
                       "<th class=\"n\">cohort median MPixel/s</th><th class=\"n\">percentile</th>"
                       "<th class=\"n\">to the median</th></tr>\n";
    std::vector<RatioRow> rows;
    std::string histograms;
    bool anyCohort = false;
    for (int32_t size : sizes) {
        const TestId opsId{test, size, model::Unit::Ops};
        const model::Rate* ops = rateOf(data.result, test, size, model::Unit::Ops);
        const model::Rate* mp = rateOf(data.result, test, size, model::Unit::MP);
        const model::LogHistogram* band = figureOf(data, opsId);
        // MP/s is Ops/s times the square's pixels: the cohort's MP/s figures follow from its Ops/s.
        const double toMP = static_cast<double>(size) * size / 1048576.0;
        html += "<tr><td>(" + std::to_string(size) + ", " + std::to_string(size) + ")</td>";
        html += ops ? rateCell(ops->value) : "<td class=\"n\">not measured</td>";
        html += mp ? rateCell(mp->value) : "<td class=\"n\">–</td>";
        html += band ? figureCell(band->quantile(0.5) * toMP) : "<td class=\"n\">–</td>";
        html += percentCell(band, ops) + ratioCell(band, ops) + "</tr>\n";
        RatioRow row;
        row.size = size;
        if (band) {
            anyCohort = true;
            row.hasCohort = true;
            row.figures = ratioToMedian(*band, ops ? ops->value : 0.0);
            histograms += histogramOf(opsId.label(), std::to_string(size) + "x" + std::to_string(size) + " Ops/s", *band,
                                      ops ? ops->value : 0.0);
        }
        rows.push_back(row);
    }
    if (sizes.empty())
        html += "<tr><td colspan=\"6\">not measured</td></tr>\n";
    html += "</table>\n";
    if (anyCohort) {
        html += ratioChart(group.title + ": this result's Ops/s as a ratio to its cohort's median by square size, "
                                         "with the cohort's quartiles",
                           rows);
    }
    return html + histogramsBlock(histograms) + "</div>\n";
}

std::string unsizedGroup(const TestGroup& group, const ResultPageData& data)
{
    const bool transfer = group.kind == GroupKind::Transfer;
    std::string html = "<div class=\"group\" id=\"" + escapeHtml(group.title) + "\"><h3>" +
                       escapeHtml(group.title) + ":</h3>\n<table><caption>" + escapeHtml(group.title) +
                       " beside its cohort</caption><tr><th>Test</th>";
    html += transfer ? "<th class=\"n\">MiB/s</th>" : "<th class=\"n\">Ops/s</th><th class=\"n\">MPixel/s</th>";
    html += "<th class=\"n\">cohort median</th><th class=\"n\">percentile</th><th class=\"n\">to the median</th>"
            "<th>within the cohort</th></tr>\n";
    std::string histograms;
    for (model::Test test : group.tests) {
        const model::Unit unit = transfer ? model::Unit::MiB : model::Unit::MP;
        const TestId id{test, 0, unit};
        const model::Rate* m = model::findRate(data.result.rates, id);
        const model::Rate* ops = transfer ? nullptr : rateOf(data.result, test, 0, model::Unit::Ops);
        const model::LogHistogram* band = figureOf(data, id);
        html += "<tr><td>" + escapeHtml(id.displayName()) + "</td>";
        if (!transfer)
            html += ops ? rateCell(ops->value) : "<td class=\"n\">not measured</td>";
        html += m ? rateCell(m->value) : "<td class=\"n\">not measured</td>";
        html += band ? figureCell(band->quantile(0.5)) : "<td class=\"n\">–</td>";
        html += percentCell(band, m) + ratioCell(band, m);
        const RatioFigures figures = band ? ratioToMedian(*band, m ? m->value : 0.0) : RatioFigures{};
        html += "<td>" + ratioGauge(id.label() + ": this result as a ratio to its cohort's median, with the "
                                                 "cohort's quartiles",
                                    figures) +
                "</td></tr>\n";
        // Each rate with figures: the random mix's Ops/s as well as its MP/s.
        for (const model::Unit u : {model::Unit::Ops, model::Unit::MP, model::Unit::MiB}) {
            const TestId each{test, 0, u};
            const model::LogHistogram* cohort = figureOf(data, each);
            if (!cohort)
                continue;
            const model::Rate* rate = model::findRate(data.result.rates, each);
            histograms += histogramOf(each.label(), each.label(), *cohort, rate ? rate->value : 0.0);
        }
    }
    return html + "</table>\n" + histogramsBlock(histograms) + "</div>\n";
}

std::string cohortLabel(const CohortSummary& c)
{
    return c.driverText.empty() ? "–" : c.driverText;
}

std::string scoreSection(const ResultPageData& data)
{
    const ScoreFigures& f = data.score;
    std::string body = "<h2>Score</h2>\n<p><span class=\"score\">" + formatScore(f.score ? *f.score : 0.0) + "</span> ";
    if (f.score) {
        body += "(score version " + std::to_string(f.version) + ", rated against " + escapeHtml(f.referenceLabel) +
                "). ";
        if (f.standing == model::Standing::Counted) {
            body += "Rank " + std::to_string(f.rankAmongCard) + " of " + std::to_string(f.scoredWithCard) +
                    " among the counted results of this card, rank " + std::to_string(f.rankAmongAll) + " of " +
                    std::to_string(f.scoredInAll) + " among all counted results (results within 0.1 % of one "
                    "another share a rank).";
        }
    } else {
        body += escapeHtml(f.note.empty() ? std::string("no score yet: the figures of this result are being "
                                                        "worked out")
                                          : f.note) + ".";
    }
    body += "</p>\n";
    const model::LogHistogram* cohort = data.own ? data.own->scores(f.version) : nullptr;
    if (cohort) {
        // The score among its cohort's, in the terms of the tests below.
        const RatioFigures r = ratioToMedian(*cohort, f.score ? *f.score : 0.0);
        body += "<div class=\"histograms\">" +
                histogramOf("The score", "Score", *cohort, f.score ? *f.score : 0.0) + "</div>\n<p>Its cohort's " +
                std::to_string(cohort->count()) + " counted scores: median " + formatFigure(r.median) +
                ", quartiles " + ratioText(r.bandLower) + " and " + ratioText(r.bandUpper) + " the median" +
                (r.ratio > 0 ? "; this score " + ratioText(r.ratio) + " the median" : std::string()) + ".</p>\n";
    }
    if (f.standing == model::Standing::Outlier) {
        body += "<p class=\"outlier\">Outlier: this score lies outside the far-out fences of its cohort "
                "(Tukey's rule on the log of the score), so it is left out of the cohort's figures and the "
                "rankings.</p>\n";
    } else if (f.standing == model::Standing::Imported) {
        body += "<p class=\"imported\">Imported from a saved transcript: shown, but left out of the cohort's "
                "figures and the rankings.</p>\n";
    }
    return body + scoreDefinitionHtml();
}

std::string driversSection(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    std::string body = "<h2>Its cohort and the card's other drivers</h2>\n";
    if (!data.own) {
        return body + "<p>The figures of this result are being worked out.</p>\n";
    }
    const CohortFigures& own = *data.own;
    body += "<p>The cohort: the results of the same card, driver, graphics system and display mode (" +
            escapeHtml(own.key.modeText()) + "): " + countOf(own.resultCount, "result", "results") + ", " +
            std::to_string(own.counted) + " of them counted in its figures (outliers and imported results "
            "are not). Percentiles and bands are read from binned counts: within " +
            formatFixed(model::LogHistogram().relativeError() * 100, 1) + " % of the exact figures.</p>\n";
    if (own.key.graphicsCardId > 0)
        body += "<p>" + link(driverHistoryPath(own.key.graphicsCardId, own.key),
                             "Every driver version of this card in this mode, with its figures") + ".</p>\n";
    if (!data.drivers.empty()) {
        body += "<table><caption>The card's drivers in this graphics system and mode</caption>"
                "<tr><th>Driver (newest version first)</th><th class=\"n\">Results</th>"
                "<th class=\"n\">Counted</th><th class=\"n\">Median score</th></tr>\n";
        for (const CohortSummary& c : data.drivers) {
            const bool mine = c.cohortId == own.cohortId;
            body += "<tr><td>" + escapeHtml(cohortLabel(c)) + (mine ? " <span class=\"note\">(this result's)</span>" : "") +
                    "</td><td class=\"n\">" + std::to_string(c.resultCount) + "</td><td class=\"n\">" +
                    std::to_string(c.counted) + "</td><td class=\"n\">" + formatScore(c.medianScore) + "</td></tr>\n";
        }
        body += "</table>\n";
    }
    if (!data.otherModes.empty()) {
        body += "<p>The same card and driver in other display modes or graphics systems (not pooled with this "
                "cohort): ";
        for (std::size_t i = 0; i < data.otherModes.size(); ++i) {
            const CohortSummary& c = data.otherModes[i];
            body += (i ? "; " : "") +
                    link(std::string(kSiteBase) + "Result/" + std::to_string(c.newestResultId),
                         c.key.modeText() + ", " + countOf(c.resultCount, "result", "results"));
        }
        body += ".</p>\n";
    }
    if (data.previousDriver) {
        const CohortFigures& previous = *data.previousDriver;
        body += "<h3 id=\"previous-driver\">This driver against the previous version</h3>\n<p>" +
                escapeHtml(orDash(own.driverText)) + " (" + std::to_string(own.counted) + " counted) against " +
                escapeHtml(orDash(previous.driverText)) + " (" + std::to_string(previous.counted) +
                " counted), test by test with the Mann-Whitney rank test, every test of this table judged "
                "together (Benjamini-Hochberg at 5 %): <span class=\"up\">▲</span> faster, "
                "<span class=\"down\">▼</span> slower only where the rank tests put the difference beyond "
                "the noise and the ratio of the medians is larger than both cohorts' typical ratio between "
                "two of their own results and than ×1.03; with fewer than " +
                std::to_string(model::kShiftMinimum) + " counted results on either side nothing is "
                "marked.</p>\n<table><caption>This driver against the previous version, test by test</caption>"
                "<tr><th>Test</th><th class=\"n\">median ratio</th><th class=\"n\">z</th>"
                "<th></th></tr>\n";
        std::vector<TestId> ids;
        std::vector<model::Shift> shifts;
        std::vector<model::Evidence> evidence;
        for (const auto& [code, histogram] : own.tests) {
            const auto id = TestId::fromCode(code);
            const model::LogHistogram* before = id ? previous.figure(*id) : nullptr;
            if (!id || !before || histogram.empty())
                continue;
            ids.push_back(*id);
            shifts.push_back(model::cohortShift(*before, histogram));
            evidence.push_back(shifts.back().evidence);
        }
        const std::vector<model::Change> changes = model::judgePage(evidence);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const model::Shift& shift = shifts[i];
            body += "<tr><td>" + escapeHtml(ids[i].label()) + "</td>";
            if (changes[i] == model::Change::Unknown) {
                body += "<td class=\"n\">–</td><td class=\"n\">–</td><td>too few results</td></tr>\n";
                continue;
            }
            body += "<td class=\"n\">×" + formatFixed(shift.medianRatio, 3) + "</td><td class=\"n\">" +
                    formatFixed(shift.z, 2) + "</td><td>" +
                    (changes[i] == model::Change::Faster ? "<span class=\"up\">▲</span>"
                     : changes[i] == model::Change::Slower ? "<span class=\"down\">▼</span>" : "") +
                    "</td></tr>\n";
        }
        body += "</table>\n";
    }
    (void)r;
    return body;
}

std::string listAddress(const ResultListRequest& request)
{
    return std::string(kSiteBase) + "?" + resultListQuery(request);
}

std::string modeOf(model::GraphicsSystem system, int32_t w, int32_t h, int32_t b)
{
    return model::CohortKey{0, "", system, w, h, b}.modeText();
}

// The list of a card in one graphics system and display mode, over all its drivers.
ResultListRequest cardModeList(int32_t card, model::GraphicsSystem system, int32_t w, int32_t h, int32_t b)
{
    ResultListRequest q;
    q.card = card;
    q.system = system;
    q.width = w;
    q.height = h;
    q.bitsPerPixel = b;
    return q;
}

// The counts never include the result itself: "1 other result", "more than 100 other results".
std::string countText(const SimilarGroup& g, const std::string& other = "")
{
    return (g.countCapped ? "more than " : "") + std::to_string(g.count) + " " + other +
           (g.count == 1 && !g.countCapped ? "result" : "results");
}

std::string nearestList(const SimilarGroup& g)
{
    if (g.nearest.empty())
        return "";
    std::string html = "<ul class=\"similar\">";
    for (const ResultSummary& r : g.nearest) {
        html += "<li>" + link(std::string(kSiteBase) + "Result/" + std::to_string(r.id), "Result " + std::to_string(r.id)) +
                ": " + escapeHtml(orDash(r.cardName)) + " · " + escapeHtml(orDash(r.driverText)) + " · " +
                escapeHtml(orDash(r.cpuName)) + " · " + escapeHtml(orDash(r.osText)) + " · score " +
                formatScore(r.score ? *r.score : 0.0) + (r.imported ? " <span class=\"imported\">imported</span>" : "") +
                "</li>";
    }
    return html + "</ul>\n";
}

std::string similarSection(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    const SimilarResults& s = data.similar;
    std::string body = "<h2 id=\"similar\">Similar results</h2>\n<p class=\"note\">Each with the results nearest "
                       "to this one by ID (up to " + std::to_string(kSimilarNearest) + ").</p>\n";
    if (r.graphicsCardId > 0) {
        const std::string mode = modeOf(r.graphicsSystem, r.displayWidth, r.displayHeight, r.bitsPerPixel);
        body += "<h3>The same card under other drivers</h3>\n<p>" +
                (s.otherDriverCount == 0 ? "No other driver of this card"
                                         : countText(s.otherDrivers) + " of " +
                                               countOf(s.otherDriverCount, "other driver", "other drivers")) +
                " in " + escapeHtml(mode) + ": " +
                link(listAddress(cardModeList(r.graphicsCardId, r.graphicsSystem, r.displayWidth, r.displayHeight,
                                              r.bitsPerPixel)),
                     "every result of this card in this mode") + ".</p>\n" + nearestList(s.otherDrivers);
        body += "<h3>The same card in other display modes and graphics systems</h3>\n<p>" +
                countText(s.otherModes) + (s.modes.empty() ? "." : ": ");
        for (std::size_t i = 0; i < s.modes.size(); ++i) {
            const ModeCount& m = s.modes[i];
            body += (i ? "; " : "") + link(listAddress(cardModeList(r.graphicsCardId, m.system, m.width, m.height,
                                                                    m.bitsPerPixel)),
                                           modeOf(m.system, m.width, m.height, m.bitsPerPixel) + ", " +
                                               countOf(m.count, "result", "results"));
        }
        body += (s.modes.empty() ? "" : ".") + std::string("</p>\n") + nearestList(s.otherModes);
    }
    const struct {
        const char* heading;
        const char* what;
        const std::string& name;
        const SimilarGroup& group;
        std::string ResultListRequest::*filter;
    } named[] = {{"The same processor", "processor", s.cpuName, s.sameProcessor, &ResultListRequest::processor},
                 {"The same operating system", "operating system", s.osText, s.sameOs, &ResultListRequest::os}};
    for (const auto& n : named) {
        if (n.name.empty())
            continue;
        ResultListRequest q;
        q.*n.filter = n.name;
        body += "<h3>" + std::string(n.heading) + "</h3>\n<p>" + countText(n.group, "other ") + " with the " + n.what + " “" +
                escapeHtml(n.name) + "”: " + link(listAddress(q), "list them") + ".</p>\n" + nearestList(n.group);
    }
    return body;
}

void similarGroupJson(JsonWriter& j, const SimilarGroup& g)
{
    j.field("count", g.count).field("countCapped", g.countCapped);
    j.key("nearest").beginArray();
    for (const ResultSummary& r : g.nearest) {
        j.beginObject().field("id", r.id).field("createdAt", r.createdAt).field("cardName", r.cardName);
        j.field("driver", r.driverText).field("processor", r.cpuName).field("os", r.osText);
        if (r.score)
            j.field("score", *r.score);
        else
            j.key("score").null();
        j.endObject();
    }
    j.endArray();
}

void similarJson(JsonWriter& j, const ResultPageData& data)
{
    const StoredResult& r = data.result;
    const SimilarResults& s = data.similar;
    j.key("similar").beginObject();
    if (r.graphicsCardId > 0) {
        j.key("otherDrivers").beginObject().field("drivers", s.otherDriverCount);
        j.field("list", listAddress(cardModeList(r.graphicsCardId, r.graphicsSystem, r.displayWidth, r.displayHeight,
                                                 r.bitsPerPixel)));
        similarGroupJson(j, s.otherDrivers);
        j.endObject();
        j.key("otherModes").beginObject().key("modes").beginArray();
        for (const ModeCount& m : s.modes) {
            j.beginObject().field("graphicsSystem", model::nameOf(m.system)).field("width", m.width);
            j.field("height", m.height).field("bitsPerPixel", m.bitsPerPixel).field("count", m.count);
            j.field("list", listAddress(cardModeList(r.graphicsCardId, m.system, m.width, m.height, m.bitsPerPixel)));
            j.endObject();
        }
        j.endArray();
        similarGroupJson(j, s.otherModes);
        j.endObject();
    }
    if (!s.cpuName.empty()) {
        ResultListRequest q;
        q.processor = s.cpuName;
        j.key("processor").beginObject().field("name", s.cpuName).field("list", listAddress(q));
        similarGroupJson(j, s.sameProcessor);
        j.endObject();
    }
    if (!s.osText.empty()) {
        ResultListRequest q;
        q.os = s.osText;
        j.key("os").beginObject().field("name", s.osText).field("list", listAddress(q));
        similarGroupJson(j, s.sameOs);
        j.endObject();
    }
    j.endObject();
}

// The cohort's figures of one rate in the page's JSON: its quartiles, this result's place and
// ratio, and the histogram's bars as the page draws them (the empty bars left out).
void cohortJson(JsonWriter& j, const model::LogHistogram& f, double value)
{
    const model::Spread spread = f.spread();
    j.key("cohort").beginObject().field("count", static_cast<int64_t>(f.count()));
    j.field("lower", spread.lower).field("median", spread.median).field("upper", spread.upper);
    j.field("percentile", f.percentile(value));
    const RatioFigures ratio = ratioToMedian(f, value);
    if (ratio.ratio > 0)
        j.field("ratio", ratio.ratio);
    j.field("bandLower", ratio.bandLower).field("bandUpper", ratio.bandUpper);
    const DisplayHistogram bars = displayBars(f, value);
    j.key("histogram").beginObject().field("binsPerBar", bars.binsPerBar);
    j.field("bars", static_cast<int64_t>(bars.bars.size()));
    j.field("lower", bars.bars.front().lower).field("upper", bars.bars.back().upper);
    j.field("markedBar", bars.marked);
    j.key("counts").beginArray();
    for (std::size_t k = 0; k < bars.bars.size(); ++k) {
        const HistogramBar& bar = bars.bars[k];
        if (bar.count > 0) {
            j.beginObject().field("bar", static_cast<int64_t>(k)).field("lower", bar.lower).field("upper", bar.upper);
            j.field("count", bar.count).endObject();
        }
    }
    j.endArray().endObject().endObject();
}

} // namespace

std::string standingName(model::Standing standing)
{
    switch (standing) {
    case model::Standing::Counted: return "counted";
    case model::Standing::Outlier: return "outlier";
    case model::Standing::Imported: return "imported";
    case model::Standing::Pending: break;
    }
    return "pending";
}

std::string resultPageHtml(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    std::string body = "<h1>Result " + std::to_string(r.id) + ": " + escapeHtml(orDash(r.cardName)) + "</h1>\n";
    body += "<p>" + escapeHtml(orDash(driverTextOf(r))) + " · " + escapeHtml(model::nameOf(r.graphicsSystem)) +
            " · " + escapeHtml(orDash(r.cpuName)) + " · uploaded " + formatDate(r.createdAt) + "</p>\n";
    body += scoreSection(data);

    std::string links;
    if (data.previousDriver)
        links += "<li><a href=\"#previous-driver\">This driver against the previous version (" +
                 escapeHtml(orDash(data.previousDriver->driverText)) + ")</a></li>";
    if (data.cohortMedian) {
        links += "<li>" + link(std::string(kSiteBase) + "Compare/" + std::to_string(r.id) + "," +
                                   std::to_string(data.cohortMedian->id),
                               "Compare with " + data.cohortMedian->label) + "</li>";
    }
    const std::string self = std::string(kSiteBase) + "Result/" + std::to_string(r.id);
    links += "<li><a href=\"#similar\">Similar results: the same card under other drivers and modes, the same "
             "processor and OS</a></li>";
    links += "<li>Its measurements as " + link(self + ".csv", "CSV") + " or " + link(self + ".json", "JSON") + "</li>";
    body += "<ul class=\"links\">" + links + "</ul>\n";

    body += "<h2>Machine</h2>\n" + machineTable(data);
    body += "<h2>Tests</h2>\n<p class=\"legend note\">Each rate as a ratio to the median of its cohort, on a "
            "linear scale: <span class=\"k-this\">━ this result</span>"
            "<span class=\"k-median\">╌ the median (×1)</span>"
            "<span class=\"k-band\">█ the cohort's quartiles</span></p>\n<div class=\"groups\">\n";
    for (const TestGroup& group : model::testGroups())
        body += group.kind == GroupKind::Sized ? sizedGroup(group, data) : unsizedGroup(group, data);
    body += "</div>\n";
    body += driversSection(data) + similarSection(data);
    return pageFrame("Result " + std::to_string(r.id) + ": " + orDash(r.cardName), body);
}

std::string resultPageJson(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    JsonWriter j;
    j.beginObject();
    j.field("id", r.id).field("createdAt", r.createdAt).field("imported", r.imported);
    j.field("clientName", r.clientName);
    j.field("standing", standingName(data.score.standing));
    j.key("machine").beginObject();
    j.field("osName", r.osName).field("osVersion", r.osVersion).field("processor", r.cpuName);
    j.field("motherboard", r.boardName).field("motherboardManufacturer", r.boardManufacturer);
    j.key("systemLibraries").beginArray();
    for (const LibraryVersion& l : r.systemLibraries)
        j.beginObject().field("name", l.name).field("version", l.version).endObject();
    j.endArray();
    j.key("fields").beginObject();
    for (const RecordField& f : r.machineFields)
        j.field(f.name, f.value);
    j.endObject().endObject();
    j.key("graphicsCard").beginObject();
    j.field("id", r.graphicsCardId).field("name", r.cardName).field("manufacturer", r.cardManufacturer);
    j.field("productId", r.productId).field("vendorId", r.vendorId);
    j.field("subProductId", r.subProductId).field("subVendorId", r.subVendorId);
    j.endObject();
    j.key("driverLibraries").beginArray();
    for (const LibraryVersion& l : r.driverLibraries)
        j.beginObject().field("name", l.name).field("version", l.version).endObject();
    j.endArray();
    j.field("graphicsSystem", model::nameOf(r.graphicsSystem));
    j.key("displayMode").beginObject();
    j.field("width", r.displayWidth).field("height", r.displayHeight);
    j.field("refreshRate", r.refreshRate).field("bitsPerPixel", r.bitsPerPixel).endObject();
    j.key("score").beginObject();
    if (data.score.score)
        j.field("score", *data.score.score);
    else
        j.key("score").null().field("reason", data.score.note);
    j.field("version", data.score.version);
    j.field("rankAmongCard", data.score.rankAmongCard).field("scoredWithCard", data.score.scoredWithCard);
    j.field("rankAmongAll", data.score.rankAmongAll).field("scoredInAll", data.score.scoredInAll);
    if (const model::LogHistogram* cohort = data.own ? data.own->scores(data.score.version) : nullptr)
        cohortJson(j, *cohort, data.score.score ? *data.score.score : 0.0);
    j.endObject();
    j.key("measurements").beginArray();
    for (const model::Rate& rate : r.rates) {
        j.beginObject().field("test", rate.id.testName()).field("width", rate.id.size).field("height", rate.id.size);
        j.field("unit", rate.id.unitName()).field("value", rate.value);
        const model::LogHistogram* f = figureOf(data, rate.id);
        if (f)
            cohortJson(j, *f, rate.value);
        j.endObject();
    }
    j.endArray();
    j.key("drivers").beginArray();
    for (const CohortSummary& c : data.drivers) {
        j.beginObject().field("driverKey", c.key.driverKey).field("driverText", c.driverText);
        j.field("resultCount", static_cast<int64_t>(c.resultCount)).field("counted", static_cast<int64_t>(c.counted));
        j.field("medianScore", c.medianScore).endObject();
    }
    j.endArray();
    j.key("compare").beginArray();
    if (data.cohortMedian)
        j.beginObject().field("id", data.cohortMedian->id).field("label", data.cohortMedian->label).endObject();
    j.endArray();
    similarJson(j, data);
    j.endObject();
    return j.text();
}
