#include "server/pages/RankingPage.h"

#include <cstdio>

#include "server/model/Cohort.h"
#include "server/model/Ranking.h"
#include "server/pages/Csv.h"
#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/ListParameters.h"
#include "server/pages/PageFrame.h"
#include "server/pages/QueryString.h"

namespace {

const SortName<RankingSort> kSorts[] = {
    {RankingSort::Median, "median", "Median score"}, {RankingSort::Card, "card", "Graphics card"},
    {RankingSort::Lower, "lower", "Lower quartile"}, {RankingSort::Upper, "upper", "Upper quartile"},
    {RankingSort::Counted, "counted", "Counted results"},
};

std::string modeText(const RankingRequest& q)
{
    return modeParameter(q.width, q.height, q.bitsPerPixel);
}

std::string link(const RankingRequest& q, const std::string& suffix = "")
{
    const std::string query = rankingQuery(q);
    return std::string(kSiteBase) + "Ranking" + suffix + (query.empty() ? "" : "?" + query);
}

std::string headerCell(const RankingRequest& request, RankingSort sort, const char* title, bool numeric)
{
    RankingRequest q = request;
    const bool current = q.sort == sort;
    // Numbers sort from the highest first, names from A; a second click turns the order.
    q.ascending = current ? !q.ascending : sort == RankingSort::Card;
    q.sort = sort;
    q.page = 1;
    q.unrankedPage = 1;
    return std::string("<th") + (numeric ? " class=\"n\"" : "") +
           (current ? " aria-sort=\"" + std::string(request.ascending ? "ascending" : "descending") + "\"" : "") +
           "><a href=\"" + escapeHtml(link(q)) + "\">" + title + "</a>" +
           (current ? (request.ascending ? " ▲" : " ▼") : "") + "</th>";
}

// One link per graphics system, the shown one marked, the rest of the request kept.
std::string systemLinks(const RankingRequest& request)
{
    std::string html = "<p>Graphics system:";
    for (model::GraphicsSystem s :
         {model::GraphicsSystem::Unknown, model::GraphicsSystem::Direct2D, model::GraphicsSystem::GDI}) {
        RankingRequest q = request;
        q.system = s;
        q.page = q.unrankedPage = 1;
        const std::string name = s == model::GraphicsSystem::Unknown ? "any" : model::nameOf(s);
        html += std::string(s == model::GraphicsSystem::Unknown ? " " : " · ") + "<a href=\"" + escapeHtml(link(q)) +
                "\"" + (request.system == s ? " aria-current=\"page\"" : "") + ">" + name + "</a>";
    }
    return html + "</p>\n";
}

std::string filterForm(const RankingListData& data)
{
    const RankingRequest& q = data.request;
    std::string html = systemLinks(q) + "<form class=\"search\" method=\"get\" action=\"" + std::string(kSiteBase) +
                       "Ranking\" aria-label=\"Filter and sort the ranking\"><label>Card name, card ID or vendor "
                       "<input type=\"text\" name=\"card\" size=\"20\" value=\"" + escapeHtml(q.card) +
                       "\"></label><br><label>Graphics system <select name=\"system\">" + systemOptions(q.system) +
            "</select></label> <label>Display mode (WxHxbpp) <input type=\"text\" name=\"mode\" size=\"12\" value=\"" +
            escapeHtml(modeText(q)) + "\"></label> ";
    if (data.versions.size() > 1) {
        html += "<label>Score version <select name=\"version\">";
        for (const RankingVersion& v : data.versions)
            html += "<option value=\"" + std::to_string(v.version) + "\"" + (v.version == data.version ? " selected" : "") +
                    ">" + std::to_string(v.version) + " (" + escapeHtml(v.state) + ")</option>";
        html += "</select></label> ";
    }
    html += "<label>Sort by <select name=\"sort\">" + sortOptions(kSorts, q.sort) +
            "</select></label> <label><input type=\"checkbox\" name=\"order\" value=\"asc\"" +
            std::string(q.ascending ? " checked" : "") + "> ascending</label>";
    return html + " <button type=\"submit\">Show</button></form>\n";
}

std::string table(const RankingListData& data, const std::vector<RankedCard>& rows, bool ranked)
{
    if (rows.empty())
        return "<p>No cards.</p>\n";
    const RankingRequest& q = data.request;
    std::string html = "<div class=\"scroll\"><table class=\"results\"><caption>" +
                       std::string(ranked ? "Ranked cards" : "Cards with too few counted results") + ", " +
                       std::to_string(rows.size()) + " on this page</caption><tr><th>Compare</th>" +
                       (ranked ? "<th class=\"n\">#</th>" : "") + headerCell(q, RankingSort::Card, "Graphics card", false) +
                       headerCell(q, RankingSort::Median, "Median score", true) +
                       headerCell(q, RankingSort::Lower, "Lower quartile", true) +
                       headerCell(q, RankingSort::Upper, "Upper quartile", true) +
                       headerCell(q, RankingSort::Counted, "Counted results", true) + "<th>Largest cohort</th></tr>\n";
    for (const RankedCard& row : rows) {
        html += "<tr><td>";
        if (row.cohortId > 0)
            html += "<input type=\"checkbox\" name=\"cohort\" value=\"" + std::to_string(row.cohortId) +
                    "\" aria-label=\"Compare the largest cohort of " + escapeHtml(orDash(row.cardName)) + "\">";
        html += "</td>" + (ranked ? "<td class=\"n\">" + std::to_string(row.place) + "</td>" : std::string()) +
                "<td><a href=\"" + std::string(kSiteBase) + "Card/" + std::to_string(row.graphicsCardId) + "\">" +
                escapeHtml(orDash(row.cardName)) + "</a></td><td class=\"n\">" + formatScore(row.medianScore) +
                "</td><td class=\"n\">" + formatScore(row.lowerScore) + "</td><td class=\"n\">" +
                formatScore(row.upperScore) + "</td><td class=\"n\">" + std::to_string(row.counted) + "</td><td>" +
                escapeHtml(orDash(row.cohortText)) + "</td></tr>\n";
    }
    return html + "</table></div>\n";
}

std::string paging(const RankingListData& data, bool ranked)
{
    RankingRequest q = data.request;
    int64_t& page = ranked ? q.page : q.unrankedPage;
    const bool more = ranked ? data.moreRanked() : data.moreUnranked();
    std::string html;
    const int64_t current = page;
    if (current > 1) {
        page = current - 1;
        html += "<a href=\"" + escapeHtml(link(q)) + "\" rel=\"prev\">Previous page</a> ";
    }
    if (current > 1 || more)
        html += "Page " + std::to_string(current) + " ";
    if (more) {
        page = current + 1;
        html += "<a href=\"" + escapeHtml(link(q)) + "\" rel=\"next\">Next page</a>";
    }
    return html.empty() ? "" : "<p class=\"paging\">" + html + "</p>\n";
}

void rowsJson(JsonWriter& j, const std::vector<RankedCard>& rows, bool ranked)
{
    j.beginArray();
    for (const RankedCard& row : rows) {
        j.beginObject().field("graphicsCardId", row.graphicsCardId);
        if (ranked)
            j.field("place", row.place);
        j.field("cardName", row.cardName).field("medianScore", row.medianScore);
        j.field("lowerScore", row.lowerScore).field("upperScore", row.upperScore).field("counted", row.counted);
        if (row.cohortId > 0)
            j.field("cohortId", row.cohortId).field("cohort", row.cohortText);
        else
            j.key("cohortId").null();
        j.endObject();
    }
    j.endArray();
}

std::string csvNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace

std::string rankingQuery(const RankingRequest& q)
{
    return QueryBuilder()
        .add("card", q.card)
        .add("system", q.system == model::GraphicsSystem::Unknown ? "" : model::nameOf(q.system))
        .add("mode", modeText(q))
        .add("version", q.version > 0 ? std::to_string(q.version) : "")
        .add("sort", q.sort == RankingSort::Median ? "" : sortNameOf(kSorts, q.sort))
        .add("order", q.ascending ? "asc" : "")
        .add("page", q.page > 1 ? std::to_string(q.page) : "")
        .add("upage", q.unrankedPage > 1 ? std::to_string(q.unrankedPage) : "")
        .add("per", q.pageSize != RankingRequest{}.pageSize ? std::to_string(q.pageSize) : "")
        .text();
}

RankingRequest parseRankingQuery(const std::string& query)
{
    RankingRequest q;
    const auto number = [&](const char* name, int64_t high) { return queryNumber(query, name, high); };
    q.card = queryValue(query, "card");
    q.system = systemParameter(queryValue(query, "system"));
    const DisplayModeParameter mode = parseModeParameter(queryValue(query, "mode"));
    q.width = mode.width;
    q.height = mode.height;
    q.bitsPerPixel = mode.bitsPerPixel;
    q.version = static_cast<int>(number("version", 1000000));
    q.sort = sortParameter(kSorts, queryValue(query, "sort"), q.sort);
    q.ascending = queryValue(query, "order") == "asc";
    q.page = std::max<int64_t>(1, number("page", 1000000));
    q.unrankedPage = std::max<int64_t>(1, number("upage", 1000000));
    const int64_t per = number("per", 500);
    if (per > 0)
        q.pageSize = static_cast<int>(per);
    return q;
}

std::string rankingPageHtml(const RankingListData& data)
{
    const RankingRequest& q = data.request;
    std::string body = "<h1>Graphics card ranking</h1>\n";
    if (data.version == 0)
        return pageFrame("Card ranking", body + "<p>No score version exists yet.</p>\n");
    body += "<p>The median <a href=\"#score\">score</a> (version " + std::to_string(data.version) +
            (data.building ? ", being built: older results are still being scored" : "") + ", rated against " +
            escapeHtml(data.referenceLabel) + ") of each card's counted results, with their quartiles. A card is "
            "ranked with at least " + std::to_string(model::kRankingMinimum) +
            " counted results; outliers and imported results are not counted. " +
            (data.fromCohortBins ? "In one graphics system or display mode, medians and quartiles are read from the "
                                   "score bins of the card's cohorts there, 1 % wide (within 0.5 %)."
                                 : "Medians and quartiles are read from score bins 0.1 % wide.") +
            " A card's check box compares its largest cohort (the driver, system and mode with the most counted "
            "results).</p>\n" + scoreDefinitionHtml();
    body += filterForm(data);
    body += "<p>" + std::to_string(data.rankedCount) + (data.rankedCount == 1 ? " card" : " cards") + " ranked, " +
            std::to_string(data.unrankedCount) + " with too few counted results. Download as <a href=\"" +
            escapeHtml(link(q, ".csv")) + "\">CSV</a> (every card) or <a href=\"" + escapeHtml(link(q, ".json")) +
            "\">JSON</a> (this page).</p>\n";
    body += "<form method=\"get\" action=\"" + std::string(kSiteBase) +
            "Cohorts\" aria-label=\"Compare the checked cards\">";
    body += "<h2>Ranked</h2>\n" + table(data, data.ranked, true) + paging(data, true);
    body += "<h2>Too few results to rank</h2>\n" + table(data, data.unranked, false) + paging(data, false);
    body += "<p><button type=\"submit\">Compare the two checked cards</button> <span class=\"note\">their largest "
            "cohorts, the first checked against the second</span></p></form>\n";
    return pageFrame("Card ranking", body);
}

std::string rankingPageJson(const RankingListData& data)
{
    JsonWriter j;
    j.beginObject().field("query", rankingQuery(data.request)).field("version", data.version);
    j.field("reference", data.referenceLabel).field("building", data.building).key("versions").beginArray();
    for (const RankingVersion& v : data.versions)
        j.beginObject().field("version", v.version).field("state", v.state).endObject();
    j.endArray().field("binWidth", data.fromCohortBins ? 0.01 : 0.001);
    j.field("rankedCount", data.rankedCount).field("unrankedCount", data.unrankedCount);
    RankingRequest next = data.request;
    next.page += 1;
    if (data.moreRanked())
        j.field("next", link(next, ".json"));
    else
        j.key("next").null();
    next = data.request;
    next.unrankedPage += 1;
    if (data.moreUnranked())
        j.field("nextUnranked", link(next, ".json"));
    else
        j.key("nextUnranked").null();
    j.key("ranked");
    rowsJson(j, data.ranked, true);
    j.key("unranked");
    rowsJson(j, data.unranked, false);
    j.endObject();
    return j.text();
}

std::string rankingCsv(const RankingListData& data)
{
    std::string csv = "place,graphics_card_id,card,median_score,lower_score,upper_score,counted,cohort_id,cohort\r\n";
    for (const auto* part : {&data.ranked, &data.unranked}) {
        for (const RankedCard& row : *part) {
            csv += (row.place > 0 ? std::to_string(row.place) : std::string()) + "," +
                   std::to_string(row.graphicsCardId) + "," + csvField(row.cardName) + "," +
                   csvNumber(row.medianScore) + "," + csvNumber(row.lowerScore) + "," + csvNumber(row.upperScore) +
                   "," + std::to_string(row.counted) + "," +
                   (row.cohortId > 0 ? std::to_string(row.cohortId) : std::string()) + "," +
                   csvField(row.cohortText) + "\r\n";
        }
    }
    return csv;
}
