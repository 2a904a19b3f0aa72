#include "support/JsonValue.h"

#include "text/Utf8.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace testfiles {

// Recursive descent over the text; any departure from the grammar ends the read with nothing.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document()
    {
        std::optional<JsonValue> v = Value();
        Blanks();
        if (v && at_ != text_.size())
            return std::nullopt;
        return v;
    }

private:
    std::optional<JsonValue> Value()
    {
        Blanks();
        if (at_ >= text_.size())
            return std::nullopt;
        JsonValue v;
        switch (text_[at_]) {
        case '{': {
            ++at_;
            v.kind_ = JsonValue::Kind::Object;
            if (Take('}'))
                return v;
            do {
                Blanks();
                std::optional<std::string> key = String();
                if (!key || !Take(':'))
                    return std::nullopt;
                std::optional<JsonValue> member = Value();
                if (!member)
                    return std::nullopt;
                v.members_[*key] = std::move(*member);
            } while (Take(','));
            return Take('}') ? std::optional<JsonValue>(std::move(v)) : std::nullopt;
        }
        case '[': {
            ++at_;
            v.kind_ = JsonValue::Kind::Array;
            if (Take(']'))
                return v;
            do {
                std::optional<JsonValue> item = Value();
                if (!item)
                    return std::nullopt;
                v.items_.push_back(std::move(*item));
            } while (Take(','));
            return Take(']') ? std::optional<JsonValue>(std::move(v)) : std::nullopt;
        }
        case '"': {
            std::optional<std::string> s = String();
            if (!s)
                return std::nullopt;
            v.kind_ = JsonValue::Kind::String;
            v.string_ = std::move(*s);
            return v;
        }
        default:
            break;
        }
        if (Word("null"))
            return v;
        for (const bool b : {true, false})
            if (Word(b ? "true" : "false")) {
                v.kind_ = JsonValue::Kind::Bool;
                v.boolean_ = b;
                return v;
            }
        return Number();
    }

    // A number as the grammar has it (no hex, no "Infinity", no leading zeros); a whole number
    // that fits 64 bits is kept exactly as well, so that large integers compare without the
    // rounding of a double. std::from_chars reads it whatever the C locale's decimal point is.
    std::optional<JsonValue> Number()
    {
        const std::size_t start = at_;
        const auto digits = [this] {
            const std::size_t from = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
                ++at_;
            return at_ - from;
        };
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        const std::size_t intStart = at_;
        const std::size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && text_[intStart] == '0'))
            return std::nullopt;
        bool whole = true;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            whole = false;
            if (digits() == 0)
                return std::nullopt;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            whole = false;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-'))
                ++at_;
            if (digits() == 0)
                return std::nullopt;
        }
        const char* first = text_.data() + start;
        const char* last = text_.data() + at_;
        JsonValue v;
        v.kind_ = JsonValue::Kind::Number;
        if (std::from_chars(first, last, v.number_).ec != std::errc())
            return std::nullopt;
        if (whole && std::from_chars(first, last, v.integer_).ec == std::errc())
            v.exactInteger_ = true;
        return v;
    }

    std::optional<std::string> String()
    {
        if (!Take('"'))
            return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                return std::nullopt;
            const char e = text_[at_++];
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::optional<char32_t> unit = Hex4();
                if (!unit)
                    return std::nullopt;
                char32_t cp = *unit;
                // A surrogate pair is one character; a lone surrogate is none.
                if (cp >= 0xD800 && cp <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
                    at_ += 2;
                    std::optional<char32_t> low = Hex4();
                    if (!low)
                        return std::nullopt;
                    cp = *low >= 0xDC00 && *low <= 0xDFFF ? 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00)
                                                          : text::kReplacementCharacter;
                } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                    cp = text::kReplacementCharacter;
                }
                text::AppendUtf8(out, cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<char32_t> Hex4()
    {
        if (at_ + 4 > text_.size())
            return std::nullopt;
        char32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0)
                return std::nullopt;
            v = v * 16 + static_cast<char32_t>(digit);
        }
        return v;
    }

    void Blanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool Take(char c)
    {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w)
    {
        if (text_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<JsonValue> JsonValue::Parse(std::string_view text)
{
    return JsonReader(text).Document();
}

std::int64_t JsonValue::toInteger() const
{
    if (kind_ != Kind::Number)
        return 0;
    if (exactInteger_)
        return integer_;
    // A whole number written with a fraction or an exponent ("2.0", "1e3") is still whole.
    return std::trunc(number_) == number_ && std::abs(number_) < 9.2e18 ? static_cast<std::int64_t>(number_) : 0;
}

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue null;
    const auto found = members_.find(key);
    return found == members_.end() ? null : found->second;
}

} // namespace testfiles
