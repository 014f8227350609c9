#include "server/protocol/DocumentParser.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/TextEncoding.h"

namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

[[noreturn]] void refuse(const std::string& reason)
{
    throw ProtocolError(400, reason);
}

// The parser recurses once per level, so depth and size are checked before it runs: a megabyte
// of "<a>" must not reach it.
void checkShape(const std::string& body, const DocumentLimits& limits)
{
    std::size_t depth = 0;
    std::size_t elements = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '<')
            continue;
        const char next = i + 1 < body.size() ? body[i + 1] : '\0';
        if (next == '!')
            refuse("declarations, comments and CDATA are not accepted in a record document");
        if (next == '?')
            continue;
        if (next == '/') {
            if (depth > 0)
                --depth;
            continue;
        }
        // Find the end of the tag, stepping over quoted attribute values.
        char quote = '\0';
        std::size_t end = i + 1;
        for (; end < body.size(); ++end) {
            const char c = body[end];
            if (quote) {
                if (c == quote)
                    quote = '\0';
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (++elements > limits.maxElements)
            refuse("too many elements in the record document");
        if (end < body.size() && body[end - 1] != '/' && ++depth > limits.maxDepth)
            refuse("the record document is nested too deeply");
        i = end;
    }
}

std::string nameOf(const Node* node)
{
    return std::string(node->name(), node->name_size());
}

std::string valueOf(const Attribute* attribute)
{
    return std::string(attribute->value(), attribute->value_size());
}

bool hasChildElement(const Node* node)
{
    for (const Node* child = node->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element)
            return true;
    }
    return false;
}

bool hasText(const Node* node)
{
    for (const Node* child = node->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_data || child->type() == rapidxml::node_cdata)
            return true;
    }
    return false;
}

// An element that stands for a stored record: <Name id="12"/>, nothing else in it.
int32_t referencedID(const Node* node)
{
    const Attribute* attribute = node->first_attribute();
    if (!attribute || attribute->next_attribute() || nameOf(node).empty() ||
        std::string(attribute->name(), attribute->name_size()) != "id" || node->first_node())
        refuse("<" + nameOf(node) + "> must be an empty element with one id attribute");
    const std::string text = valueOf(attribute);
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        refuse("<" + nameOf(node) + "> has an invalid id \"" + toUtf8(text) + "\"");
    const long long id = std::stoll(text);
    if (id <= 0 || id > INT32_MAX)
        refuse("<" + nameOf(node) + "> has an invalid id \"" + text + "\"");
    return static_cast<int32_t>(id);
}

void readCollection(const Node* node, const std::string& elementType, RecordDocument& record)
{
    RecordCollection collection;
    collection.name = nameOf(node);
    if (hasText(node))
        refuse("text in the collection <" + collection.name + ">");
    for (const Node* member = node->first_node(); member; member = member->next_sibling()) {
        if (member->type() != rapidxml::node_element)
            continue;
        if (nameOf(member) != elementType)
            refuse("the collection <" + collection.name + "> holds " + elementType +
                   " records, not <" + toUtf8(nameOf(member)) + ">");
        collection.members.push_back({elementType, referencedID(member)});
    }
    record.collections.push_back(std::move(collection));
}

} // namespace

RecordDocument parseRecordDocument(const std::string& body, const std::string& type,
                                   const DocumentLimits& limits)
{
    if (body.find('\0') != std::string::npos)
        refuse("the record document contains a NUL byte");
    checkShape(body, limits);

    std::vector<char> text(body.begin(), body.end());
    text.push_back('\0');
    rapidxml::xml_document<char> document;
    try {
        document.parse<0>(text.data());
    } catch (const rapidxml::parse_error& error) {
        refuse(std::string("malformed record document: ") + error.what());
    }

    const Node* root = nullptr;
    for (const Node* node = document.first_node(); node; node = node->next_sibling()) {
        if (node->type() == rapidxml::node_element) {
            if (root)
                refuse("more than one root element");
            root = node;
        }
    }
    if (!root)
        refuse("no record element");
    if (nameOf(root) != type)
        refuse("the root element <" + toUtf8(nameOf(root)) + "> does not match the type " + type +
               " of the address");
    if (root->first_attribute())
        refuse("the root element takes no attributes");
    if (hasText(root))
        refuse("text directly inside <" + type + ">");

    RecordDocument record;
    record.type = type;
    for (const Node* node = root->first_node(); node; node = node->next_sibling()) {
        if (node->type() != rapidxml::node_element)
            continue;
        const std::string name = nameOf(node);
        const std::string elementType = RecordTypes::collectionElement(type, name);
        if (node->first_attribute()) {
            const std::string target = RecordTypes::referenceTarget(type, name);
            if (target.empty())
                refuse(type + " has no reference named " + toUtf8(name));
            record.references.push_back({name, referencedID(node)});
        } else if (!elementType.empty()) {
            readCollection(node, elementType, record);
        } else if (hasChildElement(node)) {
            refuse(type + " has no collection named " + toUtf8(name));
        } else {
            record.fields.push_back({toUtf8(name), toUtf8(std::string(node->value(), node->value_size()))});
        }
    }
    return record;
}
