// The per-user registry store on a system that has one.
#include "platform/UserRegistry.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(UserRegistry, WritesReadsAndRemovesStringValues)
{
    if (!platform::HasUserRegistry())
        GTEST_SKIP() << "this system has no registry; the settings keep these values in a file";
    std::random_device random;
    const std::u16string root = u"Software\\KRDL-Test-" + std::u16string(1, char16_t(u'a' + random() % 26));
    const std::u16string key = root + u"\\Nastavitve";
    ASSERT_TRUE(platform::RemoveUserRegistryKey(root));

    EXPECT_FALSE(platform::ReadUserRegistryString(key, u"Location")) << "a missing key reads as nothing";
    const struct {
        std::u16string name, value;
    } cases[] = {{u"Location", u"C:\\Program Files\\KRDL\\Načrt čšž.exe"}, {u"Handle", u"123456"},
                 {u"Empty", u""}, {u"Long", std::u16string(5000, u'ž')}};
    for (const auto& c : cases) {
        ASSERT_TRUE(platform::WriteUserRegistryString(key, c.name, c.value));
        EXPECT_EQ(platform::ReadUserRegistryString(key, c.name), c.value);
    }
    ASSERT_TRUE(platform::WriteUserRegistryString(key, u"Handle", u"7"));
    EXPECT_EQ(platform::ReadUserRegistryString(key, u"Handle"), u"7");
    EXPECT_FALSE(platform::ReadUserRegistryString(key, u"Missing"));

    ASSERT_TRUE(platform::RemoveUserRegistryKey(root));
    EXPECT_FALSE(platform::ReadUserRegistryString(key, u"Handle"));
}

} // namespace
