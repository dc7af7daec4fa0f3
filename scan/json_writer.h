#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::scan {

// A small streaming JSON writer: objects, arrays, strings, numbers and booleans, with
// commas placed automatically. Strings are escaped; bytes that are not valid UTF-8 become
// U+FFFD so that the output is always valid JSON.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The name of the next member of the current object.
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(int number) { return value(static_cast<std::int64_t>(number)); }
    JsonWriter& value(bool flag);

    const std::string& text() const { return out_; }

    static std::string quote(std::string_view text);

private:
    void separate();
    std::string out_;
    std::vector<bool> first_;  // per open container: no member written yet
    bool afterKey_ = false;
};

}  // namespace sorvane::scan
