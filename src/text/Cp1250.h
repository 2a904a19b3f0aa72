#pragma once
// The Windows-1250 (Central European) code page, in which the old Windows program wrote its
// list, INI, property set and seed files and its ANSI property strings.
//
// The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand for the C1
// control character of the same number, as the Windows conversion functions map them. So every
// byte decodes to a character and encodes back to itself: a file of any bytes survives a read
// and a write.

namespace text {

// The character of a Windows-1250 byte.
char16_t Cp1250ToUnicode(unsigned char byte);

// The Windows-1250 byte of a character, or -1 when the code page has none for it.
int UnicodeToCp1250(char32_t character);

} // namespace text
