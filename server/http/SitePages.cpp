#include "server/http/SitePages.h"

#include "server/pages/BrowsePages.h"

void sitePage(HttpReply& reply, int status, bool json, const std::string& html, const std::string& jsonText)
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

void siteNotFound(HttpReply& reply, bool json, const std::string& what)
{
    sitePage(reply, 404, json, notFoundPageHtml(what), notFoundPageJson(what));
}

void siteRedirect(HttpReply& reply, int status, const std::string& location)
{
    reply.status = status;
    reply.body.clear();
    reply.headers.emplace_back("Location", location);
}
