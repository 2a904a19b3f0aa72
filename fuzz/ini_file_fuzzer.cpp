// libFuzzer target over INI files. The input is a section name, a key and a value (each ended by
// a backslash and one more character, FuzzedDataProvider's strings) and then the file's bytes.
// A file read keeps every line as it was; a value set reads back as itself, in the document and
// in the file written from it, and leaves every other section and key as it was.

#include "FuzzCheck.h"

#include "common/SharedText.h"
#include "common/TextField.h"
#include "settings/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>

namespace {

using Entries = QList<QPair<QString, QString>>;

Entries Without(Entries entries, const QString& key)
{
    entries.removeIf([&key](const QPair<QString, QString>& e) { return e.first.compare(key, Qt::CaseInsensitive) == 0; });
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = QString::fromStdString(input.ConsumeRandomLengthString(40));
    const QString key = QString::fromStdString(input.ConsumeRandomLengthString(40));
    const QString value = QString::fromStdString(input.ConsumeRandomLengthString(80));
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray bytes = QByteArray::fromStdString(rest);

    QString text;
    SharedEncoding encoding;
    if (!DecodeSharedText(bytes, text, nullptr, &encoding))
        return 0;
    IniDocument doc = IniDocument::FromText(text);
    Require(doc.ToText() == text, "a file read and written unchanged keeps every byte of its text");

    if (!IniEntryWritable(section, key, value))
        return 0;
    const QHash<QString, Entries> before = doc.AllEntries();
    doc.SetValue(section, key, value);
    Require(doc.Value(section, key) == value, "a value set reads back as itself");
    QString reread;
    Require(DecodeSharedText(EncodeSharedTextAs(doc.ToText(), encoding), reread), "a file written is readable");
    const IniDocument again = IniDocument::FromText(reread);
    Require(again.Value(section, key) == value, "a value written reads back from the file as itself");

    const QHash<QString, Entries> after = again.AllEntries();
    const QString folded = CaseKey(section);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() == folded)
            Require(Without(after.value(it.key()), key) == Without(it.value(), key),
                    "setting a key leaves the other keys of its section as they were");
        else
            Require(after.value(it.key()) == it.value(), "setting a key leaves the other sections as they were");
    }
    return 0;
}
