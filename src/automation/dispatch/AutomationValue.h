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
        : std::runtime_error(message), m_code(code)
    {
    }
    std::int32_t Code() const { return m_code; }

private:
    std::int32_t m_code;
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

    Kind ValueKind() const { return m_kind; }
    bool IsEmpty() const { return m_kind == Kind::Empty; }

    // Conversions a caller relies on; each throws AutomationError when the value has no
    // sensible meaning as the type asked for (an object as a number, a text that is no number).
    bool ToBool() const;
    std::int32_t ToInt32() const;
    double ToDouble() const;
    std::string ToString() const;
    // The object; throws when the value holds none (also for an empty object reference).
    std::shared_ptr<AutomationObject> ToObject() const;

    // Kind and value as one text, such as Int16(3), StringRef("C:\a.dft") or Missing; for logs
    // of what was sent.
    std::string Describe() const;

    friend bool operator==(const AutomationValue& a, const AutomationValue& b);

private:
    explicit AutomationValue(Kind kind, std::int64_t integer = 0) : m_kind(kind), m_integer(integer) {}

    Kind m_kind = Kind::Empty;
    std::int64_t m_integer = 0; // Boolean (0 or 1), Int16, Int32, Int32Ref
    double m_real = 0;
    std::string m_text;
    std::shared_ptr<AutomationObject> m_object;
};

const char* KindName(AutomationValue::Kind kind);
