#include "server/protocol/Replies.h"

std::string idReply(const std::string& type, int32_t id)
{
    return "<" + type + "><ID>" + std::to_string(id) + "</ID></" + type + ">\n";
}

std::string notFoundReply()
{
    return "<SearchResponse/>\n";
}
