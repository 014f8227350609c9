#include "server/pages/ListParameters.h"

#include <cstdio>

#include "server/pages/QueryString.h"
#include "server/text/PercentCoding.h"

int64_t queryNumber(const std::string& query, const std::string& name, int64_t high)
{
    const std::string text = queryValue(query, name);
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long long v = std::stoll(text);
    return v <= high ? v : 0;
}

std::string modeParameter(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    return width > 0 ? std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bitsPerPixel)
                     : "";
}

DisplayModeParameter parseModeParameter(const std::string& text)
{
    int w = 0, h = 0, b = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%dx%dx%d%c", &w, &h, &b, &end) == 3 && w > 0 && h > 0 && b > 0)
        return {w, h, b};
    return {};
}

model::GraphicsSystem systemParameter(const std::string& text)
{
    for (model::GraphicsSystem s : {model::GraphicsSystem::Direct2D, model::GraphicsSystem::GDI}) {
        if (text == model::nameOf(s))
            return s;
    }
    return model::GraphicsSystem::Unknown;
}

std::string systemOptions(model::GraphicsSystem current)
{
    std::string html = "<option value=\"\">any</option>";
    for (model::GraphicsSystem s : {model::GraphicsSystem::Direct2D, model::GraphicsSystem::GDI})
        html += "<option" + std::string(current == s ? " selected" : "") + ">" + model::nameOf(s) + "</option>";
    return html;
}

QueryBuilder& QueryBuilder::add(const char* name, const std::string& value)
{
    if (!value.empty())
        text_ += (text_.empty() ? "" : "&") + std::string(name) + "=" + percentEncode(value);
    return *this;
}
