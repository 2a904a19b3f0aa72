// docprops export --csv OUT.csv [--force] FILE...
//
// Writes the custom properties of the documents as a property CSV (properties/PropertyCsv.h),
// the file "Export CSV" of the property editor writes: one row per document in the order given,
// its absolute path first, one column per property name found in any of them (names equal
// ignoring case are one column, spelled as first seen, in first-seen order), each value as the
// editor shows it. A document that cannot be read is reported on standard error and left out;
// the others are still written, and the exit code is then 1. After Ctrl+C or SIGTERM nothing is
// written. OUT.csv is refused (exit code 1, nothing written) when it is one of the documents or
// another compound document, and when it is named like a document unless --force is given.

#include "Commands.h"
#include "DocumentAccess.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "console/ConsoleOutput.h"
#include "platform/FileIdentity.h"
#include "platform/Interrupt.h"
#include "platform/PositionedFile.h"
#include "compound/SystemProperties.h"
#include "properties/CustomProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertyCsv.h"

#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Why the CSV file `out` must not be written: it is one of the documents (a forgotten output
// name makes the first document the output), any other compound document, or, unless forced,
// named like one.
// Empty when it may be written.
QString OutputRefusal(const QString& out, const QStringList& files, bool force)
{
    const auto outPath = ToFsPath(out);
    const std::string outIdentity = platform::FileIdentityFollowingLinks(outPath);
    if (!outIdentity.empty()) {
        for (const QString& file : files)
            if (platform::FileIdentityFollowingLinks(ToFsPath(file)) == outIdentity)
                return u"it is one of the documents to export"_s;
        platform::PositionedFile file;
        char signature[8] = {};
        std::error_code ec;
        if (NotARegularFileReason(out).isEmpty() && file.Open(outPath, platform::PositionedFile::Access::Read)
            && file.ReadAt(0, signature, sizeof signature, ec) == sizeof signature
            && std::memcmp(signature, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", sizeof signature) == 0)
            return u"it is a compound document (a Solid Edge document or another OLE file)"_s;
    }
    static const QStringList kDocumentSuffixes = {u"dft"_s, u"par"_s, u"asm"_s, u"psm"_s, u"pwd"_s};
    const QString suffix = QFileInfo(out).suffix();
    if (!force && kDocumentSuffixes.contains(suffix, Qt::CaseInsensitive))
        return u"its name ends in \"."_s + suffix + u"\", as a document's does; give --force to write it all the same"_s;
    return {};
}

// The path as an absolute one, with "." and empty components left out; ".." stays, since
// through a symbolic link it need not lead where dropping a component would.
QString AbsolutePath(const QString& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(ToFsPath(path), ec);
    if (ec)
        return path;
    std::filesystem::path clean = absolute.root_path();
    for (const std::filesystem::path& part : absolute.relative_path())
        if (!part.empty() && part != ".")
            clean /= part;
    return FromFsPath(clean.make_preferred());
}

int Export(const console::CommandLine& line)
{
    const QString out = line.Value(u"--csv"_s).value_or(QString());
    const bool force = line.Has(u"--force"_s);
    const QStringList files = line.Operands();
    if (out.isEmpty() || files.isEmpty())
        return line.UsageError(u"export needs --csv OUT.csv and FILE"_s);
    if (const QString refusal = OutputRefusal(out, files, force); !refusal.isEmpty()) {
        console::Error(u"Cannot write the CSV to \""_s + out + u"\": "_s + refusal + u"; nothing was written"_s);
        return 1;
    }

    QStringList ownNames;
    if (line.Has(u"--system"_s))
        for (const cfb::SystemPropertyDefinition& definition : cfb::SystemPropertyDefinitions())
            ownNames << QString::fromUtf8(definition.name);
    const QList<LoadedDocument> documents = LoadUntilInterrupted(files, ownNames);
    // The document's own properties: columns "System.<name>" after every custom column, in
    // the program's order, for those some document has.
    std::vector<QList<LoadedProperty>> own;

    int rc = 0;
    QStringList names;
    QHash<QString, qsizetype> column; // property name key -> index in names
    QList<PropertySetRow> rows;
    for (const LoadedDocument& d : documents) {
        if (d.status == LoadedDocument::Cancelled || platform::InterruptRequested()) {
            console::Error(u"Interrupted before \""_s + d.path + u"\"; nothing was written"_s);
            return 1;
        }
        if (d.status == LoadedDocument::Failed) {
            const QString reason = NotARegularFileReason(d.path);
            console::Error(reason.isEmpty() ? d.error : u"Cannot open file \""_s + d.path + u"\": "_s + reason);
            rc = 1;
            continue;
        }
        PropertySetRow row;
        row.path = AbsolutePath(d.path);
        for (const LoadedProperty& p : d.properties) {
            const QString key = PropertyNameKey(p.name);
            auto it = column.constFind(key);
            if (it == column.cend()) {
                it = column.insert(key, names.size());
                names.append(p.name);
            }
            // Values by column; of two properties of one name the later one, as the editor shows.
            if (row.values.size() <= *it)
                row.values.resize(*it + 1);
            row.values[*it] = {names[*it], PropertyDisplayText(p.value)};
        }
        rows.append(row);
        own.push_back(d.system);
    }
    for (const QString& ownName : std::as_const(ownNames)) {
        qsizetype at = -1;
        for (std::size_t r = 0; r < own.size(); ++r) {
            for (const LoadedProperty& p : own[r]) {
                if (p.name != ownName)
                    continue;
                if (at < 0) {
                    at = names.size();
                    names.append(kSystemPropertyPrefix + ownName);
                }
                PropertySetRow& row = rows[qsizetype(r)];
                if (row.values.size() <= at)
                    row.values.resize(at + 1);
                row.values[at] = {names[at], PropertyDisplayText(p.value)};
            }
        }
    }
    try {
        SavePropertyCsv(out, names, rows);
    } catch (const KrdlError& e) {
        console::Error(e.Message());
        return 1;
    }
    return rc;
}

} // namespace

console::ToolCommand ExportCommand()
{
    const QStringList usage = {u"docprops export --csv OUT.csv [--force] [--system] FILE..."_s};
    return {
        .name = u"export"_s,
        .usage = usage,
        .errorUsage = usage,
        .help = u"  export   --csv OUT.csv: writes the documents' custom properties as a CSV file for a\n"
                "           spreadsheet, as the property editor's \"Export CSV\" does: the full path, then\n"
                "           one column per property name found in any document (first seen first).\n"
                "           A document that cannot be read is reported and left out (exit code 1).\n"
                "           OUT.csv is never one of the documents nor any other compound document;\n"
                "           a name ending in .dft, .par, .asm, .psm or .pwd is refused unless --force\n"
                "           is given (a forgotten OUT.csv would otherwise take the first document's name).\n"
                "           --system: the document's own properties too, in columns System.NAME after the\n"
                "           custom ones (apply --csv writes the editable ones back).\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .options = {{.name = u"--force"_s}, {.name = u"--csv"_s, .takesValue = true, .valueMayBeEmpty = false},
                    {.name = u"--system"_s}},
        .run = Export,
    };
}
