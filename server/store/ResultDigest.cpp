#include "server/store/ResultDigest.h"

#include <openssl/sha.h>

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

    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}
