#include "server/http/ImportEndpoint.h"

#include "server/http/MultipartForm.h"
#include "server/import/TranscriptImport.h"
#include "server/import/TranscriptParser.h"
#include "server/http/SitePages.h"
#include "server/pages/BrowsePages.h"
#include "server/pages/PageFrame.h"
#include "server/pages/QueryString.h"
#include "server/pages/ResultListPage.h"
#include "server/store/ResultQueries.h"

namespace {

// The file form sends multipart/form-data (taken apart before the handler unless the handler
// is called directly), the paste form its text URL-encoded; a script may send the file as the
// body itself.
std::string transcriptOf(const HttpRequestView& request)
{
    if (request.formFiles.count("transcript"))
        return request.formFiles.at("transcript");
    if (MultipartForm::isFormData(request.contentType)) {
        try {
            const auto fields = MultipartForm::parse(request.contentType, request.body).fields();
            const auto file = fields.find("transcript");
            return file == fields.end() ? std::string() : file->second;
        } catch (const MultipartError&) {
            return "";
        }
    }
    if (request.contentType.find("application/x-www-form-urlencoded") != std::string::npos)
        return queryValue(request.body, "transcript");
    return request.body;
}

} // namespace

void ImportEndpoint::handle(const RouteRequest& request, HttpReply& reply) const
{
    const Authenticator::Login login = logins_.check(request.http.authorization);
    if (!login.accepted()) {
        const bool disabled = login.outcome == LoginOutcome::Disabled;
        const std::string message = disabled ? "This client may no longer import results."
                                             : "Importing a saved result needs a client name and key "
                                               "from this site's host.";
        sitePage(reply, disabled ? 403 : 401, request.json(), messagePageHtml("Login needed", message),
                 notFoundPageJson(message));
        if (!disabled)
            reply.headers.emplace_back("WWW-Authenticate", Authenticator::challenge());
        return;
    }
    reply.clientName = login.clientName;

    const std::string text = transcriptOf(request.http);
    try {
        if (text.empty())
            throw TranscriptError(0, "no file was sent");
        if (limit_) {
            if (const auto wait = limit_->take(limit_->sourceOf(request.http))) {
                const std::string message = "This address has stored many results in a short time; try again later.";
                sitePage(reply, 429, request.json(), messagePageHtml("Too many results", message),
                         notFoundPageJson(message));
                reply.headers.emplace_back("Retry-After", std::to_string(*wait));
                return;
            }
        }
        const int32_t id = importTranscript(text, store_, login.clientName);
        const std::string location = std::string(kSiteBase) + "Result/" + std::to_string(id);
        if (request.json()) {
            sitePage(reply, 201, true, "", "{\"id\":" + std::to_string(id) + ",\"location\":\"" + location + "\"}");
        } else {
            reply.status = 303;
            reply.body.clear();
        }
        reply.headers.emplace_back("Location", location);
    } catch (const TranscriptError& error) {
        const std::string message = "The file was not imported: " + std::string(error.what());
        const ResultListData data = queries_.resultList(ResultListRequest{});
        sitePage(reply, 400, request.json(), indexPageHtml(data, message), notFoundPageJson(message));
    }
}
