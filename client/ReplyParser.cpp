#include "client/ReplyParser.h"

#include <cstring>
#include <new>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "results/BCException.h"

namespace {

using Tables = rapidxml::internal::lookup_tables<0>;

bool isWhitespace(char c) { return Tables::lookup_whitespace[static_cast<unsigned char>(c)] != 0; }
bool isNameChar(char c) { return Tables::lookup_node_name[static_cast<unsigned char>(c)] != 0; }
bool isAttributeNameChar(char c)
{
    return Tables::lookup_attribute_name[static_cast<unsigned char>(c)] != 0;
}

const char* skipWhitespace(const char* p)
{
    while (isWhitespace(*p))
        ++p;
    return p;
}

// Position just past the first occurrence of terminator at or after p, or nullptr when the text
// ends first (where the parser reports an error).
const char* skipPast(const char* p, const char* terminator)
{
    const char* found = std::strstr(p, terminator);
    return found ? found + std::strlen(terminator) : nullptr;
}

// A DOCTYPE ends at the first '>' outside (nested) square brackets.
const char* skipDoctype(const char* p)
{
    while (*p != '>') {
        if (*p == '\0')
            return nullptr;
        if (*p == '[') {
            ++p;
            int depth = 1;
            while (depth > 0) {
                if (*p == '\0')
                    return nullptr;
                if (*p == '[')
                    ++depth;
                else if (*p == ']')
                    --depth;
                ++p;
            }
            continue;
        }
        ++p;
    }
    return p + 1;
}

// After "<!": comment, CDATA, DOCTYPE or any other declaration, all without nesting.
const char* skipBangNode(const char* p)
{
    if (p[0] == '-' && p[1] == '-')
        return skipPast(p + 2, "-->");
    if (std::strncmp(p, "[CDATA[", 7) == 0)
        return skipPast(p + 7, "]]>");
    if (std::strncmp(p, "DOCTYPE", 7) == 0 && isWhitespace(p[7]))
        return skipDoctype(p + 8);
    const char* end = std::strchr(p, '>');
    return end ? end + 1 : nullptr;
}

// After "<" of a start tag: name and attributes. Returns the position after the tag and whether
// it opened an element (">") rather than closing itself ("/>"); nullptr where the parser fails.
const char* skipStartTag(const char* p, bool& opens)
{
    const char* name = p;
    while (isNameChar(*p))
        ++p;
    if (p == name)
        return nullptr;
    p = skipWhitespace(p);
    while (isAttributeNameChar(*p)) {
        while (isAttributeNameChar(*p))
            ++p;
        p = skipWhitespace(p);
        if (*p != '=')
            return nullptr;
        p = skipWhitespace(p + 1);
        const char quote = *p;
        if (quote != '\'' && quote != '"')
            return nullptr;
        p = std::strchr(p + 1, quote);
        if (!p)
            return nullptr;
        p = skipWhitespace(p + 1);
    }
    if (*p == '>') {
        opens = true;
        return p + 1;
    }
    if (p[0] == '/' && p[1] == '>') {
        opens = false;
        return p + 2;
    }
    return nullptr;
}

[[noreturn]] void throwInvalidResponse(const std::string& reply)
{
    throw BCException("BenchmarkClient::extractObjectID failed. Got an invalid response from the server: \n" +
                          reply + "\n",
                      0, 0);
}

// atol's reading (leading white space, optional sign, digits up to the first other character),
// with values outside the 32-bit range reported instead of wrapping.
bool readDecimalID(const char* text, std::size_t size, int32_t& id)
{
    std::size_t i = 0;
    while (i < size && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    id = static_cast<int32_t>(value);
    return true;
}

std::string nodeName(const rapidxml::xml_node<>* node)
{
    return std::string(node->name(), node->name_size());
}

}  // namespace

std::size_t xmlNestingBound(const char* text, std::size_t limit)
{
    const char* p = text;
    if (static_cast<unsigned char>(p[0]) == 0xEF && static_cast<unsigned char>(p[1]) == 0xBB &&
        static_cast<unsigned char>(p[2]) == 0xBF)
        p += 3;

    std::size_t depth = 0;
    std::size_t deepest = 0;
    while (p && *p) {
        if (*p != '<') {
            // Outside every element only white space may stand between nodes; inside, text
            // runs up to the next '<'.
            if (depth == 0 && !isWhitespace(*p))
                break;
            ++p;
            continue;
        }
        ++p;
        if (*p == '/' && depth > 0) {
            p += 1;
            while (isNameChar(*p))
                ++p;
            p = skipWhitespace(p);
            if (*p != '>')
                break;
            ++p;
            --depth;
        } else if (*p == '?') {
            p = skipPast(p + 1, "?>");
        } else if (*p == '!') {
            p = skipBangNode(p + 1);
        } else {
            bool opens = false;
            p = skipStartTag(p, opens);
            if (p && opens) {
                ++depth;
                if (depth > deepest)
                    deepest = depth;
                if (deepest > limit)
                    return limit + 1;
            }
        }
    }
    return deepest;
}

int32_t extractObjectIDFromReply(const char* data, std::size_t size, const std::string& typeName,
                                 const ReplyDebugSink& debug)
{
    auto debugLine = [&debug](int threshold, int tag, const std::string& text) {
        if (debug)
            debug(threshold, tag, text);
    };
    // The parser works in place and needs a writable, NUL-terminated copy; the reply itself
    // is kept for the error messages.
    std::string reply;
    std::vector<char> buffer;
    try {
        reply.assign(data, size);
        buffer.assign(data, data + size);
        buffer.push_back('\0');
    } catch (const std::bad_alloc&) {
        throw BCException("ERROR: Out of memory.", 0, 0);
    }

    if (xmlNestingBound(buffer.data(), kMaxReplyNesting) > kMaxReplyNesting)
        throwInvalidResponse(reply);

    rapidxml::xml_document<> document;
    try {
        document.parse<0>(buffer.data());
    } catch (const rapidxml::parse_error&) {
        throwInvalidResponse(reply);
    } catch (const std::bad_alloc&) {
        throw BCException("ERROR: Out of memory.", 0, 0);
    }

    const rapidxml::xml_node<>* root = document.first_node();
    if (!root)
        throwInvalidResponse(reply);
    const std::string rootName = nodeName(root);
    debugLine(4, 4, "Root node: " + rootName);

    const rapidxml::xml_node<>* record = root;
    if (typeName.find(rootName) == std::string::npos) {
        record = root->first_node();
        if (!record) {
            debugLine(3, 3, "No match found. Cannot get object's ID.");
            return -1;
        }
        const std::string recordName = nodeName(record);
        if (typeName.find(recordName) == std::string::npos)
            throw BCException("BenchmarkClient::extractObjectID failed. Searched for an object of type " +
                                  typeName + " but the server returned an object of type " + recordName +
                                  ". Server response: \n" + reply + "\n",
                              0, 0);
        debugLine(4, 4, "Match found. Extracting object ID for a: " + recordName);
    }

    const rapidxml::xml_node<>* idNode = record->first_node();
    while (idNode && !(idNode->type() == rapidxml::node_element && nodeName(idNode) == "ID"))
        idNode = idNode->next_sibling();
    if (!idNode)
        throwInvalidResponse(reply);

    int32_t id = 0;
    if (!readDecimalID(idNode->value(), idNode->value_size(), id) || id == 0)
        throwInvalidResponse(reply);
    debugLine(4, 4, "Object ID: " + std::to_string(id));
    return id;
}
