#include "server/store/ResultDigest.h"

#include "server/text/Digest.h"

namespace {

// Length-prefixed, so that no two different documents can run together into the same text.
void append(std::string& text, const std::string& part)
{
    text += std::to_string(part.size());
    text += ':';
    text += part;
}

} // namespace

std::string resultDigest(const RecordDocument& result)
{
    std::string text;
    append(text, result.type);
    text += "F";
    for (const RecordField& field : result.fields) {
        append(text, field.name);
        append(text, field.value);
    }
    text += "R";
    for (const RecordReference& reference : result.references) {
        append(text, reference.name);
        append(text, std::to_string(reference.id));
    }
    text += "C";
    for (const RecordCollection& collection : result.collections) {
        append(text, collection.name);
        text += std::to_string(collection.members.size()) + "M";
        for (const RecordMember& member : collection.members) {
            append(text, member.type);
            append(text, std::to_string(member.id));
        }
    }

    return sha256Hex(text);
}
