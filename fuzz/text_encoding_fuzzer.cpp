// libFuzzer target over the encoding detection of shared text files. The detector fed the input
// in pieces cut anywhere must find what it finds in the whole; decoding in any of the encodings
// must never fail, must give the bytes back when encoded again, and must give the same text
// whole as line by line (readers decode per line).

#include "FuzzCheck.h"

#include "text/Cp1250.h"
#include "text/TextEncoding.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool SameDetection(const text::Detection& a, const text::Detection& b)
{
    return a.encoding == b.encoding && a.damagedLine == b.damagedLine;
}

// The text of `bytes` decoded one line at a time, each line with its end (CR LF, CR or LF).
std::u16string DecodedByLines(std::string_view bytes, text::Encoding encoding)
{
    std::u16string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool end = bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
        if (end) {
            text::AppendDecoded(out, bytes.substr(start, i + 1 - start), encoding);
            start = i + 1;
        }
    }
    text::AppendDecoded(out, bytes.substr(start), encoding);
    return out;
}

std::string Cp1250Bytes(std::u16string_view decoded)
{
    std::string out;
    for (const char16_t c : decoded) {
        const int code = text::UnicodeToCp1250(c);
        Require(code >= 0, "a character decoded from Windows-1250 has a Windows-1250 code");
        out.push_back(static_cast<char>(code));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const text::Detection whole = text::DetectEncoding(bytes);

    // Pieces of 0 to 8 bytes, now and then a longer one, cut where the input's hash says.
    std::uint64_t cuts = InputHash(bytes);
    text::EncodingDetector pieces;
    for (std::size_t at = 0; at < bytes.size();) {
        cuts = cuts * 6364136223846793005ull + 1442695040888963407ull;
        const std::size_t wanted = (cuts >> 60) == 0 ? (cuts >> 32) % 512 : (cuts >> 32) % 9;
        const std::size_t piece = std::min(bytes.size() - at, wanted);
        pieces.Feed(bytes.substr(at, piece));
        at += piece;
    }
    Require(SameDetection(pieces.Finish(), whole), "the detector fed in pieces finds what it finds on the whole");

    const bool marked = bytes.substr(0, text::kUtf8Mark.size()) == text::kUtf8Mark;
    Require((whole.encoding == text::Encoding::Utf8Bom) == (marked && !whole.Damaged()),
            "UTF-8 with a mark is found exactly for a file that starts with the mark");
    if (!whole.Damaged() && whole.encoding == text::Encoding::Utf8)
        Require(text::IsValidUtf8(bytes), "a file found to be UTF-8 without a mark is well-formed UTF-8");
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }))
        Require(SameDetection(whole, text::Detection{}), "plain ASCII is UTF-8");

    // Every encoding, not only the one found: a reader told the encoding decodes any bytes.
    const std::u16string asCp1250 = text::Decode(bytes, text::Encoding::Cp1250);
    Require(asCp1250.size() == bytes.size(), "Windows-1250 gives one character per byte");
    Require(Cp1250Bytes(asCp1250) == bytes, "Windows-1250 text encodes back to its bytes");
    Require(DecodedByLines(bytes, text::Encoding::Cp1250) == asCp1250, "Windows-1250 line by line is the whole");
    for (const text::Encoding utf8 : {text::Encoding::Utf8, text::Encoding::Utf8Bom}) {
        const std::u16string decoded = text::Decode(bytes, utf8);
        Require(text::Utf8FromUtf16(decoded, text::Malformed::Escape) == bytes,
                "UTF-8 text, bad bytes kept as the surrogates standing for them, encodes back to its bytes");
        Require(DecodedByLines(bytes, utf8) == decoded, "UTF-8 line by line is the whole");
    }
    return 0;
}
