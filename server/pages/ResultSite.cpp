#include "server/pages/ResultSite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "server/import/TranscriptImport.h"
#include "server/import/TranscriptParser.h"
#include "server/pages/BrowsePages.h"
#include "server/pages/CohortComparePage.h"
#include "server/pages/ComparePage.h"
#include "server/pages/Csv.h"
#include "server/pages/DownloadPage.h"
#include "server/pages/DriverHistoryPage.h"
#include "server/pages/MeasuringPage.h"
#include "server/pages/PageFrame.h"
#include "server/pages/QueryString.h"
#include "server/pages/RankingPage.h"
#include "server/pages/ResultListPage.h"
#include "server/pages/ResultPage.h"
#include "server/protocol/BasicAuth.h"
#include "server/store/RecordStore.h"
#include "server/store/ResultQueries.h"

namespace {

constexpr int kCardResults = 100;

// A result or card ID as it may appear in a path: 1 to 2^31-1, digits only.
bool parseId(const std::string& text, int32_t& id)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long value = std::stoll(text);
    if (value < 1 || value > 2147483647LL)
        return false;
    id = static_cast<int32_t>(value);
    return true;
}

// The system and display mode a driver history asks for: "system=GDI&mode=1920x1080x32"; system
// Unknown when it names none (the card's most used one is shown).
model::CohortKey wantedMode(const std::string& query)
{
    model::CohortKey key;
    const std::string system = queryValue(query, "system");
    for (model::GraphicsSystem s : {model::GraphicsSystem::Direct2D, model::GraphicsSystem::GDI}) {
        if (system == model::nameOf(s))
            key.system = s;
    }
    const std::string mode = queryValue(query, "mode");
    int w = 0, h = 0, b = 0;
    char end = 0;
    if (std::sscanf(mode.c_str(), "%dx%dx%d%c", &w, &h, &b, &end) == 3) {
        key.width = w;
        key.height = h;
        key.bitsPerPixel = b;
    } else {
        key.system = model::GraphicsSystem::Unknown;
    }
    return key;
}

// The digits of an ID written otherwise than its canonical form ("01"): the canonical form, or
// empty when the text is canonical or no ID at all.
std::string canonicalId(const std::string& text)
{
    int32_t id = 0;
    if (text.size() > 1 && text[0] == '0') {
        const std::size_t first = text.find_first_not_of('0');
        if (first != std::string::npos && parseId(text.substr(first), id))
            return std::to_string(id);
    }
    return "";
}

// JSON when Accept prefers it by its quality values to HTML: "application/json" alone, or
// "text/html;q=0.5, application/json"; a browser's "*/*" is HTML.
bool wantsJson(const std::string& accept)
{
    double html = 0.0, json = 0.0;
    std::istringstream ranges(accept);
    std::string range;
    while (std::getline(ranges, range, ',')) {
        std::string type = range.substr(0, range.find(';'));
        type.erase(0, type.find_first_not_of(" \t"));
        type.erase(type.find_last_not_of(" \t") + 1);
        for (char& c : type)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        double q = 1.0;
        const std::size_t at = range.find("q=");
        if (at != std::string::npos && range.find(';') < at)
            q = std::strtod(range.c_str() + at + 2, nullptr);
        if (type == "text/html" || type == "text/*" || type == "*/*")
            html = std::max(html, type == "text/html" ? q + 1e-9 : q);
        if (type == "application/json" || type == "application/*" || type == "*/*")
            json = std::max(json, type == "application/json" ? q + 1e-9 : q);
    }
    return json > html;
}

const char* const kIcon =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\"><rect width=\"16\" height=\"16\" "
    "rx=\"3\" fill=\"#1f3b5c\"/><polyline points=\"2,12 6,8 9,10 14,3\" fill=\"none\" stroke=\"#8fb4e3\" "
    "stroke-width=\"2\"/></svg>\n";

void page(HttpReply& reply, int status, bool json, const std::string& html, const std::string& jsonText)
{
    reply.status = status;
    if (json) {
        reply.contentType = "application/json; charset=utf-8";
        reply.body = jsonText + "\n";
    } else {
        reply.contentType = "text/html; charset=utf-8";
        reply.body = html;
    }
}

void notFound(HttpReply& reply, bool json, const std::string& what)
{
    page(reply, 404, json, notFoundPageHtml(what), notFoundPageJson(what));
}

