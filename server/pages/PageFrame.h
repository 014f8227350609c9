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
