#include "sysinfo/OSCaption.h"

#include <boost/algorithm/string/find.hpp>

namespace {

// True, with the text after the first occurrence of word, when the word occurs and something
// follows it; a caption that ends in the word has no version to cut out.
bool textAfter(const std::string& caption, const char* word, std::string& rest)
{
    const auto found = boost::algorithm::ifind_first(caption, word);
    if (found.empty() || found.end() == caption.end()) {
        return false;
    }
    rest.assign(found.end(), caption.end());
    return true;
}

} // namespace

std::string osVersionFromCaption(const std::string& caption)
{
    std::string rest;
    if (textAfter(caption, "Windows(R) ", rest) || textAfter(caption, "Windows ", rest)) {
        return rest;
    }
    return caption;
}
