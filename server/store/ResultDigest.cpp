#include "server/store/ResultDigest.h"

#include "server/text/Digest.h"

namespace {

// Length-prefixed, so that no two different documents can run together into the same text.
void appendPart(std::string& text, const std::string& part)
{
    text += std::to_string(part.size());
    text += ':';
    text += part;
}

} // namespace

std::string resultDigest(const RecordDocument& result)
{
    std::string text;
    appendPart(text, result.type);
    text += "F";
    for (const RecordField& field : result.fields) {
        appendPart(text, field.name);
        appendPart(text, field.value);
    }
    text += "R";
    for (const RecordReference& reference : result.references) {
        appendPart(text, reference.name);
        appendPart(text, std::to_string(reference.id));
    }
    text += "C";
    for (const RecordCollection& collection : result.collections) {
        appendPart(text, collection.name);
        text += std::to_string(collection.members.size()) + "M";
        for (const RecordMember& member : collection.members) {
            appendPart(text, member.type);
            appendPart(text, std::to_string(member.id));
        }
    }

    return sha256Hex(text);
}
