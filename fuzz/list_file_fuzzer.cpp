// libFuzzer target over list files: any bytes are read as a shared text file and then as a list;
// a list written is read back as the same entries (check marks, folders, names), and any text
// read is written back, in the form the file had or the one chosen for it, as the same text.

#include "FuzzCheck.h"

#include "common/SharedText.h"
#include "filelist/ListFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace {

bool SameEntries(const std::vector<FileEntry>& a, const std::vector<FileEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].checked != b[i].checked || a[i].directory != b[i].directory || a[i].fileName != b[i].fileName)
            return false;
    return true;
}

QString DecodedOrAbort(const QByteArray& bytes, const char* what)
{
    QString text;
    Require(DecodeSharedText(bytes, text), what);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text;
    SharedEncoding encoding;
    if (!DecodeSharedText(bytes, text, nullptr, &encoding))
        return 0;
    Require(DecodedOrAbort(EncodeSharedTextAs(text, encoding), "a text written in its own form is readable") == text,
            "a text written in its own form reads back unchanged");
    Require(DecodedOrAbort(EncodeSharedText(text), "a text written is readable") == text,
            "a text written reads back unchanged");

    const std::vector<FileEntry> entries = ParseListFileText(text);
    const QString written = ListFileText(entries);
    const QString reread = DecodedOrAbort(EncodeSharedText(written), "a list file written is readable");
    Require(reread == written, "a list file written reads back as its text");
    Require(SameEntries(ParseListFileText(reread), entries), "a list file written reads back as the same entries");
    return 0;
}
