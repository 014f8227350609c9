#include "server/pages/Csv.h"

#include <algorithm>
#include <cstdio>

std::string csvField(const std::string& text)
{
    std::string value = text;
    // A spreadsheet reads a cell that starts with one of these as a formula (a tab or CR as the
    // blank before one): the apostrophe makes it text.
    if (!value.empty() && std::string("=+-@\t\r").find(value[0]) != std::string::npos)
        value = "'" + value;
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string out = "\"";
    for (char c : value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

namespace {

std::string number(double v)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

} // namespace

std::string resultMeasurementsCsv(const ResultPageData& data)
{
    std::string csv = "result,field,test,size,unit,value,cohort_lower,cohort_median,cohort_upper,cohort_counted\r\n";
    model::Rates rates = data.result.rates;
    std::stable_sort(rates.begin(), rates.end(), [](const model::Rate& a, const model::Rate& b) {
        return model::displayOrder(a.id) < model::displayOrder(b.id);
    });
    for (const model::Rate& rate : rates) {
        csv += std::to_string(data.result.id) + "," + rate.id.fieldName() + "," + rate.id.displayName() + "," +
               std::to_string(rate.id.size) + "," + rate.id.unitName() + "," + number(rate.value);
        const model::LogHistogram* cohort = data.own ? data.own->figure(rate.id) : nullptr;
        if (cohort && !cohort->empty()) {
            const model::Spread q = cohort->spread();
            csv += "," + number(q.lower) + "," + number(q.median) + "," + number(q.upper) + "," +
                   std::to_string(cohort->count());
        } else {
            csv += ",,,,0";
        }
        csv += "\r\n";
    }
    return csv;
}
