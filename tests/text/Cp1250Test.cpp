// The Windows-1250 table, shared by the shared-file encoding and the property set codec.
#include "text/Cp1250.h"

#include <gtest/gtest.h>

TEST(Cp1250, EveryByteDecodesToACharacterThatEncodesBackToIt)
{
    for (int b = 0; b < 256; ++b) {
        const char16_t c = text::Cp1250ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(text::UnicodeToCp1250(c), b) << "byte " << b;
    }
}

TEST(Cp1250, KnownCharactersUndefinedBytesAndMisses)
{
    struct Case {
        unsigned char byte;
        char16_t character;
    };
    // Š, č, ž, the euro sign, the last byte, and the five undefined bytes as C1 controls.
    const Case known[] = {{0x8A, u'Š'}, {0xE8, u'č'}, {0x9E, u'ž'}, {0x80, u'€'}, {0xFF, u'˙'}, {0x41, u'A'},
                          {0x81, 0x0081}, {0x83, 0x0083}, {0x88, 0x0088}, {0x90, 0x0090}, {0x98, 0x0098}};
    for (const Case& c : known)
        EXPECT_EQ(text::Cp1250ToUnicode(c.byte), c.character) << int(c.byte);
    // Characters the code page lacks: À (its 0xC0 is Ŕ), Greek, a character beyond the BMP, and
    // the C1 controls that have a character of their own there.
    for (const char32_t missing : {U'À', U'Ω', U'😀', char32_t(0x80), char32_t(0x8A)})
        EXPECT_EQ(text::UnicodeToCp1250(missing), -1) << std::hex << unsigned(missing);
}