// The file of a form field from a multipart/form-data body; empty when there is none.
std::string formFile(const std::string& contentType, const std::string& body, const std::string& field)
{
    const std::size_t at = contentType.find("boundary=");
    if (at == std::string::npos)
        return "";
    std::string boundary = contentType.substr(at + 9);
    boundary = boundary.substr(0, boundary.find(';'));
    if (boundary.size() >= 2 && boundary.front() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    const std::string delimiter = "--" + boundary;
    std::size_t part = body.find(delimiter);
    while (part != std::string::npos) {
        const std::size_t headersEnd = body.find("\r\n\r\n", part);
        if (headersEnd == std::string::npos)
            return "";
        const std::string headers = body.substr(part, headersEnd - part);
        const std::size_t next = body.find("\r\n" + delimiter, headersEnd);
        if (next == std::string::npos)
            return "";
        if (headers.find("name=\"" + field + "\"") != std::string::npos)
            return body.substr(headersEnd + 4, next - headersEnd - 4);
        part = next + 2;
    }
    return "";
}

} // namespace

ResultSite::ResultSite(ResultQueries& queries, RecordStore& store, std::string packagesFolder)
    : queries_(queries), store_(store), packagesFolder_(std::move(packagesFolder))
{
}

bool ResultSite::handle(const HttpRequestView& request, HttpReply& reply)
{
    reply.headers.emplace_back("Content-Security-Policy", contentSecurityPolicy());
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    reply.headers.emplace_back("Referrer-Policy", "no-referrer");
    reply.headers.emplace_back("Vary", "Accept");  // HTML and JSON share every address

    std::string path = percentDecode(request.path, false);
    bool json = wantsJson(request.accept);
    bool csv = false;
    if (path.size() > 5 && path.compare(path.size() - 5, 5, ".json") == 0) {
        json = true;
        path.resize(path.size() - 5);
    } else if (path.size() > 4 && path.compare(path.size() - 4, 4, ".csv") == 0) {
        csv = true;
        json = false;
        path.resize(path.size() - 4);
    }
    const std::string base = kSiteBase;
    if (path == "/" || path == "/Benchmark/Korvid") {
        reply.status = 302;
        reply.headers.emplace_back("Location", base);
        reply.body.clear();
        return true;
    }
    if (path == "/favicon.ico" || path == base + "icon.svg") {
        reply.contentType = "image/svg+xml";
        reply.body = kIcon;
        return true;
    }
    if (path.compare(0, base.size(), base) != 0) {
        notFound(reply, json, "There is no page at this address.");
        return true;
    }
    const std::string rest = path.substr(base.size());
    if (rest == "Import") {
        if (request.method != "POST") {
            reply.headers.emplace_back("Allow", "POST");
            page(reply, 405, json, notFoundPageHtml("Send a saved result file with the form on the front page."),
                 notFoundPageJson("POST a saved result file"));
            return true;
        }
        importForm(request, reply, json);
        return true;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        reply.headers.emplace_back("Allow", "GET, HEAD");
        page(reply, 405, json, notFoundPageHtml("This page can only be read."), notFoundPageJson("method not allowed"));
        return true;
    }

    const std::size_t slash = rest.find('/');
    const std::string section = rest.substr(0, slash);
    const std::string argument = slash == std::string::npos ? "" : rest.substr(slash + 1);
    const bool hasArgument = slash != std::string::npos;
    int32_t id = 0;

    if (rest == "Ranking") {
        RankingRequest wanted = parseRankingQuery(request.query);
        if (csv) {
            wanted.page = wanted.unrankedPage = 1;
            wanted.pageSize = 1 << 30;  // every card: a row per card, never per result
        }
        const RankingListData data = queries_.ranking(wanted);
        if (csv) {
            reply.contentType = "text/csv; charset=utf-8";
            reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"korvid-ranking.csv\"");
            reply.body = rankingCsv(data);
        } else {
            page(reply, 200, json, rankingPageHtml(data), rankingPageJson(data));
        }
    } else if (rest.empty() || rest == "Results") {
        const ResultListData data = queries_.resultList(parseResultListQuery(request.query));
        if (csv) {
            reply.contentType = "text/csv; charset=utf-8";
            reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"korvid-results.csv\"");
            reply.body = resultListCsv(data);
        } else {
            page(reply, 200, json, indexPageHtml(data), resultListJson(data));
        }
    } else if ((section == "Result" || section == "Card") && hasArgument &&
               !canonicalId(argument.substr(0, argument.find('/'))).empty()) {
        const std::size_t cut = argument.find('/');
        reply.status = 301;
        reply.body.clear();
        reply.headers.emplace_back("Location", base + section + "/" + canonicalId(argument.substr(0, cut)) +
                                                   (cut == std::string::npos ? "" : argument.substr(cut)) +
                                                   (json ? ".json" : csv ? ".csv" : "") +
                                                   (request.query.empty() ? "" : "?" + request.query));
    } else if (csv && section == "Result" && hasArgument) {
        const auto data = parseId(argument, id) ? queries_.resultMeasurements(id) : std::nullopt;
        if (!data) {
            notFound(reply, false, "There is no result " + argument + ".");
        } else {
            reply.contentType = "text/csv; charset=utf-8";
            reply.headers.emplace_back("Content-Disposition",
                                       "attachment; filename=\"korvid-result-" + std::to_string(id) + ".csv\"");
            reply.body = resultMeasurementsCsv(*data);
        }
    } else if (csv) {
        notFound(reply, false, "There is no CSV at this address.");
    } else if (rest == "Measuring") {
        page(reply, 200, json, measuringPageHtml(), measuringPageJson());
    } else if (section == "Result" && hasArgument) {
        const auto data = parseId(argument, id) ? queries_.resultPage(id) : std::nullopt;
        if (!data)
            notFound(reply, json, "There is no result " + argument + ".");
        else
            page(reply, 200, json, json ? "" : resultPageHtml(*data), json ? resultPageJson(*data) : "");
    } else if (section == "Compare" && !hasArgument) {
        // The list's check boxes (id=..) and typed IDs (ids=1,2 or "1 2"), sent to the
        // comparison's own address.
        std::string list;
        for (const std::string& value : queryValues(request.query, "id"))
            list += (list.empty() ? "" : ",") + value;
        for (char c : queryValue(request.query, "ids"))
            list += std::isdigit(static_cast<unsigned char>(c)) ? std::string(1, c)
                    : (list.empty() || list.back() == ',') ? std::string() : std::string(",");
        while (!list.empty() && list.back() == ',')
            list.pop_back();
        reply.status = 303;
        reply.body.clear();
        reply.headers.emplace_back("Location", base + "Compare/" + list + (json ? ".json" : ""));
    } else if (section == "Compare" && hasArgument) {
        std::vector<int32_t> ids;
        std::istringstream list(argument);
        std::string item, canonical;
        bool valid = true, rewritten = false;
        while (std::getline(list, item, ',')) {
            const std::string fixed = canonicalId(item);
            rewritten = rewritten || !fixed.empty();
            canonical += (canonical.empty() ? "" : ",") + (fixed.empty() ? item : fixed);
            valid = valid && parseId(fixed.empty() ? item : fixed, id) &&
                    std::find(ids.begin(), ids.end(), id) == ids.end() && (ids.push_back(id), true);
        }
        if (valid && rewritten) {
            reply.status = 301;
            reply.body.clear();
            reply.headers.emplace_back("Location", base + "Compare/" + canonical + (json ? ".json" : ""));
            return true;
        }
        const auto data = valid && ids.size() >= 2 && ids.size() <= 8 ? queries_.comparePage(ids) : std::nullopt;
        if (!data)
            notFound(reply, json, "A comparison takes two to eight stored results: " + argument);
        else
            page(reply, 200, json, comparePageHtml(*data), comparePageJson(*data));
    } else if (section == "Cohorts" && !hasArgument) {
        // The driver history's form: two cohorts picked, sent to their comparison's own address.
        reply.status = 303;
        reply.body.clear();
        const auto digits = [](std::string value) {
            value.erase(std::remove_if(value.begin(), value.end(),
                                       [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); }),
                        value.end());
            return value;
        };
        // The ranking's check boxes send the two cohorts as cohort=A&cohort=B.
        std::vector<std::string> picked = queryValues(request.query, "cohort");
        if (!queryValue(request.query, "first").empty() || picked.size() != 2)
            picked = {queryValue(request.query, "first"), queryValue(request.query, "second")};
        reply.headers.emplace_back("Location", base + "Cohorts/" + digits(picked[0]) + "," + digits(picked[1]) +
                                                   (json ? ".json" : ""));
    } else if (section == "Cohorts" && hasArgument) {
        const std::size_t comma = argument.find(',');
        int32_t second = 0;
        const auto data = comma != std::string::npos && parseId(argument.substr(0, comma), id) &&
                                  parseId(argument.substr(comma + 1), second) && id != second
                              ? queries_.cohortComparison(id, second)
                              : std::nullopt;
        if (!data)
            notFound(reply, json, "A cohort comparison takes two different stored cohorts: " + argument);
        else
            page(reply, 200, json, cohortComparePageHtml(*data), cohortComparePageJson(*data));
    } else if (section == "Card" && argument.size() > 8 &&
               argument.compare(argument.size() - 8, 8, "/Drivers") == 0) {
        const std::string card = argument.substr(0, argument.size() - 8);
        const auto data = parseId(card, id) ? queries_.driverHistory(id, wantedMode(request.query)) : std::nullopt;
        if (!data)
            notFound(reply, json, "There are no results of graphics card " + card + ".");
        else
            page(reply, 200, json, driverHistoryPageHtml(*data), driverHistoryPageJson(*data));
    } else if (section == "Card" && hasArgument) {
        const auto data = parseId(argument, id) ? queries_.cardPage(id, kCardResults) : std::nullopt;
        if (!data)
            notFound(reply, json, "There is no graphics card " + argument + ".");
        else
            page(reply, 200, json, cardPageHtml(*data), cardPageJson(*data));
    } else if (section == "Downloads" && !hasArgument) {
        const DownloadPageData data = scanPackages(packagesFolder_);
        page(reply, 200, json, downloadPageHtml(data), downloadPageJson(data));
    } else if (section == "Downloads" && !packageVersion(argument).empty()) {
        // Sent from the file as the client takes it, never read whole into memory.
        const std::string file = packagesFolder_ + "/" + argument;
        std::error_code error;
        if (packagesFolder_.empty() || !std::filesystem::is_regular_file(file, error)) {
            notFound(reply, json, "There is no package " + argument + ".");
        } else {
            reply.contentType = "application/zip";
            reply.filePath = file;
            reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + argument + "\"");
        }
    } else {
        notFound(reply, json, "There is no page at this address.");
    }
    return true;
}

