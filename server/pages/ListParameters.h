#pragma once

#include <cstdint>
#include <string>

#include "server/model/GraphicsSystem.h"

// The query parameters the result list and the ranking share, read and written alike: a
// bounded whole number, a display mode "1280x1024x32", a graphics system by name, and a sort
// column by its name in the page's own table.

// The number a parameter holds, or 0 when it is missing, not plain digits, or above high.
int64_t queryNumber(const std::string& query, const std::string& name, int64_t high);

struct DisplayModeParameter {
    int32_t width = 0, height = 0, bitsPerPixel = 0;
};
// "1280x1024x32", or empty for no mode (width 0).
std::string modeParameter(int32_t width, int32_t height, int32_t bitsPerPixel);
// Nothing (all 0) unless the text is exactly three positive numbers joined by "x".
DisplayModeParameter parseModeParameter(const std::string& text);

// Direct2D or GDI by name; Unknown (any) for anything else.
model::GraphicsSystem systemParameter(const std::string& text);
// The <option>s of a graphics system <select>, "any" first, the current one selected.
std::string systemOptions(model::GraphicsSystem current);

// A query string built a parameter at a time; an empty value is left out.
class QueryBuilder {
public:
    QueryBuilder& add(const char* name, const std::string& value);
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A page's sortable columns: the value, its name in addresses and its title in forms.
template <typename Sort>
struct SortName {
    Sort sort;
    const char* name;
    const char* title;
};

template <typename Sort, std::size_t N>
const char* sortNameOf(const SortName<Sort> (&table)[N], Sort sort)
{
    for (const SortName<Sort>& s : table) {
        if (s.sort == sort)
            return s.name;
    }
    return table[0].name;
}

// The sort a parameter names, or fallback.
template <typename Sort, std::size_t N>
Sort sortParameter(const SortName<Sort> (&table)[N], const std::string& text, Sort fallback)
{
    for (const SortName<Sort>& s : table) {
        if (text == s.name)
            return s.sort;
    }
    return fallback;
}

// The <option>s of a sort <select>, the current one selected.
template <typename Sort, std::size_t N>
std::string sortOptions(const SortName<Sort> (&table)[N], Sort current)
{
    std::string html;
    for (const SortName<Sort>& s : table)
        html += "<option value=\"" + std::string(s.name) + "\"" + (current == s.sort ? " selected" : "") + ">" +
                s.title + "</option>";
    return html;
}
