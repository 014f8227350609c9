#include "server/pages/ResultPage.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/Statistics.h"
#include "server/pages/SvgChart.h"
#include "server/pages/TestGroups.h"

namespace {

std::string link(const std::string& path, const std::string& text)
{
    return "<a href=\"" + escapeHtml(path) + "\">" + escapeHtml(text) + "</a>";
}

const Measurement* find(const StoredResult& r, const std::string& test, int32_t size,
                        const std::string& unit)
{
    for (const Measurement& m : r.measurements) {
        if (m.test == test && m.width == size && m.height == size && m.unit == unit)
            return &m;
    }
    return nullptr;
}

std::string field(const StoredResult& r, const std::string& name)
{
    for (const RecordField& f : r.machineFields) {
        if (f.name == name)
            return f.value;
    }
    return "";
}

std::string cell(double value, int decimals = 3)
{
    return "<td class=\"n\">" + (value > 0 || value == 0 ? formatFixed(value, decimals) : "–") +
           "</td>";
}

std::string percentCell(double percentile)
{
    return "<td class=\"n\">" + (percentile < 0 ? std::string("–") : formatFixed(percentile, 0)) +
           "</td>";
}

std::string libraries(const std::vector<LibraryVersion>& list)
{
    if (list.empty())
        return "–";
    std::string out;
    for (const LibraryVersion& l : list) {
        if (!out.empty())
            out += "<br>";
        out += escapeHtml(l.name) + " " + escapeHtml(l.version);
    }
    return out;
}

std::string bytesText(const std::string& decimal)
{
    if (decimal.empty())
        return "–";
    const double bytes = std::strtod(decimal.c_str(), nullptr);
    if (!(bytes > 0))
        return escapeHtml(decimal);
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double v = bytes;
    int u = 0;
    while (v >= 1024 && u < 4) {
        v /= 1024;
        ++u;
    }
    return formatFixed(v, u == 0 ? 0 : 2) + " " + units[u] + " (" + escapeHtml(decimal) + " bytes)";
}

std::string hertzText(const std::string& decimal)
{
    if (decimal.empty())
        return "–";
    const double hz = std::strtod(decimal.c_str(), nullptr);
    if (!(hz > 0))
        return escapeHtml(decimal) + " Hz";
    if (hz >= 1e9) return formatFixed(hz / 1e9, 2) + " GHz";
    if (hz >= 1e6) return formatFixed(hz / 1e6, 1) + " MHz";
    return escapeHtml(decimal) + " Hz";
}

std::string machineTable(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    std::string t = "<table class=\"facts\">\n";
    auto row = [&t](const std::string& name, const std::string& html) {
        t += "<tr><th>" + name + "</th><td>" + html + "</td></tr>\n";
    };
    row("Operating system", escapeHtml(orDash(r.osName + (r.osVersion.empty() ? "" : " " + r.osVersion))));
    std::string cpu = escapeHtml(orDash(r.cpuName));
    if (!field(r, "ProcessorVersion").empty())
        cpu += ", " + escapeHtml(field(r, "ProcessorVersion"));
    row("Processor", cpu);
    row("Processor clock", hertzText(field(r, "ProcessorClockSpeed")));
    row("External bus (FSB)", hertzText(field(r, "FSBClockSpeed")));
    row("Caches L1 / L2 / L3", escapeHtml(orDash(field(r, "L1CacheSize"))) + " / " +
                                   escapeHtml(orDash(field(r, "L2CacheSize"))) + " / " +
                                   escapeHtml(orDash(field(r, "L3CacheSize"))));
    row("Motherboard", escapeHtml(orDash(r.boardName)) +
                           (r.boardManufacturer.empty() ? "" : ", manufactured by " + escapeHtml(r.boardManufacturer)));
    row("Memory", bytesText(field(r, "RAMSize")));
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
    row("Video memory", field(r, "VRAMSize") == "0" ? "Unknown" : bytesText(field(r, "VRAMSize")));
    row("Driver libraries", libraries(r.driverLibraries));
    row("Display mode", std::to_string(r.displayWidth) + "x" + std::to_string(r.displayHeight) +
                            "@" + std::to_string(r.refreshRate) + " (" +
                            std::to_string(r.bitsPerPixel) + " bpp)");
    row("Uploaded", formatDate(r.createdAt) + (r.imported ? " <span class=\"imported\">imported from a saved transcript</span>" : ""));
    return t + "</table>\n";
}

std::string sizedGroup(const TestGroup& group, const ResultPageData& data, const DriverCohort* own)
{
    const std::string& test = group.tests.front();
    std::set<int32_t> sizes;
    for (const Measurement& m : data.result.measurements) {
        if (m.test == test && m.width > 0)
            sizes.insert(m.width);
    }
    if (own) {
        for (const CohortFigure& f : own->figures) {
            if (f.key.test == test && f.key.width > 0)
                sizes.insert(f.key.width);
        }
    }
    std::string html = "<div class=\"group\" id=\"" + escapeHtml(group.title) + "\"><h3>" +
                       escapeHtml(group.title) + ":</h3>\n<table><tr><th>Size</th>"
                       "<th class=\"n\">Ops/s</th><th class=\"n\">MPixel/s</th>"
                       "<th class=\"n\">cohort median MPixel/s</th><th class=\"n\">percentile</th></tr>\n";
    std::vector<SizeRow> rows;
    bool any = false;
    for (int32_t size : sizes) {
        const Measurement* ops = find(data.result, test, size, "Ops_s");
        const Measurement* mp = find(data.result, test, size, "MP_s");
        const CohortFigure* band = own ? own->figure({test, size, size, "MP_s"}) : nullptr;
        html += "<tr><td>(" + std::to_string(size) + ", " + std::to_string(size) + ")</td>";
        html += ops ? cell(ops->value) : "<td class=\"n\">not measured</td>";
        html += mp ? cell(mp->value) : "<td class=\"n\">–</td>";
        html += band ? cell(band->median) : "<td class=\"n\">–</td>";
        html += percentCell(mp ? percentileWithin(band, mp->value) : -1.0);
        html += "</tr>\n";
        SizeRow row;
        row.size = size;
        row.value = mp ? mp->value : 0.0;
        if (band) {
            row.hasBand = true;
            row.lower = band->lower;
            row.median = band->median;
            row.upper = band->upper;
        }
        any = any || mp;
        rows.push_back(row);
    }
    if (sizes.empty()) {
        html += "<tr><td colspan=\"5\">not measured</td></tr>\n";
    }
    html += "</table>\n";
    if (!sizes.empty())
        html += sizeChart(group.title + ": MPixel/s against square size", "MPixel/s (log scale)", rows);
    (void)any;
    return html + "</div>\n";
}

std::string unsizedGroup(const TestGroup& group, const ResultPageData& data, const DriverCohort* own)
{
    const bool transfer = group.kind == GroupKind::Transfer;
    std::string html = "<div class=\"group\" id=\"" + escapeHtml(group.title) + "\"><h3>" +
                       escapeHtml(group.title) + ":</h3>\n<table><tr><th>Test</th>";
    html += transfer ? "<th class=\"n\">MiB/s</th>" : "<th class=\"n\">Ops/s</th><th class=\"n\">MPixel/s</th>";
    html += "<th class=\"n\">cohort median</th><th class=\"n\">percentile</th><th>within the cohort</th></tr>\n";
    for (const std::string& test : group.tests) {
        const std::string unit = transfer ? "MiB_s" : "MP_s";
        const Measurement* m = find(data.result, test, 0, unit);
        const Measurement* ops = transfer ? nullptr : find(data.result, test, 0, "Ops_s");
        const CohortFigure* band = own ? own->figure({test, 0, 0, unit}) : nullptr;
        html += "<tr><td>" + escapeHtml(test) + "</td>";
        if (!transfer)
            html += ops ? cell(ops->value) : "<td class=\"n\">not measured</td>";
        html += m ? cell(m->value) : "<td class=\"n\">not measured</td>";
        html += band ? cell(band->median) : "<td class=\"n\">–</td>";
        html += percentCell(m ? percentileWithin(band, m->value) : -1.0);
        double low = m ? m->value : 0, high = low;
        if (band && band->lower > 0) {
            low = low > 0 ? std::min(low, band->lower) : band->lower;
            high = std::max(high, band->upper);
        }
        html += "<td>" + bandGauge(m ? m->value : 0, band ? band->lower : 0, band ? band->median : 0,
                                   band ? band->upper : 0, low / 2, high * 2) + "</td></tr>\n";
    }
    return html + "</table></div>\n";
}

std::string unitText(const std::string& unit)
{
    if (unit == "Ops_s") return "Ops/s";
    if (unit == "MP_s") return "MPixel/s";
    if (unit == "MiB_s") return "MiB/s";
    return unit;
}

std::string testName(const TestKey& k)
{
    return k.width > 0 ? k.test + " " + std::to_string(k.width) + "x" + std::to_string(k.height)
                       : k.test;
}

std::string cohortTable(const ResultPageData& data, const DriverCohort* own)
{
    std::string html = "<table><tr><th>Test</th><th class=\"n\">this result</th>"
                       "<th class=\"n\">percentile among the same card and driver</th>";
    for (const DriverCohort& c : data.driverCohorts) {
        html += "<th class=\"n\">median with " + escapeHtml(orDash(c.driverText)) + "<br><span class=\"note\">" +
                std::to_string(c.resultCount) + (c.resultCount == 1 ? " result" : " results") +
                (own == &c ? ", this driver" : "") + "</span></th>";
    }
    html += "</tr>\n";
    for (const Measurement& m : data.result.measurements) {
        if (!entersScore(m.unit))
            continue;
        const TestKey key = TestKey::of(m);
        const CohortFigure* f = own ? own->figure(key) : nullptr;
        html += "<tr><td>" + escapeHtml(testName(key)) + " " + unitText(m.unit) + "</td>" + cell(m.value);
        const double p = percentileWithin(f, m.value);
        html += "<td class=\"n\">" + (p < 0 ? std::string("–") : formatFixed(p, 0) + " (of " + std::to_string(f->count) + ")") + "</td>";
        for (const DriverCohort& c : data.driverCohorts) {
            const CohortFigure* other = c.figure(key);
            html += other ? "<td class=\"n\">" + formatFixed(other->median, 3) + " <span class=\"note\">(" +
                                std::to_string(other->count) + ")</span></td>"
                          : std::string("<td class=\"n\">–</td>");
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

double percentileWithin(const CohortFigure* figure, double value)
{
    if (!figure || figure->sample.empty())
        return -1.0;
    return stats::percentileRank(value, figure->sample);
}

std::string resultPageHtml(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    const DriverCohort* own = data.ownCohort();
    std::string body = "<h1>Result " + std::to_string(r.id) + ": " + escapeHtml(orDash(r.cardName)) + "</h1>\n";
    body += "<p>" + escapeHtml(orDash(driverTextOf(r))) + " · " + escapeHtml(orDash(r.cpuName)) +
            " · uploaded " + formatDate(r.createdAt) + "</p>\n";

    body += "<h2>Score</h2>\n<p><span class=\"score\">" + formatScore(data.score.score) + "</span> ";
    if (data.score.score > 0) {
        body += "over " + std::to_string(data.score.testsUsed) + " tests. Rank " +
                std::to_string(data.score.rankAmongCard) + " of " + std::to_string(data.score.scoredWithCard) +
                " among the results of this card, rank " + std::to_string(data.score.rankAmongAll) + " of " +
                std::to_string(data.score.scoredInAll) + " among all cards.";
    } else {
        body += "no test of this result has a reference yet.";
    }
    body += "</p>\n" + scoreDefinitionHtml();

    std::string links;
    if (data.cohortMedian) {
        links += "<li>" + link(std::string(kSiteBase) + "Compare/" + std::to_string(r.id) + "," +
                                   std::to_string(data.cohortMedian->id),
                               "Compare with " + data.cohortMedian->label) + "</li>";
    }
    if (data.previousDriver) {
        links += "<li>" + link(std::string(kSiteBase) + "Compare/" + std::to_string(r.id) + "," +
                                   std::to_string(data.previousDriver->id),
                               "Compare with " + data.previousDriver->label) + "</li>";
    }
    if (!links.empty())
        body += "<ul class=\"links\">" + links + "</ul>\n";

    body += "<h2>Machine</h2>\n" + machineTable(data);

    body += "<h2>Tests</h2>\n<p class=\"legend note\"><span class=\"k-this\">━ this result</span>"
            "<span class=\"k-median\">╌ median of the same card and driver</span>"
            "<span class=\"k-band\">█ their quartiles</span></p>\n<div class=\"groups\">\n";
    for (const TestGroup& group : testGroups())
        body += group.kind == GroupKind::Sized ? sizedGroup(group, data, own) : unsizedGroup(group, data, own);
    body += "</div>\n";

    body += "<h2>Among the same card</h2>\n";
    body += "<p>Percentiles among the results of the same card and driver (higher is faster), and "
            "the median of each driver this card was measured with; the number of results behind "
            "each figure in brackets.</p>\n";
    body += cohortTable(data, own);
    return pageFrame("Result " + std::to_string(r.id), body);
}

std::string resultPageJson(const ResultPageData& data)
{
    const StoredResult& r = data.result;
    const DriverCohort* own = data.ownCohort();
    JsonWriter j;
    j.beginObject();
    j.field("id", r.id).field("createdAt", r.createdAt).field("imported", r.imported);
    j.field("clientName", r.clientName);
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
    j.key("displayMode").beginObject();
    j.field("width", r.displayWidth).field("height", r.displayHeight);
    j.field("refreshRate", r.refreshRate).field("bitsPerPixel", r.bitsPerPixel).endObject();
    j.key("score").beginObject();
    j.field("score", data.score.score).field("testsUsed", data.score.testsUsed);
    j.field("rankAmongCard", data.score.rankAmongCard).field("scoredWithCard", data.score.scoredWithCard);
    j.field("rankAmongAll", data.score.rankAmongAll).field("scoredInAll", data.score.scoredInAll);
    j.endObject();
    j.key("measurements").beginArray();
    for (const Measurement& m : r.measurements) {
        const TestKey key = TestKey::of(m);
        j.beginObject().field("test", m.test).field("width", m.width).field("height", m.height);
        j.field("unit", m.unit).field("value", m.value);
        const auto reference = data.references.find(key);
        if (reference != data.references.end())
            j.field("reference", reference->second);
        const CohortFigure* f = own ? own->figure(key) : nullptr;
        if (f) {
            j.key("cohort").beginObject().field("count", f->count).field("lower", f->lower);
            j.field("median", f->median).field("upper", f->upper);
            j.field("percentile", percentileWithin(f, m.value)).endObject();
        }
        j.endObject();
    }
    j.endArray();
    j.key("drivers").beginArray();
    for (const DriverCohort& c : data.driverCohorts) {
        j.beginObject().field("driverKey", c.driverKey).field("driverText", c.driverText);
        j.field("resultCount", c.resultCount).field("medianScore", c.medianScore);
        j.key("medians").beginArray();
        for (const CohortFigure& f : c.figures) {
            j.beginObject().field("test", f.key.test).field("width", f.key.width);
            j.field("height", f.key.height).field("unit", f.key.unit);
            j.field("median", f.median).field("count", f.count).endObject();
        }
        j.endArray().endObject();
    }
    j.endArray();
    j.key("compare").beginArray();
    for (const auto* l : {&data.cohortMedian, &data.previousDriver}) {
        if (*l)
            j.beginObject().field("id", (*l)->id).field("label", (*l)->label).endObject();
    }
    j.endArray();
    j.endObject();
    return j.text();
}
