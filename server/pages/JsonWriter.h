#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes one JSON document front to back; commas and nesting are its business, not the
// caller's. Strings are stored UTF-8 and escaped as JSON requires.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const std::string& name);
    JsonWriter& value(const std::string& text);
    JsonWriter& value(const char* text) { return value(std::string(text)); }
    JsonWriter& value(double number);  // non-finite numbers are written as null
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

    const std::string& text() const { return out_; }

private:
    void beforeValue();

    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
    bool afterKey_ = false;
};

std::string jsonEscape(const std::string& text);
