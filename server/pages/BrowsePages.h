#pragma once

#include <string>

#include "server/pages/PageData.h"

// A card's own page, and the page for whatever is not there.
std::string cardPageHtml(const CardPageData& data);
std::string cardPageJson(const CardPageData& data);
std::string notFoundPageHtml(const std::string& what);
// A page that only says something: a refusal, say, under its own title.
std::string messagePageHtml(const std::string& title, const std::string& what);
std::string notFoundPageJson(const std::string& what);
