#include "server/pages/ResultListPage.h"

#include <cstdio>
#include <cstdlib>

#include "server/model/Ranking.h"
#include "server/pages/Csv.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/ListParameters.h"
#include "server/pages/PageFrame.h"
#include "server/pages/QueryString.h"
#include "server/pages/ResultPage.h"

namespace {

const SortName<ResultSort> kSorts[] = {
    {ResultSort::Id, "id", "Result"},           {ResultSort::Card, "card", "Graphics card"},
    {ResultSort::Driver, "driver", "Driver"},   {ResultSort::Os, "os", "Operating system"},
    {ResultSort::Processor, "processor", "Processor"}, {ResultSort::Score, "score", "Score"},
};

std::string modeText(const ResultListRequest& q)
{
    return modeParameter(q.width, q.height, q.bitsPerPixel);
}

std::string listLink(const ResultListRequest& q, const std::string& suffix = "")
{
    const std::string query = resultListQuery(q);
    return std::string(kSiteBase) + (suffix.empty() ? "" : "Results" + suffix) + (query.empty() ? "" : "?" + query);
}

std::string headerCell(const ResultListData& data, ResultSort sort, const char* title, bool numeric)
{
    ResultListRequest q = data.request;
    const bool current = q.sort == sort;
    // A column sorts descending first (newest, fastest), ascending when it already is.
    q.ascending = current ? !q.ascending : sort != ResultSort::Id && sort != ResultSort::Score;
    q.sort = sort;
    q.after = 0;
    const std::string mark = current ? (data.request.ascending ? " ▲" : " ▼") : "";
    return std::string("<th") + (numeric ? " class=\"n\"" : "") + (current ? " aria-sort=\"" +
           std::string(data.request.ascending ? "ascending" : "descending") + "\"" : "") + "><a href=\"" +
           escapeHtml(listLink(q)) + "\">" + title + "</a>" + mark + "</th>";
}

std::string filterForm(const ResultListRequest& q)
{
    const auto input = [](const char* name, const char* label, const std::string& value, const char* size) {
        return std::string("<label>") + label + " <input type=\"text\" name=\"" + name + "\" size=\"" + size +
               "\" value=\"" + escapeHtml(value) + "\"></label> ";
    };
    std::string html = "<form class=\"search\" method=\"get\" action=\"" + std::string(kSiteBase) +
                       "\" aria-label=\"Search and filter the results\">" +
                       input("q", "Search card, card ID, vendor, driver, processor or OS:", q.search, "28") + "<br>" +
                       input("driver", "Driver", q.driver, "14") + input("os", "OS", q.os, "12") +
                       input("processor", "Processor", q.processor, "14") +
                       input("mode", "Display mode (WxHxbpp)", modeText(q), "12");
    html += "<label>Graphics system <select name=\"system\">" + systemOptions(q.system) +
            "</select></label> <label>Sort by <select name=\"sort\">" + sortOptions(kSorts, q.sort) +
            "</select></label> <label><input type=\"checkbox\" name=\"order\" value=\"asc\"" +
            std::string(q.ascending ? " checked" : "") + "> ascending</label>";
    if (q.card > 0)
        html += "<input type=\"hidden\" name=\"card\" value=\"" + std::to_string(q.card) + "\">";
    return html + " <button type=\"submit\">Show</button></form>\n";
}

std::string pagingLinks(const ResultListData& data)
{
    // Each page follows from the last result of the one before, in any sort order.
    const ResultListRequest& q = data.request;
    std::string html;
    if (q.after > 0) {
        ResultListRequest first = q;
        first.after = 0;
        html += "<a href=\"" + escapeHtml(listLink(first)) + "\">First page</a> ";
    }
    if (data.hasMore && !data.results.empty()) {
        ResultListRequest next = q;
        next.after = data.results.back().id;
        html += "<a href=\"" + escapeHtml(listLink(next)) + "\" rel=\"next\">Next page</a>";
    }
    return html.empty() ? "" : "<p class=\"paging\">" + html + "</p>\n";
}

std::string matchedText(const ResultListData& data)
{
    const std::string limit = std::to_string(data.countLimit);
    switch (data.matchCount) {
    case MatchCount::MoreThan:
        return "More than " + limit + " results";
    case MatchCount::AtLeast:
        return "At least " + std::to_string(data.matched) + (data.matched == 1 ? " result" : " results");
    default:
        return std::to_string(data.matched) + (data.matched == 1 ? " result" : " results");
    }
}

const char* matchCountName(MatchCount count)
{
    switch (count) {
    case MatchCount::MoreThan: return "moreThan";
    case MatchCount::AtLeast: return "atLeast";
    default: return "exact";
    }
}

std::string listTable(const ResultListData& data)
{
    if (data.results.empty())
        return "<p>No results.</p>\n";
    std::string html = "<form method=\"get\" action=\"" + std::string(kSiteBase) +
                       "Compare\" aria-label=\"Compare the checked results\"><div class=\"scroll\">"
                       "<table class=\"results\"><caption>Results, " +
                       std::to_string(data.results.size()) + " on this page</caption><tr><th>Compare</th>" +
                       headerCell(data, ResultSort::Id, "Result", false) + "<th>Uploaded</th>" +
                       headerCell(data, ResultSort::Card, "Graphics card", false) +
                       headerCell(data, ResultSort::Driver, "Driver", false) +
                       headerCell(data, ResultSort::Processor, "Processor", false) + headerCell(data, ResultSort::Os, "Operating system", false) +
                       headerCell(data, ResultSort::Score, "Score", true) + "</tr>\n";
    for (const ResultSummary& r : data.results) {
        html += "<tr><td><input type=\"checkbox\" name=\"id\" value=\"" + std::to_string(r.id) +
                "\" aria-label=\"Compare result " + std::to_string(r.id) + "\"></td><td><a href=\"" +
                std::string(kSiteBase) + "Result/" + std::to_string(r.id) + "\">" + std::to_string(r.id) + "</a>" +
                (r.imported ? " <span class=\"imported\">imported</span>" : "") +
                (r.standing == model::Standing::Outlier ? " <span class=\"outlier\">outlier</span>" : "") +
                "</td><td>" + formatDate(r.createdAt) + "</td><td>";
        if (r.graphicsCardId > 0)
            html += "<a href=\"" + std::string(kSiteBase) + "Card/" + std::to_string(r.graphicsCardId) + "\">" +
                    escapeHtml(orDash(r.cardName)) + "</a>";
        else
            html += escapeHtml(orDash(r.cardName));
        html += "</td><td>" + escapeHtml(orDash(r.driverText)) + "</td><td>" + escapeHtml(orDash(r.cpuName)) +
                "</td><td>" + escapeHtml(orDash(r.osText)) + "</td><td class=\"n\">" +
                formatScore(r.score ? *r.score : 0.0) + "</td></tr>\n";
    }
    return html + "</table></div>\n<p><button type=\"submit\">Compare the checked results</button> "
                  "<label>or these result IDs: <input type=\"text\" name=\"ids\" size=\"16\" "
                  "placeholder=\"12, 15, 40\"></label> <span class=\"note\">two to eight; the first is "
                  "what the others are measured against</span></p></form>\n";
}

} // namespace

