#include "server/pages/BrowsePages.h"

#include "server/pages/DriverHistoryPage.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"
#include "server/pages/ResultPage.h"

namespace {

std::string resultsTable(const std::vector<ResultSummary>& results)
{
    if (results.empty())
        return "<p>No results.</p>\n";
    std::string html = "<div class=\"scroll\"><table class=\"results\"><caption>Its newest results</caption><tr><th>Result</th><th>Uploaded</th><th>Graphics card</th>"
                       "<th>Driver</th><th>Processor</th><th>Operating system</th><th class=\"n\">Score</th></tr>\n";
    for (const ResultSummary& r : results) {
        html += "<tr><td><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(r.id) + "\">" +
                std::to_string(r.id) + "</a>" + (r.imported ? " <span class=\"imported\">imported</span>" : "") +
                (r.standing == model::Standing::Outlier ? " <span class=\"outlier\">outlier</span>" : "") +
                "</td><td>" + formatDate(r.createdAt) + "</td><td>";
        if (r.graphicsCardId > 0)
            html += "<a href=\"" + std::string(kSiteBase) + "Card/" + std::to_string(r.graphicsCardId) + "\">" +
                    escapeHtml(orDash(r.cardName)) + "</a>";
        else
            html += escapeHtml(orDash(r.cardName));
        html += "</td><td>" + escapeHtml(orDash(r.driverText)) + "</td><td>" + escapeHtml(orDash(r.cpuName)) +
                "</td><td>" + escapeHtml(orDash(r.osText)) + "</td><td class=\"n\">" + formatScore(r.score ? *r.score : 0.0) +
                "</td></tr>\n";
    }
    return html + "</table></div>\n";
}

void summariesJson(JsonWriter& j, const std::vector<ResultSummary>& results)
{
    j.beginArray();
    for (const ResultSummary& r : results) {
        j.beginObject().field("id", r.id).field("createdAt", r.createdAt).field("imported", r.imported);
        j.field("graphicsCardId", r.graphicsCardId).field("cardName", r.cardName);
        j.field("driverText", r.driverText).field("processor", r.cpuName).field("os", r.osText);
        if (r.score)
            j.field("score", *r.score);
        else
            j.key("score").null();
        j.field("standing", standingName(r.standing)).endObject();
    }
    j.endArray();
}

std::string cohortTable(const std::vector<CohortSummary>& cohorts)
{
    std::string html = "<table><caption>Its results by graphics system, display mode and driver</caption>"
                       "<tr><th>Graphics system and display mode</th><th>Driver (newest version first)</th>"
                       "<th class=\"n\">Median score</th><th class=\"n\">Results</th><th class=\"n\">Counted</th>"
                       "<th>Newest</th></tr>\n";
    for (const CohortSummary& c : cohorts) {
        html += "<tr><td>" + escapeHtml(c.key.modeText()) + "</td><td>" + escapeHtml(orDash(c.driverText)) +
                "</td><td class=\"n\">" + formatScore(c.medianScore) + "</td><td class=\"n\">" +
                std::to_string(c.resultCount) + "</td><td class=\"n\">" + std::to_string(c.counted) +
                "</td><td><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(c.newestResultId) +
                "\">result " + std::to_string(c.newestResultId) + "</a></td></tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::string cardPageHtml(const CardPageData& data)
{
    std::string body = "<h1>" + escapeHtml(orDash(data.cardName)) + "</h1>\n";
    body += "<p>Product ID " + escapeHtml(orDash(data.productId)) + ", Vendor ID " +
            escapeHtml(orDash(data.vendorId)) + ", SubProduct ID " + escapeHtml(orDash(data.subProductId)) +
            ", SubVendor ID " + escapeHtml(orDash(data.subVendorId)) + ". " +
            countOf(data.totalResults, "result", "results") + ".</p>\n";
    body += "<h2>Cohorts</h2>\n<p>Results are compared within one graphics system and display mode; "
            "drivers are listed by version.</p>\n";
    std::string histories;
    for (std::size_t i = 0; i < data.cohorts.size(); ++i) {
        const model::CohortKey& k = data.cohorts[i].key;
        if (i > 0 && k.sameSystemAndMode(data.cohorts[i - 1].key))
            continue;  // ordered by system and mode: one link each
        histories += std::string(histories.empty() ? "" : "; ") + "<a href=\"" +
                     escapeHtml(driverHistoryPath(data.graphicsCardId, k)) + "\">" + escapeHtml(k.modeText()) + "</a>";
    }
    if (!histories.empty())
        body += "<p>Driver history, every version with its figures and changes beyond the noise: " + histories +
                ".</p>\n";
    body += "<div class=\"scroll\">" + cohortTable(data.cohorts) + "</div>";
    const std::string all = std::string(kSiteBase) + "?card=" + std::to_string(data.graphicsCardId);
    body += "<h2>Results</h2>\n<p>The newest " + std::to_string(data.results.size()) + " of " +
            std::to_string(data.totalResults) + ". <a href=\"" + all + "&amp;sort=score\">Every result of this card, "
            "sorted by score</a>, or <a href=\"" + all + "\">newest first</a>, to page through, filter and "
            "compare; as <a href=\"" + std::string(kSiteBase) + "Results.csv?card=" +
            std::to_string(data.graphicsCardId) + "&amp;sort=score&amp;per=500\">CSV</a>.</p>\n" +
            resultsTable(data.results);
    return pageFrame(data.cardName.empty() ? "Graphics card" : data.cardName, body);
}

std::string cardPageJson(const CardPageData& data)
{
    JsonWriter j;
    j.beginObject().field("graphicsCardId", data.graphicsCardId).field("cardName", data.cardName);
    j.field("productId", data.productId).field("vendorId", data.vendorId);
    j.field("subProductId", data.subProductId).field("subVendorId", data.subVendorId);
    j.field("totalResults", static_cast<int64_t>(data.totalResults)).key("cohorts").beginArray();
    for (const CohortSummary& c : data.cohorts) {
        j.beginObject().field("graphicsSystem", model::nameOf(c.key.system)).field("width", c.key.width);
        j.field("height", c.key.height).field("bitsPerPixel", c.key.bitsPerPixel);
        j.field("driverText", c.driverText).field("resultCount", static_cast<int64_t>(c.resultCount));
        j.field("counted", static_cast<int64_t>(c.counted)).field("medianScore", c.medianScore).endObject();
    }
    j.endArray().key("results");
    summariesJson(j, data.results);
    j.endObject();
    return j.text();
}

std::string messagePageHtml(const std::string& title, const std::string& what)
{
    return pageFrame(title, "<h1>" + escapeHtml(title) + "</h1>\n<p>" + escapeHtml(what) +
                                "</p>\n<p><a href=\"" + std::string(kSiteBase) +
                                "\">Latest results</a></p>\n");
}

std::string notFoundPageHtml(const std::string& what)
{
    return messagePageHtml("Not found", what);
}

std::string notFoundPageJson(const std::string& what)
{
    JsonWriter j;
    j.beginObject().field("error", what).endObject();
    return j.text();
}
