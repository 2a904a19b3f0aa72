// Program text to native names and back, without loss.
#include "text/NativePath.h"

#include <gtest/gtest.h>

TEST(NativePath, NamesSurviveTheTripThroughText)
{
    if constexpr (text::kNativeNamesAreUtf16) {
        const std::u16string name = u"Na\u010Drt.dft";
        EXPECT_EQ(text::PathFromUtf16(name).native(), std::filesystem::path::string_type(name.begin(), name.end()));
        EXPECT_EQ(text::Utf16FromPath(text::PathFromUtf16(name)), name);
    } else {
        struct Case {
            std::string bytes;
            std::u16string text;
        };
        const Case cases[] = {
            {"Na\xC4\x8Drt.dft", u"Na\u010Drt.dft"},             // UTF-8 reads as its characters
            {"cp1250_\x9A\xE8.par", u"cp1250_\xDC9A\xDCE8.par"}, // Windows-1250 keeps its bytes
            {"/srv/\xC4\x8D/\xE8.dft", u"/srv/\u010D/\xDCE8.dft"},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(text::Utf16FromPath(std::filesystem::path(c.bytes)), c.text) << c.bytes;
            EXPECT_EQ(text::PathFromUtf16(c.text).native(), c.bytes) << c.bytes;
        }
    }
}
