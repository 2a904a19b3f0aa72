#include "automation/dispatch/AutomationServer.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// What each kind reads as; "!" marks a conversion that must refuse.
TEST(AutomationValueTest, ConversionsAndRefusals)
{
    const struct {
        AutomationValue value;
        const char* asBool;
        const char* asInt;
        const char* asText;
        const char* described;
    } cases[] = {
        {AutomationValue(), "!", "!", "", "Empty"},
        {AutomationValue::Boolean(true), "1", "-1", "True", "Boolean(True)"},
        {AutomationValue::Boolean(false), "0", "0", "False", "Boolean(False)"},
        {AutomationValue::Int16(-7), "1", "-7", "-7", "Int16(-7)"},
        {AutomationValue::Int32(0), "0", "0", "0", "Int32(0)"},
        {AutomationValue::Int32Ref(2), "1", "2", "2", "Int32Ref(2)"},
        {AutomationValue::Double(2.5), "1", "2", "2.5", "Double(2.5)"},
        {AutomationValue::Double(3e10), "1", "!", "30000000000", "Double(30000000000)"},
        {AutomationValue::String(" 12 "), "!", "12", " 12 ", "String(\" 12 \")"},
        {AutomationValue::StringRef("x1"), "!", "!", "x1", "StringRef(\"x1\")"},
        {AutomationValue::String(""), "!", "!", "", "String(\"\")"},
        {AutomationValue::Missing(), "!", "!", "!", "Missing"},
        {AutomationValue::Object(nullptr), "!", "!", "!", "Object(null)"},
    };
    const auto attempt = [](const std::function<std::string()>& f) {
        try {
            return f();
        } catch (const AutomationError&) {
            return std::string("!");
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.described);
        EXPECT_EQ(c.value.Describe(), c.described);
        EXPECT_EQ(attempt([&] { return std::to_string(c.value.ToBool()); }), c.asBool);
        EXPECT_EQ(attempt([&] { return std::to_string(c.value.ToInt32()); }), c.asInt);
        EXPECT_EQ(attempt([&] { return c.value.ToString(); }), c.asText);
        EXPECT_THROW(c.value.ToObject(), AutomationError);
    }
}

// On every system an unknown class is refused and is never seen running.
TEST(AutomationServerTest, UnknownClassIsRefused)
{
    AutomationServer& server = SystemAutomationServer();
    EXPECT_THROW(server.Create("KRDL.NoSuchClass.Anywhere"), AutomationError);
    EXPECT_FALSE(server.IsRunning("KRDL.NoSuchClass.Anywhere"));
}

} // namespace
