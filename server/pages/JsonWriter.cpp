#include "server/pages/JsonWriter.h"

#include <cmath>

namespace {

// Markup characters can only occur inside strings of a JSON text, so escaping them in the
// finished text escapes them where they are.
std::string dumped(const nlohmann::ordered_json& document)
{
    const std::string text = document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "\\u003c"; break;
        case '>': out += "\\u003e"; break;
        case '&': out += "\\u0026"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

std::string jsonEscape(const std::string& text)
{
    return dumped(nlohmann::ordered_json(text));
}

JsonWriter& JsonWriter::add(nlohmann::ordered_json value)
{
    if (open_.empty()) {
        root_ = std::move(value);
        started_ = true;
    } else if (open_.back()->is_object()) {
        (*open_.back())[key_] = std::move(value);
    } else {
        open_.back()->push_back(std::move(value));
    }
    return *this;
}

JsonWriter& JsonWriter::open(nlohmann::ordered_json container)
{
    nlohmann::ordered_json* placed = nullptr;
    if (open_.empty()) {
        root_ = std::move(container);
        started_ = true;
        placed = &root_;
    } else if (open_.back()->is_object()) {
        placed = &((*open_.back())[key_] = std::move(container));
    } else {
        open_.back()->push_back(std::move(container));
        placed = &open_.back()->back();
    }
    // An element of a container stays where it is while later ones are added: ordered_json's
    // objects and arrays hold their values in vectors, but each value owns its own children on
    // the heap, and only the innermost open container ever grows.
    open_.push_back(placed);
    return *this;
}

JsonWriter& JsonWriter::beginObject()
{
    return open(nlohmann::ordered_json::object());
}

JsonWriter& JsonWriter::endObject()
{
    open_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    return open(nlohmann::ordered_json::array());
}

JsonWriter& JsonWriter::endArray()
{
    open_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name)
{
    key_ = name;
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text)
{
    return add(text);
}

JsonWriter& JsonWriter::value(double number)
{
    if (!std::isfinite(number))
        return null();
    // Whole numbers as integers ("12", not "12.0"), as the pages have always written them.
    if (number == std::floor(number) && std::fabs(number) < 9007199254740992.0)
        return add(static_cast<int64_t>(number));
    return add(number);
}

JsonWriter& JsonWriter::value(int64_t number)
{
    return add(number);
}

JsonWriter& JsonWriter::value(bool flag)
{
    return add(flag);
}

JsonWriter& JsonWriter::null()
{
    return add(nullptr);
}

std::string JsonWriter::text() const
{
    return started_ ? dumped(root_) : std::string();
}
