#include "server/protocol/FieldValue.h"

#include "server/protocol/TextEncoding.h"

std::string fieldValue(const std::string& sent)
{
    if (sent.find_first_not_of(" \t\r\n") == std::string::npos)
        return std::string();
    return toUtf8(sent);
}
