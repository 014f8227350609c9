#include "server/store/SqlDialect.h"

std::string SqlDialect::compactTable() const
{
    return dialect_ == Dialect::SQLite ? " WITHOUT ROWID" : "";
}

std::string SqlDialect::arrayLiteral(const std::vector<int32_t>& column)
{
    std::string text = "{";
    for (std::size_t i = 0; i < column.size(); ++i)
        text += (i ? "," : "") + std::to_string(column[i]);
    return text + "}";
}

std::string SqlDialect::arrayLiteral(const std::vector<long long>& column)
{
    std::string text = "{";
    for (std::size_t i = 0; i < column.size(); ++i)
        text += (i ? "," : "") + std::to_string(column[i]);
    return text + "}";
}

std::string SqlDialect::arrayLiteral(const std::vector<double>& column)
{
    std::string text = "{";
    char number[32];
    for (std::size_t i = 0; i < column.size(); ++i) {
        std::snprintf(number, sizeof number, "%.17g", column[i]);
        text += (i ? "," : "") + std::string(number);
    }
    return text + "}";
}

std::string SqlDialect::arrayLiteral(const std::vector<std::string>& column)
{
    std::string text = "{";
    for (std::size_t i = 0; i < column.size(); ++i) {
        text += i ? ",\"" : "\"";
        for (char c : column[i]) {
            if (c == '"' || c == '\\')
                text += '\\';
            text += c;
        }
        text += '"';
    }
    return text + "}";
}
