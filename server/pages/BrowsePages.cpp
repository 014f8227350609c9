#include "server/pages/BrowsePages.h"

#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PageFrame.h"

namespace {

std::string resultsTable(const std::vector<ResultSummary>& results)
{
    if (results.empty())
        return "<p>No results.</p>\n";
    std::string html = "<table class=\"results\"><tr><th>Result</th><th>Uploaded</th><th>Graphics card</th>"
                       "<th>Driver</th><th>Processor</th><th>Operating system</th><th class=\"n\">Score</th></tr>\n";
    for (const ResultSummary& r : results) {
        html += "<tr><td><a href=\"" + std::string(kSiteBase) + "Result/" + std::to_string(r.id) + "\">" +
                std::to_string(r.id) + "</a>" + (r.imported ? " <span class=\"imported\">imported</span>" : "") +
                "</td><td>" + formatDate(r.createdAt) + "</td><td>";
        if (r.graphicsCardId > 0)
            html += "<a href=\"" + std::string(kSiteBase) + "Card/" + std::to_string(r.graphicsCardId) + "\">" +
                    escapeHtml(orDash(r.cardName)) + "</a>";
        else
            html += escapeHtml(orDash(r.cardName));
        html += "</td><td>" + escapeHtml(orDash(r.driverText)) + "</td><td>" + escapeHtml(orDash(r.cpuName)) +
                "</td><td>" + escapeHtml(orDash(r.osText)) + "</td><td class=\"n\">" + formatScore(r.score) +
                "</td></tr>\n";
    }
    return html + "</table>\n";
}

void summariesJson(JsonWriter& j, const std::vector<ResultSummary>& results)
{
    j.beginArray();
    for (const ResultSummary& r : results) {
        j.beginObject().field("id", r.id).field("createdAt", r.createdAt).field("imported", r.imported);
        j.field("graphicsCardId", r.graphicsCardId).field("cardName", r.cardName);
        j.field("driverText", r.driverText).field("processor", r.cpuName).field("os", r.osText);
        j.field("score", r.score).endObject();
    }
    j.endArray();
}

std::string rankingTable(const std::vector<RankingRow>& rows, bool withDriver)
{
    std::string html = "<table><tr><th class=\"n\">#</th><th>Graphics card</th>";
    if (withDriver)
        html += "<th>Driver</th>";
    html += "<th class=\"n\">Median score</th><th class=\"n\">Results</th></tr>\n";
    int place = 0;
    for (const RankingRow& row : rows) {
        html += "<tr><td class=\"n\">" + std::to_string(++place) + "</td><td><a href=\"" +
                std::string(kSiteBase) + "Card/" + std::to_string(row.graphicsCardId) + "\">" +
                escapeHtml(orDash(row.cardName)) + "</a></td>";
        if (withDriver)
            html += "<td>" + escapeHtml(orDash(row.driverText)) + "</td>";
        html += "<td class=\"n\">" + formatScore(row.medianScore) + "</td><td class=\"n\">" +
                std::to_string(row.resultCount) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

void rankingJson(JsonWriter& j, const std::vector<RankingRow>& rows)
{
    j.beginArray();
    for (const RankingRow& row : rows) {
        j.beginObject().field("graphicsCardId", row.graphicsCardId).field("cardName", row.cardName);
        if (!row.driverKey.empty())
            j.field("driverKey", row.driverKey).field("driverText", row.driverText);
        j.field("medianScore", row.medianScore).field("resultCount", row.resultCount).endObject();
    }
    j.endArray();
}

} // namespace

std::string indexPageHtml(const IndexPageData& data, const std::string& importMessage)
{
    std::string body = "<h1>Korvid results</h1>\n";
    body += "<p>" + std::to_string(data.totalResults) + " results of the Korvid 2D drawing benchmark. "
            "Each result page compares a run with the other runs of the same graphics card and "
            "driver. <a href=\"" + std::string(kSiteBase) + "Downloads\">Download Korvid</a> to add yours.</p>\n";
    body += "<form class=\"search\" method=\"get\" action=\"" + std::string(kSiteBase) +
            "\"><label>Search by card, processor or driver: <input type=\"text\" name=\"q\" value=\"" +
            escapeHtml(data.search) + "\"></label> <button type=\"submit\">Search</button></form>\n";
    body += data.search.empty() ? "<h2>Latest results</h2>\n"
                                : "<h2>Results matching “" + escapeHtml(data.search) + "”</h2>\n";
    body += resultsTable(data.results);
    body += "<h2>Add a saved result</h2>\n";
    if (!importMessage.empty())
        body += "<p class=\"imported\">" + escapeHtml(importMessage) + "</p>\n";
    body += "<p>Ran Korvid without a connection? Send the <code>.kvdresult</code> file it saved; it "
            "is stored as an imported result. Importing needs a login: a client name and key from "
            "this site's host. A file sent again gives the result it gave the first time.</p>\n<form method=\"post\" action=\"" +
            std::string(kSiteBase) + "Import\" enctype=\"multipart/form-data\">"
            "<input type=\"file\" name=\"transcript\" accept=\".kvdresult,text/plain\"> "
            "<button type=\"submit\">Import</button></form>\n"
            "<p>Or paste the text of the file:</p>\n<form method=\"post\" action=\"" + std::string(kSiteBase) +
            "Import\"><textarea name=\"transcript\" rows=\"6\" cols=\"90\"></textarea><br>"
            "<button type=\"submit\">Import the text</button></form>\n";
    return pageFrame("Latest results", body);
}

std::string indexPageJson(const IndexPageData& data)
{
    JsonWriter j;
    j.beginObject().field("search", data.search).field("totalResults", data.totalResults);
    j.key("results");
    summariesJson(j, data.results);
    j.endObject();
    return j.text();
}

std::string rankingPageHtml(const RankingPageData& data)
{
    std::string body = "<h1>Graphics card ranking</h1>\n";
    body += "<p>The median <a href=\"#score\">score</a> of each card's results, and of each card under "
            "each driver. Figures as of " + formatDate(data.computedAt) + ".</p>\n" + scoreDefinitionHtml();
    body += "<h2>By card</h2>\n" + rankingTable(data.cards, false);
    body += "<h2>By card and driver</h2>\n" + rankingTable(data.cardDrivers, true);
    return pageFrame("Card ranking", body);
}

std::string rankingPageJson(const RankingPageData& data)
{
    JsonWriter j;
    j.beginObject().field("computedAt", data.computedAt).key("cards");
    rankingJson(j, data.cards);
    j.key("cardDrivers");
    rankingJson(j, data.cardDrivers);
    j.endObject();
    return j.text();
}

std::string cardPageHtml(const CardPageData& data)
{
    std::string body = "<h1>" + escapeHtml(orDash(data.cardName)) + "</h1>\n";
    body += "<p>Product ID " + escapeHtml(orDash(data.productId)) + ", Vendor ID " +
            escapeHtml(orDash(data.vendorId)) + ", SubProduct ID " + escapeHtml(orDash(data.subProductId)) +
            ", SubVendor ID " + escapeHtml(orDash(data.subVendorId)) + ". " +
            std::to_string(data.totalResults) + " results.</p>\n";
    body += "<h2>By driver</h2>\n" + rankingTable(data.drivers, true);
    body += "<h2>Results</h2>\n" + resultsTable(data.results);
    return pageFrame(data.cardName.empty() ? "Graphics card" : data.cardName, body);
}

std::string cardPageJson(const CardPageData& data)
{
    JsonWriter j;
    j.beginObject().field("graphicsCardId", data.graphicsCardId).field("cardName", data.cardName);
    j.field("productId", data.productId).field("vendorId", data.vendorId);
    j.field("subProductId", data.subProductId).field("subVendorId", data.subVendorId);
    j.field("totalResults", data.totalResults).key("drivers");
    rankingJson(j, data.drivers);
    j.key("results");
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