void ResultSite::importForm(const HttpRequestView& request, HttpReply& reply, bool json)
{
    // The file form sends multipart/form-data, the paste form its text URL-encoded; a script
    // may send the file as the body itself.
    // Anyone may read the site, but only a known client adds results to it, as with uploads.
    const auto credentials = parseBasicAuthorization(request.authorization);
    const LoginOutcome login =
        credentials ? store_.checkLogin(credentials->name, credentials->key) : LoginOutcome::Unknown;
    if (login != LoginOutcome::Accepted) {
        const bool disabled = login == LoginOutcome::Disabled;
        const std::string message = disabled ? "This client may no longer import results."
                                             : "Importing a saved result needs a client name and key "
                                               "from this site's host.";
        page(reply, disabled ? 403 : 401, json, messagePageHtml("Login needed", message),
             notFoundPageJson(message));
        if (!disabled)
            reply.headers.emplace_back("WWW-Authenticate",
                                       "Basic realm=\"Korvid results\", charset=\"UTF-8\"");
        return;
    }
    reply.clientName = credentials->name;

    std::string text = request.body;
    if (request.formFiles.count("transcript"))
        text = request.formFiles.at("transcript");
    else if (request.contentType.find("multipart/form-data") != std::string::npos)
        text = formFile(request.contentType, request.body, "transcript");
    else if (request.contentType.find("application/x-www-form-urlencoded") != std::string::npos)
        text = queryValue(request.body, "transcript");
    try {
        if (text.empty())
            throw TranscriptError(0, "no file was sent");
        const int32_t id = importTranscript(text, store_, credentials->name);
        const std::string location = std::string(kSiteBase) + "Result/" + std::to_string(id);
        if (json) {
            page(reply, 201, true, "", "{\"id\":" + std::to_string(id) + ",\"location\":\"" + location + "\"}");
        } else {
            reply.status = 303;
            reply.body.clear();
        }
        reply.headers.emplace_back("Location", location);
    } catch (const TranscriptError& error) {
        const std::string message = "The file was not imported: " + std::string(error.what());
        const ResultListData data = queries_.resultList(ResultListRequest{});
        page(reply, 400, json, indexPageHtml(data, message), notFoundPageJson(message));
    }
}
