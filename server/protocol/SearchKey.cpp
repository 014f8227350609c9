#include "server/protocol/SearchKey.h"
#include "server/protocol/RecordTypes.h"

#include <algorithm>

#include <openssl/sha.h>

namespace {

constexpr std::size_t kLongestPlainKey = 512;

std::string hexDigest(const std::string& text)
{
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

} // namespace

SearchKey::SearchKey(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs))
{
    std::sort(pairs_.begin(), pairs_.end());
}

SearchKey SearchKey::ofRecord(const RecordDocument& record)
{
    const RecordField* productID = record.field("ProductID");
    const bool cardKnownByIDs =
        record.type == RecordTypes::kGraphicsCard && productID && productID->value != "0x0";
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const RecordField& field : record.fields) {
        if (cardKnownByIDs && field.name == "Name")
            continue;
        pairs.emplace_back(field.name, field.value);
    }
    for (const RecordReference& reference : record.references)
        pairs.emplace_back(reference.name + "ID", std::to_string(reference.id));
    return SearchKey(std::move(pairs));
}

std::string SearchKey::canonical() const
{
    std::string text;
    for (const auto& pair : pairs_) {
        text += std::to_string(pair.first.size()) + ":" + pair.first + "=";
        text += std::to_string(pair.second.size()) + ":" + pair.second + ";";
    }
    // A plain key starts with a digit (or is empty), so it never looks like a hashed one.
    if (text.size() > kLongestPlainKey)
        return "sha256:" + hexDigest(text);
    return text;
}
