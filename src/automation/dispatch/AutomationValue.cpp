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
    v.real_ = value;
    return v;
}

AutomationValue AutomationValue::String(std::string utf8)
{
    AutomationValue v(Kind::String);
    v.text_ = std::move(utf8);
    return v;
}

AutomationValue AutomationValue::StringRef(std::string utf8)
{
    AutomationValue v(Kind::StringRef);
    v.text_ = std::move(utf8);
    return v;
}

AutomationValue AutomationValue::Object(std::shared_ptr<AutomationObject> object)
{
    AutomationValue v(Kind::Object);
    v.object_ = std::move(object);
    return v;
}

namespace {

[[noreturn]] void cannotConvert(const AutomationValue& v, const char* to)
{
    throw AutomationError("Cannot convert " + v.describe() + " to " + to);
}

} // namespace

bool AutomationValue::toBool() const
{
    switch (kind_) {
    case Kind::Boolean:
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return integer_ != 0;
    case Kind::Double:
        return real_ != 0;
    default:
        cannotConvert(*this, "Boolean");
    }
}

std::int32_t AutomationValue::toInt32() const
{
    switch (kind_) {
    case Kind::Boolean:
        return integer_ ? -1 : 0; // automation's True
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return std::int32_t(integer_);
    case Kind::Double: {
        const double r = std::nearbyint(real_);
        if (!std::isfinite(r) || r < double(std::numeric_limits<std::int32_t>::min())
            || r > double(std::numeric_limits<std::int32_t>::max()))
            cannotConvert(*this, "Int32");
        return std::int32_t(r);
    }
    case Kind::String:
    case Kind::StringRef: {
        std::int32_t n = 0;
        const char* first = text_.data();
        const char* last = first + text_.size();
        while (first != last && *first == ' ')
            ++first;
        while (last != first && last[-1] == ' ')
            --last;
        const auto [end, ec] = std::from_chars(first, last, n);
        if (first == last || ec != std::errc() || end != last)
            cannotConvert(*this, "Int32");
        return n;
    }
    default:
        cannotConvert(*this, "Int32");
    }
}

double AutomationValue::toDouble() const
{
    if (kind_ == Kind::Double)
        return real_;
    return double(toInt32());
}

std::string AutomationValue::toString() const
{
    switch (kind_) {
    case Kind::Empty:
        return {};
    case Kind::String:
    case Kind::StringRef:
        return text_;
    case Kind::Boolean:
        return integer_ ? "True" : "False";
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Int32Ref:
        return std::to_string(integer_);
    case Kind::Double: {
        std::ostringstream s;
        s.precision(17);
        s << real_;
        return s.str();
    }
    default:
        cannotConvert(*this, "String");
    }
}

std::shared_ptr<AutomationObject> AutomationValue::toObject() const
{
    if (kind_ != Kind::Object || !object_)
        cannotConvert(*this, "Object");
    return object_;
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

std::string AutomationValue::describe() const
{
    std::string s = KindName(kind_);
    switch (kind_) {
    case Kind::Empty:
    case Kind::Missing:
        return s;
    case Kind::Object:
        return s + (object_ ? "" : "(null)");
    case Kind::String:
    case Kind::StringRef:
        return s + "(\"" + text_ + "\")";
    default:
        return s + "(" + toString() + ")";
    }
}

bool operator==(const AutomationValue& a, const AutomationValue& b)
{
    return a.kind_ == b.kind_ && a.integer_ == b.integer_ && (a.real_ == b.real_ || (a.real_ != a.real_ && b.real_ != b.real_))
        && a.text_ == b.text_ && a.object_ == b.object_;
}
