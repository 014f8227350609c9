#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Builds one JSON document front to back through nlohmann's JSON library; nesting is its
// business, not the caller's. Keys keep the order they were written in. Numbers that are whole
// are written without a fraction, other finite numbers as the shortest text that reads back the
// same, non-finite ones as null. Text that is not UTF-8 is written with U+FFFD in place of the
// bytes that are not, and <, > and & are escaped, so that the document is valid anywhere and
// safe to embed in a page.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const std::string& name);
    JsonWriter& value(const std::string& text);
    JsonWriter& value(const char* text) { return value(std::string(text)); }
    JsonWriter& value(double number);
    JsonWriter& value(int64_t number);
    JsonWriter& value(int32_t number) { return value(static_cast<int64_t>(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();

    template <typename T>
    JsonWriter& field(const std::string& name, const T& v)
    {
        key(name);
        return value(v);
    }

    // The document as written so far.
    std::string text() const;

private:
    JsonWriter& add(nlohmann::ordered_json value);
    JsonWriter& open(nlohmann::ordered_json container);

    nlohmann::ordered_json root_;
    std::vector<nlohmann::ordered_json*> open_;  // the containers not yet ended, innermost last
    std::string key_;
    bool started_ = false;
};

// One JSON string, quoted and escaped as the writer escapes its strings.
std::string jsonEscape(const std::string& text);
