#include "server/http/ServerMetrics.h"

#include <map>

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

namespace {

const prometheus::Histogram::BucketBoundaries kRequestBuckets{
    0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
const prometheus::Histogram::BucketBoundaries kBackgroundBuckets{
    0.01, 0.1, 1, 5, 10, 30, 60, 120, 300, 600};

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

struct ServerMetrics::Families {
    explicit Families(prometheus::Registry& registry)
        : requests(prometheus::BuildCounter()
                       .Name("korvid_http_requests_total")
                       .Help("Requests answered, by route and status")
                       .Register(registry)),
          latency(prometheus::BuildHistogram()
                      .Name("korvid_http_request_duration_seconds")
                      .Help("Time from a request's first byte to its reply's last, by route")
                      .Register(registry)),
          uploads(prometheus::BuildCounter()
                      .Name("korvid_uploads_stored_total")
                      .Help("Results stored from uploads")
                      .Register(registry)),
          refusals(prometheus::BuildCounter()
                       .Name("korvid_refusals_total")
                       .Help("Requests refused and connections dropped, by reason")
                       .Register(registry)),
          databaseErrors(prometheus::BuildCounter()
                             .Name("korvid_database_errors_total")
                             .Help("Database failures: unavailable (busy or lost, 503) or failed (500)")
                             .Register(registry)),
          connections(prometheus::BuildGauge()
                          .Name("korvid_connections_open")
                          .Help("Client connections open")
                          .Register(registry)),
          background(prometheus::BuildCounter()
                         .Name("korvid_background_runs_total")
                         .Help("Passes of background work, by task and outcome")
                         .Register(registry)),
          backgroundDuration(prometheus::BuildHistogram()
                                 .Name("korvid_background_duration_seconds")
                                 .Help("Duration of the passes of background work, by task")
                                 .Register(registry)),
          build(prometheus::BuildGauge()
                    .Name("korvid_build_info")
                    .Help("The version of this korvid-server")
                    .Register(registry)),
          uploadsStored(uploads.Add({})),
          connectionsOpen(connections.Add({}))
    {
    }

    prometheus::Family<prometheus::Counter>& requests;
    prometheus::Family<prometheus::Histogram>& latency;
    prometheus::Family<prometheus::Counter>& uploads;
    prometheus::Family<prometheus::Counter>& refusals;
    prometheus::Family<prometheus::Counter>& databaseErrors;
    prometheus::Family<prometheus::Gauge>& connections;
    prometheus::Family<prometheus::Counter>& background;
    prometheus::Family<prometheus::Histogram>& backgroundDuration;
    prometheus::Family<prometheus::Gauge>& build;
    prometheus::Counter& uploadsStored;
    prometheus::Gauge& connectionsOpen;
};

ServerMetrics::ServerMetrics(const std::string& version, const std::string& apiBase)
    : apiBase_(apiBase), registry_(std::make_shared<prometheus::Registry>()),
      families_(std::make_unique<Families>(*registry_))
{
    families_->build.Add({{"version", version}}).Set(1);
}

ServerMetrics::~ServerMetrics() = default;

void ServerMetrics::requestAnswered(const std::string& method, const std::string& target, int status,
                                    double seconds)
{
    const std::string route = metricsRoute(method, target.substr(0, target.find('?')), apiBase_);
    families_->requests.Add({{"route", route}, {"status", std::to_string(status)}}).Increment();
    families_->latency.Add({{"route", route}}, kRequestBuckets).Observe(seconds);
    const std::string reason = refusalReason(status);
    if (!reason.empty())
        families_->refusals.Add({{"reason", reason}}).Increment();
}

void ServerMetrics::connectionDropped(const std::string& reason)
{
    families_->refusals.Add({{"reason", reason}}).Increment();
}

void ServerMetrics::uploadStored()
{
    families_->uploadsStored.Increment();
}

void ServerMetrics::databaseError(const std::string& kind)
{
    families_->databaseErrors.Add({{"kind", kind}}).Increment();
}

void ServerMetrics::setConnectionsOpen(std::size_t count)
{
    families_->connectionsOpen.Set(static_cast<double>(count));
}

void ServerMetrics::backgroundRun(const std::string& task, bool succeeded, double seconds)
{
    families_->background.Add({{"task", task}, {"outcome", succeeded ? "ok" : "failed"}}).Increment();
    families_->backgroundDuration.Add({{"task", task}}, kBackgroundBuckets).Observe(seconds);
}

std::string ServerMetrics::text() const
{
    return prometheus::TextSerializer().Serialize(registry_->Collect());
}

std::string metricsRoute(const std::string& method, const std::string& path, const std::string& apiBase)
{
    if (startsWith(path, apiBase))
        return method == "GET" ? "api_lookup" : method == "POST" ? "api_submit" : "api_other";
    if (path == "/healthz")
        return "healthz";
    if (path == "/metrics")
        return "metrics";
    const std::string site = "/Benchmark/Korvid/";
    if (!startsWith(path, site))
        return "other";
    const std::string rest = path.substr(site.size());
    if (rest.empty() || rest == ".json")
        return "index";
    static const std::map<std::string, std::string> kSections{
        {"Result/", "result"}, {"Compare/", "compare"}, {"Card/", "card"}, {"Downloads/", "download"}};
    for (const auto& [prefix, route] : kSections)
        if (startsWith(rest, prefix) && rest.size() > prefix.size())
            return route;
    if (rest == "Ranking" || rest == "Ranking.json")
        return "ranking";
    if (rest == "Downloads" || rest == "Downloads.json")
        return "downloads";
    if (rest == "Import")
        return "import";
    return "other";
}

std::string refusalReason(int status)
{
    switch (status) {
    case 400: return "malformed";
    case 401: return "login";
    case 403: return "disabled";
    case 405: return "method";
    case 408: return "timeout";
    case 411: return "length_required";
    case 413: return "body_too_large";
    case 414: return "request_line_too_long";
    case 415: return "encoding";
    case 431: return "head_too_large";
    case 503: return "unavailable";
    default:
        return status >= 400 && status < 500 && status != 404 ? "other" : "";
    }
}
