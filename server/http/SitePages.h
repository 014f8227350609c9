#pragma once

#include <string>

#include "server/protocol/HttpExchange.h"

// A rendered page as the reply's body: its JSON form or its HTML form, with the type to match.
void sitePage(HttpReply& reply, int status, bool json, const std::string& html, const std::string& jsonText);
// The site's 404 page, saying what is missing.
void siteNotFound(HttpReply& reply, bool json, const std::string& what);
// A redirect: the status (301, 302, 303) and where to, with no body.
void siteRedirect(HttpReply& reply, int status, const std::string& location);
