#pragma once

#include <string>

// The frame around every page: head, style sheet, navigation. The style sheet is the page's
// only style: the Content-Security-Policy admits it by its hash and nothing else, so pages
// carry no style attributes and no script.
extern const char* const kSiteBase;  // "/Benchmark/Korvid/"

std::string pageFrame(const std::string& title, const std::string& body);
const std::string& pageStyle();
// default-src 'none', the style sheet by hash, forms back to this site only.
const std::string& contentSecurityPolicy();
// The score in words, as a paragraph with the id "score" for links to it: the result page and
// the ranking page both rank by it, and a reader of either should not need another page.
std::string scoreDefinitionHtml();
