#include "server/http/ResultSite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "server/http/PathId.h"
#include "server/http/SitePages.h"
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
#include "server/store/ResultQueries.h"
#include "server/text/PercentCoding.h"

namespace {

constexpr int kCardResults = 100;

const char* const kIcon =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\"><rect width=\"16\" height=\"16\" "
    "rx=\"3\" fill=\"#1f3b5c\"/><polyline points=\"2,12 6,8 9,10 14,3\" fill=\"none\" stroke=\"#8fb4e3\" "
    "stroke-width=\"2\"/></svg>\n";

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

void csvFile(HttpReply& reply, const std::string& fileName, std::string body)
{
    reply.contentType = "text/csv; charset=utf-8";
    reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
    reply.body = std::move(body);
}

// A query string carried into a redirect as it came, if it holds nothing but what an encoded
// query may; otherwise none.
std::string queryToKeep(const std::string& query)
{
    if (query.empty())
        return "";
    for (unsigned char c : query) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}')
            return "";
    }
    return "?" + query;
}

std::string suffixOf(const RouteRequest& request)
{
    return request.json() ? ".json" : request.csv() ? ".csv" : "";
}

// A result or card ID written otherwise than its canonical form ("Result/01/..."): where its
// canonical address is, or empty.
std::string canonicalLocation(const std::string& path, const RouteRequest& request)
{
    const std::string base = kSiteBase;
    for (const std::string section : {"Result/", "Card/"}) {
        if (path.compare(0, base.size() + section.size(), base + section) != 0)
            continue;
        const std::string argument = path.substr(base.size() + section.size());
        const std::size_t cut = argument.find('/');
        const std::string id = canonicalPathId(argument.substr(0, cut));
        // Built from the parsed ID and the site's own path pieces, never from the request's text.
        const std::string tail = cut == std::string::npos ? "" : argument.substr(cut);
        if (id.empty() || !(tail.empty() || (section == "Card/" && tail == "/Drivers")))
            return "";
        return base + section + id + tail + suffixOf(request) + queryToKeep(request.http.query);
    }
    return "";
}

} // namespace

ResultSite::ResultSite(ResultQueries& queries, RecordStore& store, std::string packagesFolder)
    : queries_(queries), import_(store, queries), packagesFolder_(std::move(packagesFolder))
{
    addRoutes();
}

bool ResultSite::handle(const HttpRequestView& request, HttpReply& reply)
{
    reply.headers.emplace_back("Content-Security-Policy", contentSecurityPolicy());
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    reply.headers.emplace_back("Referrer-Policy", "no-referrer");
    reply.headers.emplace_back("Vary", "Accept");  // HTML and JSON share every address

    const NegotiatedPath wanted = negotiate(percentDecode(request.path, PlusSign::Literal), request.accept);
    const RouteTable::Route* route = routes_.find(wanted.path);
    const RouteRequest routed{request, route ? RouteTable::argumentOf(*route, wanted.path) : "",
                              wanted.representation};
    if (!route) {
        siteNotFound(reply, wanted.json(), "There is no page at this address.");
    } else if (!route->allows(request.method)) {
        reply.headers.emplace_back("Allow", route->allowHeader());
        sitePage(reply, 405, wanted.json(), notFoundPageHtml(route->refusal), notFoundPageJson(route->refusalJson));
    } else if (const std::string location = canonicalLocation(wanted.path, routed); !location.empty()) {
        siteRedirect(reply, 301, location);
    } else if (wanted.csv() && !route->offersCsv) {
        siteNotFound(reply, false, "There is no CSV at this address.");
    } else {
        route->handler(routed, reply);
    }
    return true;
}

