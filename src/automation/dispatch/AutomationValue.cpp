#include "automation/dispatch/AutomationValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

AutomationValue AutomationValue::Boolean(bool value) { return AutomationValue(Kind::Boolean, value ? 1 : 0); }

AutomationValue AutomationValue::Int16(std::int16_t value) { return AutomationValue(Kind::Int16, value); }

AutomationValue AutomationValue::Int32(std::int32_t value) { return AutomationValue(Kind::Int32, value); }

AutomationValue AutomationValue::Int32Ref(std::int32_t value) { return AutomationValue(Kind::Int32Ref, value); }

AutomationValue AutomationValue::Missing() { return AutomationValue(Kind::Missing); }

AutomationValue AutomationValue::Double(double value)
{
    AutomationValue v(Kind::Double);
    v.m_real = value;
    return v;
}

AutomationValue AutomationValue::String(std::string utf8)
{
    AutomationValue v(Kind::String);
    v.m_text = std::move(utf8);
    return v;
}

AutomationValue AutomationValue::StringRef(std::string utf8)
{
    AutomationValue v(Kind::StringRef);
    v.m_text = std::move(utf8);
    return v;
}

AutomationValue AutomationValue::Object(std::shared_ptr<AutomationObject> object)
{
    AutomationValue v(Kind::Object);
    v.m_object = std::move(object);
    return v;
}

namespace {

[[noreturn]] void CannotConvert(const AutomationValue& v, const char* to)
{
    throw AutomationError("Cannot convert " + v.Describe() + " to " + to);
}

} // namespace

bool AutomationValue::ToBool() const
{
    switch (m_kind) {
    case Kind::Boolean:
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return m_integer != 0;
    case Kind::Double:
        return m_real != 0;
    default:
        CannotConvert(*this, "Boolean");
    }
}

std::int32_t AutomationValue::ToInt32() const
{
    switch (m_kind) {
    case Kind::Boolean:
        return m_integer ? -1 : 0; // automation's True
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return std::int32_t(m_integer);
    case Kind::Double: {
        const double r = std::nearbyint(m_real);
        if (!std::isfinite(r) || r < double(std::numeric_limits<std::int32_t>::min())
            || r > double(std::numeric_limits<std::int32_t>::max()))
            CannotConvert(*this, "Int32");
        return std::int32_t(r);
    }
    case Kind::String:
    case Kind::StringRef: {
        std::int32_t n = 0;
        const char* first = m_text.data();
        const char* last = first + m_text.size();
        while (first != last && *first == ' ')
            ++first;
        while (last != first && last[-1] == ' ')
            --last;
        const auto [end, ec] = std::from_chars(first, last, n);
        if (first == last || ec != std::errc() || end != last)
            CannotConvert(*this, "Int32");
        return n;
    }
    default:
        CannotConvert(*this, "Int32");
    }
}

double AutomationValue::ToDouble() const
{
    if (m_kind == Kind::Double)
        return m_real;
    return double(ToInt32());
}

std::string AutomationValue::ToString() const
{
    switch (m_kind) {
    case Kind::Empty:
        return {};
    case Kind::String:
    case Kind::StringRef:
        return m_text;
    case Kind::Boolean:
        return m_integer ? "True" : "False";
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return std::to_string(m_integer);
    case Kind::Double: {
        std::ostringstream s;
        s.precision(17);
        s << m_real;
        return s.str();
    }
    default:
        CannotConvert(*this, "String");
    }
}

std::shared_ptr<AutomationObject> AutomationValue::ToObject() const
{
    if (m_kind != Kind::Object || !m_object)
        CannotConvert(*this, "Object");
    return m_object;
}

const char* KindName(AutomationValue::Kind kind)
{
    switch (kind) {
    case AutomationValue::Kind::Empty: return "Empty";
    case AutomationValue::Kind::Boolean: return "Boolean";
    case AutomationValue::Kind::Int16: return "Int16";
    case AutomationValue::Kind::Int32: return "Int32";
    case AutomationValue::Kind::Double: return "Double";
    case AutomationValue::Kind::String: return "String";
    case AutomationValue::Kind::StringRef: return "StringRef";
    case AutomationValue::Kind::Int32Ref: return "Int32Ref";
    case AutomationValue::Kind::Missing: return "Missing";
    case AutomationValue::Kind::Object: return "Object";
    }
    return "?";
}

std::string AutomationValue::Describe() const
{
    std::string s = KindName(m_kind);
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Missing:
        return s;
    case Kind::Object:
        return s + (m_object ? "" : "(null)");
    case Kind::String:
    case Kind::StringRef:
        return s + "(\"" + m_text + "\")";
    default:
        return s + "(" + ToString() + ")";
    }
}

bool operator==(const AutomationValue& a, const AutomationValue& b)
{
    return a.m_kind == b.m_kind && a.m_integer == b.m_integer && (a.m_real == b.m_real || (a.m_real != a.m_real && b.m_real != b.m_real))
        && a.m_text == b.m_text && a.m_object == b.m_object;
}
