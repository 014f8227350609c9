#include "server/store/RateText.h"

#include <cstdio>
#include <cstdlib>

std::string rateText(const model::Rates& rates)
{
    std::string text;
    char value[40];
    for (const model::Rate& rate : rates) {
        std::snprintf(value, sizeof value, "%.9g", rate.value);
        text += (text.empty() ? "" : " ") + std::to_string(rate.id.code()) + ":" + value;
    }
    return text;
}

model::Rates ratesFromText(const std::string& text)
{
    model::Rates rates;
    const char* at = text.c_str();
    while (*at) {
        char* end = nullptr;
        const long code = std::strtol(at, &end, 10);
        if (end == at || *end != ':')
            break;
        at = end + 1;
        const double value = std::strtod(at, &end);
        if (end == at)
            break;
        at = end;
        while (*at == ' ')
            ++at;
        if (const auto id = model::TestId::fromCode(static_cast<int>(code)))
            rates.push_back({*id, value});
    }
    return rates;
}
