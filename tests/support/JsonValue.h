#pragma once
// A JSON value read from text, for tests that read what an independent program printed. No Qt.
// Reading a member or a value of another kind gives the default (Null, 0, false, ""), as
// Qt's QJsonValue does, so that a check compares with that instead of failing to compile.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testfiles {

class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // The value the whole text holds, or nothing when the text is not well-formed JSON.
    static std::optional<JsonValue> Parse(std::string_view text);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool toBool() const { return boolean_; }
    double toDouble() const { return number_; }
    // The number when it is a whole number within 64 bits, else 0; exact also beyond 2^53.
    std::int64_t toInteger() const;
    int toInt() const { return static_cast<int>(toInteger()); }
    // Strings are UTF-8.
    const std::string& toString() const { return string_; }
    const std::vector<JsonValue>& items() const { return items_; }
    const std::map<std::string, JsonValue>& members() const { return members_; }
    // The member named `key`, or Null.
    const JsonValue& operator[](const std::string& key) const;

    bool operator==(const JsonValue&) const = default;

private:
    friend class JsonReader;
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::int64_t integer_ = 0;
    bool exactInteger_ = false; // integer_ holds the number as written
    std::string string_;
    std::vector<JsonValue> items_;
    std::map<std::string, JsonValue> members_;
};

} // namespace testfiles
