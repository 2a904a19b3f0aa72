#pragma once
// A late-bound automation value: what one argument of a call by member name carries, or what
// the call returns. The kinds are the few the program sends and receives; a backend turns them
// into its own variants (a VARIANT under COM). No Qt: text is UTF-8.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

class AutomationObject;

// A failed lookup, creation or call. Code is the backend's error code (an HRESULT under COM,
// 0 where there is none); the message is the one the called object gave, when it gave one.
class AutomationError : public std::runtime_error {
public:
    explicit AutomationError(const std::string& message, std::int32_t code = 0)
        : std::runtime_error(message), code_(code)
    {
    }
    std::int32_t code() const { return code_; }

private:
    std::int32_t code_;
};

class AutomationValue {
public:
    enum class Kind {
        Empty,
        Boolean,
        Int16,
        Int32,
        Double,
        String,
        StringRef, // a string passed by reference
        Int32Ref,  // a 32-bit integer passed by reference
        Missing,   // an omitted optional argument
        Object,
    };

    AutomationValue() = default; // Empty

    static AutomationValue Boolean(bool value);
    static AutomationValue Int16(std::int16_t value);
    static AutomationValue Int32(std::int32_t value);
    static AutomationValue Double(double value);
    static AutomationValue String(std::string utf8);
    static AutomationValue StringRef(std::string utf8);
    static AutomationValue Int32Ref(std::int32_t value);
    static AutomationValue Missing();
    static AutomationValue Object(std::shared_ptr<AutomationObject> object);

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }

    // Conversions a caller relies on; each throws AutomationError when the value has no
    // sensible meaning as the type asked for (an object as a number, a text that is no number).
    bool toBool() const;
    std::int32_t toInt32() const;
    double toDouble() const;
    std::string toString() const;
    // The object; throws when the value holds none (also for an empty object reference).
    std::shared_ptr<AutomationObject> toObject() const;

    // Kind and value as one text, such as Int16(3), StringRef("C:\a.dft") or Missing; for logs
    // of what was sent.
    std::string describe() const;

    friend bool operator==(const AutomationValue& a, const AutomationValue& b);

private:
    explicit AutomationValue(Kind kind, std::int64_t integer = 0) : kind_(kind), integer_(integer) {}

    Kind kind_ = Kind::Empty;
    std::int64_t integer_ = 0; // Boolean (0 or 1), Int16, Int32, Int32Ref
    double real_ = 0;
    std::string text_;
    std::shared_ptr<AutomationObject> object_;
};

const char* KindName(AutomationValue::Kind kind);