std::string resultListQuery(const ResultListRequest& q)
{
    return QueryBuilder()
        .add("q", q.search)
        .add("card", q.card > 0 ? std::to_string(q.card) : "")
        .add("driver", q.driver)
        .add("system", q.system == model::GraphicsSystem::Unknown ? "" : model::nameOf(q.system))
        .add("mode", modeText(q))
        .add("os", q.os)
        .add("processor", q.processor)
        .add("sort", q.sort == ResultSort::Id ? "" : sortNameOf(kSorts, q.sort))
        .add("order", q.ascending ? "asc" : "")
        .add("after", q.after > 0 ? std::to_string(q.after) : "")
        .add("per", q.pageSize != ResultListRequest{}.pageSize ? std::to_string(q.pageSize) : "")
        .text();
}

ResultListRequest parseResultListQuery(const std::string& query)
{
    ResultListRequest q;
    const auto number = [&](const char* name, int64_t high) { return queryNumber(query, name, high); };
    q.search = queryValue(query, "q");
    q.card = static_cast<int32_t>(number("card", 2147483647));
    q.driver = queryValue(query, "driver");
    q.os = queryValue(query, "os");
    q.processor = queryValue(query, "processor");
    q.system = systemParameter(queryValue(query, "system"));
    const DisplayModeParameter mode = parseModeParameter(queryValue(query, "mode"));
    q.width = mode.width;
    q.height = mode.height;
    q.bitsPerPixel = mode.bitsPerPixel;
    q.sort = sortParameter(kSorts, queryValue(query, "sort"), q.sort);
    q.ascending = queryValue(query, "order") == "asc";
    q.after = static_cast<int32_t>(number("after", 2147483647));
    const int64_t per = number("per", 500);
    if (per > 0)
        q.pageSize = static_cast<int>(per);
    return q;
}

