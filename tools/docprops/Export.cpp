#include "Export.h"

#include "Console.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "platform/FileIdentity.h"
#include "platform/Interrupt.h"
#include "platform/PositionedFile.h"
#include "properties/CustomPropertie.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertyCsv.h"

#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <filesystem>
#include <string>

using namespace Qt::StringLiterals;

QString ExportUsage()
{
    return u"       docprops export --csv OUT.csv [--force] FILE...\n"_s;
}

QString ExportHelp()
{
    return u"  export   --csv OUT.csv: writes the documents' custom properties as a CSV file for a\n"
           "           spreadsheet, as the property editor's \"Export CSV\" does: the full path, then\n"
           "           one column per property name found in any document (first seen first).\n"
           "           A document that cannot be read is reported and left out (exit code 1).\n"
           "           OUT.csv is never one of the documents nor any other compound document;\n"
           "           a name ending in .dft, .par, .asm, .psm or .pwd is refused unless --force\n"
           "           is given (a forgotten OUT.csv would otherwise take the first document's name).\n"_s;
}

QList<LoadedDocument> LoadUntilInterrupted(const QStringList& paths)
{
    std::stop_source stop;
    LoadOptions options;
    options.stop = stop.get_token();
    options.progress = [&stop](qsizetype, qsizetype) {
        if (platform::InterruptRequested())
            stop.request_stop();
    };
    return LoadCustomProperties(paths, options);
}

namespace {

// Why OUT.csv must not be written: it is one of the documents (a forgotten OUT.csv makes the
// first document the output), any other compound document, or, unless forced, named like one.
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

} // namespace

int ExportCommand(const QStringList& args)
{
    QString out;
    bool force = false;
    qsizetype i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == u"--force"_s && !force)
            force = true;
        else if (args[i] == u"--csv"_s && out.isEmpty() && i + 1 < args.size() && !args[i + 1].isEmpty())
            out = args[++i];
        else
            break;
    }
    const QStringList files = args.mid(i);
    if (out.isEmpty() || files.isEmpty()) {
        Print(stderr, u"usage: docprops export --csv OUT.csv [--force] FILE...\n"_s);
        return 1;
    }
    if (const QString refusal = OutputRefusal(out, files, force); !refusal.isEmpty()) {
        Error(u"Cannot write the CSV to \""_s + out + u"\": "_s + refusal + u"; nothing was written"_s);
        return 1;
    }

    const QList<LoadedDocument> documents = LoadUntilInterrupted(files);

    int rc = 0;
    QStringList names;
    QHash<QString, qsizetype> column; // property name key -> index in names
    QList<PropertySetRow> rows;
    for (const LoadedDocument& d : documents) {
        if (d.status == LoadedDocument::Cancelled || platform::InterruptRequested()) {
            Error(u"Interrupted before \""_s + d.path + u"\"; nothing was written"_s);
            return 1;
        }
        if (d.status == LoadedDocument::Failed) {
            const QString reason = NotARegularFileReason(d.path);
            Error(reason.isEmpty() ? d.error : u"Cannot open file \""_s + d.path + u"\": "_s + reason);
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
    }
    try {
        SavePropertyCsv(out, names, rows);
    } catch (const KrdlError& e) {
        Error(e.message());
        return 1;
    }
    return rc;
}