void ResultSite::addRoutes()
{
    const std::string base = kSiteBase;
    const std::string readOnly = "This page can only be read.";
    const auto read = [&](std::string pattern, bool csv, RouteTable::Handler handler) {
        routes_.add({std::move(pattern), RouteTable::Read, csv, std::move(handler), readOnly, "method not allowed"});
    };
    const auto any = [&](std::string pattern, RouteTable::Handler handler) {
        routes_.add({std::move(pattern), RouteTable::AnyMethod, true, std::move(handler), "", ""});
    };
    const auto toFront = [base](const RouteRequest&, HttpReply& reply) { siteRedirect(reply, 302, base); };
    const auto icon = [](const RouteRequest&, HttpReply& reply) {
        reply.contentType = "image/svg+xml";
        reply.body = kIcon;
    };
    any("/", toFront);
    any("/Benchmark/Korvid", toFront);
    any("/favicon.ico", icon);
    any(base + "icon.svg", icon);
    routes_.add({base + "Import", RouteTable::Post, true,
                 [this](const RouteRequest& request, HttpReply& reply) { import_.handle(request, reply); },
                 "Send a saved result file with the form on the front page.", "POST a saved result file"});

    read(base + "Ranking", true, [this](const RouteRequest& request, HttpReply& reply) {
        RankingRequest wanted = parseRankingQuery(request.http.query);
        if (request.csv()) {
            wanted.page = wanted.unrankedPage = 1;
            wanted.pageSize = 1 << 30;  // every card: a row per card, never per result
        }
        const RankingListData data = queries_.ranking(wanted);
        if (request.csv())
            csvFile(reply, "korvid-ranking.csv", rankingCsv(data));
        else
            sitePage(reply, 200, request.json(), rankingPageHtml(data), rankingPageJson(data));
    });
    const RouteTable::Handler resultList = [this](const RouteRequest& request, HttpReply& reply) {
        const ResultListData data = queries_.resultList(parseResultListQuery(request.http.query));
        if (request.csv())
            csvFile(reply, "korvid-results.csv", resultListCsv(data));
        else
            sitePage(reply, 200, request.json(), indexPageHtml(data), resultListJson(data));
    };
    read(base, true, resultList);
    read(base + "Results", true, resultList);

    read(base + "Result/*", true, [this](const RouteRequest& request, HttpReply& reply) {
        int32_t id = 0;
        if (request.csv()) {
            const auto data = parsePathId(request.argument, id) ? queries_.resultMeasurements(id) : std::nullopt;
            if (!data)
                siteNotFound(reply, false, "There is no result " + request.argument + ".");
            else
                csvFile(reply, "korvid-result-" + std::to_string(id) + ".csv", resultMeasurementsCsv(*data));
            return;
        }
        const auto data = parsePathId(request.argument, id) ? queries_.resultPage(id) : std::nullopt;
        if (!data)
            siteNotFound(reply, request.json(), "There is no result " + request.argument + ".");
        else
            sitePage(reply, 200, request.json(), request.json() ? "" : resultPageHtml(*data),
                     request.json() ? resultPageJson(*data) : "");
    });
    read(base + "Measuring", false, [](const RouteRequest& request, HttpReply& reply) {
        sitePage(reply, 200, request.json(), measuringPageHtml(), measuringPageJson());
    });

    // The list's check boxes (id=..) and typed IDs (ids=1,2 or "1 2"), sent to the comparison's
    // own address.
    read(base + "Compare", false, [base](const RouteRequest& request, HttpReply& reply) {
        // Digits and commas only: the address is built from IDs, never from the request's text.
        std::string list;
        const auto addDigits = [&list](const std::string& text) {
            for (char c : text)
                list += std::isdigit(static_cast<unsigned char>(c)) ? std::string(1, c)
                        : (list.empty() || list.back() == ',') ? std::string() : std::string(",");
            if (!list.empty() && list.back() != ',')
                list += ',';
        };
        for (const std::string& value : queryValues(request.http.query, "id"))
            addDigits(value);
        addDigits(queryValue(request.http.query, "ids"));
        while (!list.empty() && list.back() == ',')
            list.pop_back();
        siteRedirect(reply, 303, base + "Compare/" + list + (request.json() ? ".json" : ""));
    });
    read(base + "Compare/*", false, [this, base](const RouteRequest& request, HttpReply& reply) {
        std::vector<int32_t> ids;
        std::istringstream list(request.argument);
        std::string item, canonical;
        int32_t id = 0;
        bool valid = true, rewritten = false;
        while (std::getline(list, item, ',')) {
            const std::string fixed = canonicalPathId(item);
            rewritten = rewritten || !fixed.empty();
            canonical += (canonical.empty() ? "" : ",") + (fixed.empty() ? item : fixed);
            valid = valid && parsePathId(fixed.empty() ? item : fixed, id) &&
                    std::find(ids.begin(), ids.end(), id) == ids.end() && (ids.push_back(id), true);
        }
        if (valid && rewritten) {
            siteRedirect(reply, 301, base + "Compare/" + canonical + (request.json() ? ".json" : ""));
            return;
        }
        const auto data = valid && ids.size() >= 2 && ids.size() <= 8 ? queries_.comparePage(ids) : std::nullopt;
        if (!data)
            siteNotFound(reply, request.json(), "A comparison takes two to eight stored results: " + request.argument);
        else
            sitePage(reply, 200, request.json(), comparePageHtml(*data), comparePageJson(*data));
    });

    // The driver history's form and the ranking's check boxes: two cohorts picked, sent to
    // their comparison's own address.
    read(base + "Cohorts", false, [base](const RouteRequest& request, HttpReply& reply) {
        const auto digits = [](std::string value) {
            value.erase(std::remove_if(value.begin(), value.end(),
                                       [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); }),
                        value.end());
            return value;
        };
        const std::string& query = request.http.query;
        std::vector<std::string> picked = queryValues(query, "cohort");
        if (!queryValue(query, "first").empty() || picked.size() != 2)
            picked = {queryValue(query, "first"), queryValue(query, "second")};
        siteRedirect(reply, 303, base + "Cohorts/" + digits(picked[0]) + "," + digits(picked[1]) +
                                     (request.json() ? ".json" : ""));
    });
    read(base + "Cohorts/*", false, [this](const RouteRequest& request, HttpReply& reply) {
        const std::string& argument = request.argument;
        const std::size_t comma = argument.find(',');
        int32_t first = 0, second = 0;
        const auto data = comma != std::string::npos && parsePathId(argument.substr(0, comma), first) &&
                                  parsePathId(argument.substr(comma + 1), second) && first != second
                              ? queries_.cohortComparison(first, second)
                              : std::nullopt;
        if (!data)
            siteNotFound(reply, request.json(), "A cohort comparison takes two different stored cohorts: " + argument);
        else
            sitePage(reply, 200, request.json(), cohortComparePageHtml(*data), cohortComparePageJson(*data));
    });

    read(base + "Card/*", false, [this](const RouteRequest& request, HttpReply& reply) {
        const std::string& argument = request.argument;
        int32_t id = 0;
        const std::string drivers = "/Drivers";
        if (argument.size() > drivers.size() &&
            argument.compare(argument.size() - drivers.size(), drivers.size(), drivers) == 0) {
            const std::string card = argument.substr(0, argument.size() - drivers.size());
            const auto data =
                parsePathId(card, id) ? queries_.driverHistory(id, wantedMode(request.http.query)) : std::nullopt;
            if (!data)
                siteNotFound(reply, request.json(), "There are no results of graphics card " + card + ".");
            else
                sitePage(reply, 200, request.json(), driverHistoryPageHtml(*data), driverHistoryPageJson(*data));
            return;
        }
        const auto data = parsePathId(argument, id) ? queries_.cardPage(id, kCardResults) : std::nullopt;
        if (!data)
            siteNotFound(reply, request.json(), "There is no graphics card " + argument + ".");
        else
            sitePage(reply, 200, request.json(), cardPageHtml(*data), cardPageJson(*data));
    });

    read(base + "Downloads", false, [this](const RouteRequest& request, HttpReply& reply) {
        const DownloadPageData data = scanPackages(packagesFolder_);
        sitePage(reply, 200, request.json(), downloadPageHtml(data), downloadPageJson(data));
    });
    // A package is sent from its file as the client takes it, never read whole into memory.
    read(base + "Downloads/*", false, [this](const RouteRequest& request, HttpReply& reply) {
        const std::string& name = request.argument;
        if (packageVersion(name).empty()) {
            siteNotFound(reply, request.json(), "There is no page at this address.");
            return;
        }
        const std::string file = packagesFolder_ + "/" + name;
        std::error_code error;
        if (packagesFolder_.empty() || !std::filesystem::is_regular_file(file, error)) {
            siteNotFound(reply, request.json(), "There is no package " + name + ".");
            return;
        }
        reply.contentType = "application/zip";
        reply.filePath = file;
        reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    });

    const auto nothingHere = [](const RouteRequest& request, HttpReply& reply) {
        siteNotFound(reply, request.json(), "There is no page at this address.");
    };
    read(base + "*", false, nothingHere);
    any("*", nothingHere);
}
