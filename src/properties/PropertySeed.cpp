#include "properties/PropertySeed.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"
#include "common/TextField.h"
#include "compound/SystemProperties.h"
#include "settings/Settings.h"

#include <QHash>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A seed file is a few kilobytes; anything this large is a wrong setting, not a seed file.
constexpr qint64 kMaxSeedBytes = 64LL * 1024 * 1024;
// Lines read from lookup blocks in all, far above any real file.
constexpr qint64 kMaxLookupLines = 1000000;

QString MarkerKey(const QString& text)
{
    return PropertyNameKey(TrimControl(text));
}

// Where each line of a file is, by the hash of its marker form (upper-cased and trimmed), so
// that finding the block of every definition costs a hash lookup instead of a pass over the file.
// Only hashes are kept: a long line does not stay in memory twice.
class MarkerIndex {
public:
    explicit MarkerIndex(const QStringList& lines) : m_lines(lines)
    {
        for (int i = 0; i < lines.size(); ++i)
            m_positions[qHash(MarkerKey(lines.at(i)))].push_back(i);
    }

    // The first line at or after `from` that matches `marker`, or -1.
    int Find(const QString& marker, int from) const
    {
        const QString key = MarkerKey(marker);
        const auto it = m_positions.constFind(qHash(key));
        if (it == m_positions.constEnd())
            return -1;
        for (auto at = std::lower_bound(it->begin(), it->end(), from); at != it->end(); ++at)
            if (MarkerKey(m_lines.at(*at)) == key)
                return *at;
        return -1;
    }

private:
    const QStringList& m_lines;
    QHash<size_t, std::vector<int>> m_positions;
};

bool ExtractIndexedBlock(const QStringList& lines, const MarkerIndex& index, const QString& beginMarker,
                         const QString& endMarker, QStringList& output)
{
    const int begin = index.Find(beginMarker, 0);
    if (begin < 0)
        return false;
    const int end = index.Find(endMarker, begin + 1);
    if (end < 0)
        return false;
    for (int i = begin + 1; i < end; ++i)
        output.append(lines.at(i));
    return true;
}

// One line of a lookup block: a default line, or a value with an optional note after ";".
// Lookup blocks can be long, so the line is read through views and only values are copied.
void ReadLookupLine(QStringView line, TCustomPropertie& definition)
{
    // "default" has no letter whose case rules differ between upper-casing and folding.
    if (TrimView(FieldView(line, u'=', 1)).compare(u"default", Qt::CaseInsensitive) == 0) {
        definition.defaultValue = TrimView(FieldView(line, u'=', 2)).toString();
        // "default=;note" names no value: no empty line in the lookup list.
        if (const QStringView value = TrimView(FieldView(definition.defaultValue, u';', 1)); !value.isEmpty())
            definition.AddLookupValue(value.toString());
        return;
    }
    const QStringView value = TrimView(FieldView(line, u';', 1));
    if (!value.isEmpty())
        definition.AddLookupValue(value.toString());
}

QString CannotOpen(const QString& path, const QString& reason)
{
    return u"Cannot open file \""_s + path + u"\". "_s + reason;
}

} // namespace

QString PropseedFileName(const QString& programFileName)
{
    return ResolveProgramPath(programFileName,
                              IniReadString(ProgramIniFileName(programFileName), u"Settings"_s, u"PropseedFN"_s));
}

