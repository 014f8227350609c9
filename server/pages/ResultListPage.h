#pragma once

#include <string>

#include "server/store/ResultListView.h"

// The front page: a list of results that pages through all of them, sorts by its columns and
// filters by card, driver, graphics system, display mode, OS and processor, all through the
// address (links and a GET form, no script); with the import form. Also as JSON and CSV.
std::string indexPageHtml(const ResultListData& data, const std::string& importMessage = "");
std::string resultListJson(const ResultListData& data);
std::string resultListCsv(const ResultListData& data);
// The list's query string for a request ("card=7&sort=score"), defaults left out.
std::string resultListQuery(const ResultListRequest& request);
// The request a query string asks for; anything it cannot read is left at its default.
ResultListRequest parseResultListQuery(const std::string& query);
