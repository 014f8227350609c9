#include "server/protocol/DocumentParser.h"

#include <cstdint>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "server/protocol/DocumentShape.h"
#include "server/protocol/FieldValue.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordRules.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/TextEncoding.h"

namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

[[noreturn]] void refuse(const std::string& reason)
{
    throw ProtocolError(400, reason);
}

std::string nameOf(const Node* node)
{
    return std::string(node->name(), node->name_size());
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

// An element that stands for a stored record: <Name id="12"/>, nothing else in it. The ID is
// written as the client writes it (no sign, no leading zero), so that its lookup pair
// <Name>ID=12 finds what it stored.
int32_t referencedID(const Node* node)
{
    const Attribute* attribute = node->first_attribute();
    if (!attribute || attribute->next_attribute() ||
        std::string(attribute->name(), attribute->name_size()) != "id" || node->first_node())
        refuse("<" + nameOf(node) + "> must be an empty element with one id attribute");
    const std::string text(attribute->value(), attribute->value_size());
    if (text.empty() || text.size() > 10 || text[0] == '0' ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoll(text) > INT32_MAX)
        refuse("<" + nameOf(node) + "> has an invalid id" +
               (text.size() <= 16 ? " \"" + toUtf8(text) + "\"" : std::string()));
    return static_cast<int32_t>(std::stoll(text));
}

// The value as its sender wrote it. The parser keeps no text for an element that holds only
// blanks; the blanks are read from the body then, as the sender's lookup carries them.
std::string sentValue(const Node* node, const std::vector<char>& buffer, const std::string& body)
{
    if (node->value_size() > 0)
        return std::string(node->value(), node->value_size());
    const std::size_t tagEnd = body.find('>', static_cast<std::size_t>(node->name() - buffer.data()));
    if (tagEnd == std::string::npos || body[tagEnd - 1] == '/')
        return std::string();
    return body.substr(tagEnd + 1, body.find('<', tagEnd) - tagEnd - 1);
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
            refuse("the collection <" + collection.name + "> holds " + elementType + " records, not <" +
                   nameOf(member) + ">");
        collection.members.push_back({elementType, referencedID(member)});
    }
    record.collections.push_back(std::move(collection));
}

} // namespace

RecordDocument parseRecordDocument(const std::string& body, const std::string& type,
                                   const DocumentLimits& limits, SearchKey* sentLookup)
{
    if (body.find('\0') != std::string::npos)
        refuse("the record document contains a NUL byte");
    checkDocumentShape(body, limits);

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
        refuse("the root element <" + nameOf(root) + "> does not match the type " + type + " of the address");
    if (root->first_attribute())
        refuse("the root element takes no attributes");
    if (hasText(root))
        refuse("text directly inside <" + type + ">");

    RecordDocument record;
    record.type = type;
    RecordDocument asSent;
    asSent.type = type;
    for (const Node* node = root->first_node(); node; node = node->next_sibling()) {
        if (node->type() != rapidxml::node_element)
            continue;
        const std::string name = nameOf(node);
        const std::string elementType = RecordTypes::collectionElement(type, name);
        if (!RecordTypes::referenceTarget(type, name).empty()) {
            record.references.push_back({name, referencedID(node)});
        } else if (node->first_attribute()) {
            refuse(type + " has no reference named " + name);
        } else if (!elementType.empty()) {
            readCollection(node, elementType, record);
        } else if (hasChildElement(node)) {
            refuse(type + " has no collection named " + name);
        } else {
            const std::string sent = sentValue(node, text, body);
            record.fields.push_back({name, fieldValue(sent)});
            asSent.fields.push_back({name, toUtf8(sent)});
        }
    }
    checkRecordRules(record, limits);
    asSent.references = record.references;
    checkLookupFits(asSent, limits);
    if (sentLookup)
        *sentLookup = SearchKey::ofRecord(asSent);
    return record;
}