bool PropseedFileExists(const QString& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(ToFsPath(path), ec);
    return !path.isEmpty() && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

QString CannotFindPropseedMessage(const QString& path)
{
    return u"Cannot find \""_s + path + u"\" !"_s;
}

bool LineMatchesMarker(const QString& line, const QString& marker)
{
    return MarkerKey(line) == MarkerKey(marker);
}

bool ExtractBlock(const QStringList& lines, const QString& beginMarker, const QString& endMarker, QStringList& output)
{
    return ExtractIndexedBlock(lines, MarkerIndex(lines), beginMarker, endMarker, output);
}

QStringList SplitSeedLines(const QString& text)
{
    QStringList lines;
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    while (p < end) {
        const QChar* q = p;
        while (q < end && *q != u'\r' && *q != u'\n')
            ++q;
        lines.append(QString(p, q - p));
        if (q < end && *q == u'\r') {
            ++q;
            if (q < end && *q == u'\n')
                ++q;
        } else if (q < end) {
            ++q;
        }
        p = q;
    }
    return lines;
}

namespace {

// The definitions of the block between `beginMarker` and `endMarker`, in file order, with their
// lookup values: `nameOf` turns the name of a definition line into the name to keep, or an
// empty one for a line to pass over.
void ParseDefinitionBlock(const QStringList& lines, const MarkerIndex& index, const QString& beginMarker,
                          const QString& endMarker, const std::function<QString(const QString&, const QString&)>& nameOf,
                          PropertyDefinitions& definitions)
{
    QStringList section;
    if (!ExtractIndexedBlock(lines, index, beginMarker, endMarker, section))
        return;
    // Definitions are collected first and handed over only when the whole file was read, so that
    // a refused file adds nothing. Names that are equal ignoring case share one lookup block: it
    // is read once.
    std::vector<TCustomPropertie> parsed;
    QHash<QString, std::size_t> firstOfName;
    qint64 blockLines = 0;
    QStringList block;
    for (const QString& raw : std::as_const(section)) {
        const QString line = TrimControl(raw);
        if (line.size() < 6 || PropertyNameKey(line.left(6)) != u"DEFINE"_s)
            continue;
        const QString rest = line.mid(6);
        const QString name = nameOf(TrimControl(ExtractField(rest, u';', 1)), TrimControl(ExtractField(rest, u';', 2)));
        if (name.isEmpty())
            continue;
        TCustomPropertie definition;
        definition.name = name;
        const QString key = PropertyNameKey(name);
        if (const auto same = firstOfName.constFind(key); same != firstOfName.constEnd()) {
            definition.lookupValues = parsed[*same].lookupValues;
            definition.defaultValue = parsed[*same].defaultValue;
        } else {
            block.clear();
            ExtractIndexedBlock(lines, index, u"Begin "_s + name, u"End "_s + name, block);
            // Blocks of different names may overlap; a file built so that thousands of them
            // span each other would otherwise take hours and all memory.
            blockLines += block.size();
            if (blockLines > kMaxLookupLines)
                throw KrdlError(u"Its lookup blocks hold more than %1 lines in all."_s.arg(kMaxLookupLines));
            for (const QString& lookup : std::as_const(block))
                ReadLookupLine(lookup, definition);
            firstOfName.insert(key, parsed.size());
        }
        parsed.push_back(std::move(definition));
    }
    for (TCustomPropertie& definition : parsed)
        *definitions.Add() = std::move(definition);
}

} // namespace

void ParsePropertySeed(const QString& text, PropertyDefinitions& definitions, PropertyDefinitions* system)
{
    const QStringList lines = SplitSeedLines(text);
    const MarkerIndex index(lines);
    // Both blocks are parsed before either list gets anything: a refused file adds nothing.
    PropertyDefinitions custom;
    ParseDefinitionBlock(lines, index, u"Begin Define Custom"_s, u"End Define Custom"_s,
                         [](const QString& name, const QString& type) { return type.isEmpty() ? QString() : name; },
                         custom);
    PropertyDefinitions own;
    if (system)
        ParseDefinitionBlock(lines, index, u"Begin Define System"_s, u"End Define System"_s,
                             [](const QString& name, const QString&) {
                                 const cfb::SystemPropertyDefinition* definition = cfb::FindSystemProperty(name.toStdString());
                                 return definition ? QString::fromUtf8(definition->name) : QString();
                             },
                             own);
    for (int i = 0; i < custom.Count(); ++i)
        *definitions.Add() = std::move(*custom.Item(i));
    for (int i = 0; i < own.Count(); ++i)
        *system->Add() = std::move(*own.Item(i));
}

void ReadPropertySeed(const QString& path, PropertyDefinitions* definitions, PropertyDefinitions* system)
{
    if (!definitions)
        return;
    std::error_code ec;
    const auto size = std::filesystem::file_size(ToFsPath(path), ec);
    if (!ec && size > static_cast<std::uintmax_t>(kMaxSeedBytes))
        throw KrdlError(CannotOpen(path, u"The file is too large for a property seed file."_s));
    // Never blocks: a pipe or a folder in the place of the file is refused.
    QByteArray bytes;
    QString reason;
    if (!ReadFileContents(path, bytes, &reason))
        throw KrdlError(CannotOpen(path, reason));
    try {
        ParsePropertySeed(DecodeSharedText(bytes), *definitions, system);
    } catch (const KrdlError& e) {
        throw KrdlError(u"Cannot read the property seed file \""_s + path + u"\". "_s + e.Message());
    }
}
