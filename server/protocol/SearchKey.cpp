#include "server/protocol/SearchKey.h"
#include "server/protocol/RecordTypes.h"

#include <algorithm>

#include "server/text/Digest.h"

namespace {

constexpr std::size_t kLongestPlainKey = 512;

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
        return "sha256:" + sha256Hex(text);
    return text;
}