std::string indexPageHtml(const ResultListData& data, const std::string& importMessage)
{
    const ResultListRequest& q = data.request;
    std::string body;
    if (!importMessage.empty())
        body += "<p class=\"imported\" role=\"alert\">" + escapeHtml(importMessage) + "</p>\n";
    body += "<h1>Korvid results</h1>\n";
    body += "<p>" + std::to_string(data.totalResults) + " results of the Korvid 2D drawing benchmark. "
            "Each result page compares a run with the other runs of the same graphics card, "
            "driver, graphics system and display mode. <a href=\"" + std::string(kSiteBase) +
            "Downloads\">Download Korvid</a> to add yours.</p>\n";
    body += filterForm(q);
    const bool filtered = q.filtered();
    body += std::string(filtered ? "<h2>Results matching" : "<h2>Latest results") +
            (q.search.empty() ? "" : " “" + escapeHtml(q.search) + "”") + "</h2>\n";
    body += "<p>" + matchedText(data) + (filtered ? " match" : "") +
            (data.matchCount == MatchCount::Exact ? "" : " (counting stops after reading " +
                                                             std::to_string(data.countLimit) + " results)") +
            (q.sort == ResultSort::Score ? "; sorted by score, those without a score are not listed" : "") +
            ". Download this page as <a href=\"" + escapeHtml(listLink(q, ".csv")) + "\">CSV</a> or <a href=\"" +
            escapeHtml(listLink(q, ".json")) + "\">JSON</a>.</p>\n";
    body += listTable(data) + pagingLinks(data);
    body += "<h2>Add a saved result</h2>\n";
    body += "<p>Ran Korvid without a connection? Send the <code>.kvdresult</code> file it saved; it "
            "is stored as an imported result. Importing needs a login: a client name and key from "
            "this site's host. A file sent again gives the result it gave the first time.</p>\n<form method=\"post\" action=\"" +
            std::string(kSiteBase) + "Import\" enctype=\"multipart/form-data\" aria-label=\"Import a saved result file\">"
            "<input type=\"file\" name=\"transcript\" accept=\".kvdresult,text/plain\" aria-label=\"Saved result file\"> "
            "<button type=\"submit\">Import</button></form>\n"
            "<p>Or paste the text of the file:</p>\n<form method=\"post\" action=\"" + std::string(kSiteBase) +
            "Import\" aria-label=\"Import pasted result text\"><textarea name=\"transcript\" rows=\"6\" cols=\"90\" "
            "aria-label=\"Text of a saved result file\"></textarea><br>"
            "<button type=\"submit\">Import the text</button></form>\n";
    return pageFrame(filtered ? "Results matching" : "Latest results", body);
}

std::string resultListJson(const ResultListData& data)
{
    JsonWriter j;
    j.beginObject()
        .field("query", resultListQuery(data.request))
        .field("totalResults", static_cast<int64_t>(data.totalResults))
        .field("matched", static_cast<int64_t>(data.matched))
        .field("matchCount", matchCountName(data.matchCount))
        .field("countLimit", data.countLimit);
    if (data.hasMore && !data.results.empty()) {
        ResultListRequest next = data.request;
        next.after = data.results.back().id;
        j.field("next", listLink(next, ".json"));
    } else {
        j.key("next").null();
    }
    j.key("results").beginArray();
    for (const ResultSummary& r : data.results) {
        j.beginObject().field("id", r.id).field("createdAt", r.createdAt).field("imported", r.imported);
        j.field("graphicsCardId", r.graphicsCardId).field("cardName", r.cardName);
        j.field("driverText", r.driverText).field("processor", r.cpuName).field("os", r.osText);
        if (r.score)
            j.field("score", *r.score);
        else
            j.key("score").null();
        j.field("standing", standingName(r.standing)).endObject();
    }
    j.endArray().endObject();
    return j.text();
}

std::string resultListCsv(const ResultListData& data)
{
    std::string csv = "id,uploaded,imported,standing,graphics_card_id,card,driver,processor,os,score\r\n";
    for (const ResultSummary& r : data.results) {
        char score[32] = "";
        if (r.score)
            std::snprintf(score, sizeof score, "%.2f", *r.score);
        csv += std::to_string(r.id) + "," + std::to_string(r.createdAt) + "," + (r.imported ? "1" : "0") + "," +
               standingName(r.standing) + "," + std::to_string(r.graphicsCardId) + "," + csvField(r.cardName) + "," +
               csvField(r.driverText) + "," + csvField(r.cpuName) + "," + csvField(r.osText) + "," + score + "\r\n";
    }
    return csv;
}
