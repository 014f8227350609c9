#pragma once

#include <string>

#include "server/pages/PageData.h"

// The pages to find results by: the latest ones with a search and the import form, the card
// ranking, a card's own page. Plus the page for whatever is not there.
std::string rankingPageHtml(const RankingPageData& data);
std::string rankingPageJson(const RankingPageData& data);
std::string cardPageHtml(const CardPageData& data);
std::string cardPageJson(const CardPageData& data);
std::string notFoundPageHtml(const std::string& what);
// A page that only says something: a refusal, say, under its own title.
std::string messagePageHtml(const std::string& title, const std::string& what);
std::string notFoundPageJson(const std::string& what);
