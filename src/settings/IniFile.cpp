#include "settings/IniFile.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"
#include "common/TextField.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <filesystem>

namespace {

// "[name]" with optional blanks around; the name is what stands between the brackets, trimmed.
std::optional<QString> SectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

// Key of a "key=value" line, trimmed; nullopt for a line without "=".
std::optional<QString> KeyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    const QString key = line.left(eq).trimmed();
    if (key.startsWith(u'['))
        return std::nullopt;
    return key;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct LoadedFile {
    bool exists = false;
    bool readable = true;
    QString problem; // why it is not readable, when its text is refused
    IniDocument doc;
    SharedEncoding encoding = SharedEncoding::Cp1250;
};

LoadedFile Load(const QString& fileName)
{
    LoadedFile result;
    std::error_code ec;
    const auto type = std::filesystem::status(ToFsPath(fileName), ec).type();
    if (type == std::filesystem::file_type::not_found)
        return result;
    result.exists = true;
    // A folder, FIFO or device in the file's place reads as unreadable, without waiting on it.
    QByteArray bytes;
    if (!ReadFileContents(fileName, bytes)) {
        result.readable = false;
        return result;
    }
    QString text;
    if (!DecodeSharedText(bytes, text, &result.problem, &result.encoding)) {
        result.readable = false;
        return result;
    }
    result.doc = IniDocument::FromText(text);
    return result;
}

} // namespace

IniDocument IniDocument::FromText(const QString& text)
{
    IniDocument doc;
    // Every line keeps its own end; the first end found is the style of new lines.
    bool styleSet = false;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        const bool crlf = c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n';
        doc.m_lines.append(text.mid(start, i - start));
        doc.m_ends.append(crlf ? QStringLiteral("\r\n") : QString(c));
        if (!styleSet) {
            doc.m_lineEnd = doc.m_ends.back();
            styleSet = true;
        }
        if (crlf)
            ++i;
        start = i + 1;
    }
    if (start < n) {
        doc.m_lines.append(text.mid(start));
        doc.m_ends.append(QString());
    }
    return doc;
}

QString IniDocument::ToText() const
{
    QString text;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        text += m_lines[i] + m_ends[i];
    return text;
}

void IniDocument::InsertLine(int at, const QString& line)
{
    // A line added after a last line without an end gives that line one.
    if (at == m_lines.size() && !m_ends.isEmpty() && m_ends.back().isEmpty())
        m_ends.back() = m_lineEnd;
    m_lines.insert(at, line);
    m_ends.insert(at, m_lineEnd);
}

QString IniDocument::Written(const QString& value)
{
    // A value that would lose blanks or quotes on reading goes out in quotes, which reading takes off.
    return Unquoted(value) == value ? value : u'"' + value + u'"';
}

QString IniDocument::ValueOf(const QString& line)
{
    return Unquoted(line.mid(line.indexOf(u'=') + 1));
}

QString IniDocument::Unquoted(const QString& value)
{
    const QString t = value.trimmed();
    if (t.size() >= 2 && (t.front() == u'"' || t.front() == u'\'') && t.back() == t.front())
        return t.mid(1, t.size() - 2);
    return t;
}

int IniDocument::FindSection(const QString& section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        if (const auto name = SectionName(m_lines[i]); name && SameName(*name, section))
            return i;
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i]))
        ++i;
    return i;
}

int IniDocument::FindKey(int header, int end, const QString& key) const
{
    for (int i = header + 1; i < end; ++i) {
        if (const auto k = KeyOf(m_lines[i]); k && SameName(*k, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const
{
    const int header = FindSection(section);
    if (header < 0)
        return std::nullopt;
    const int line = FindKey(header, SectionEnd(header), key);
    if (line < 0)
        return std::nullopt;
    return ValueOf(m_lines[line]);
}

QStringList IniDocument::Keys(const QString& section) const
{
    QStringList result;
    // Not a structured binding: clang before 16 cannot capture one in a lambda.
    for (const auto& entry : Entries(section)) {
        const QString& key = entry.first;
        if (std::none_of(result.cbegin(), result.cend(), [&key](const QString& k) { return SameName(k, key); }))
            result.append(key);
    }
    return result;
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value)
{
    SetValues(section, {{key, value}});
}

void IniDocument::EraseSection(const QString& section)
{
    const int header = FindSection(section);
    if (header < 0)
        return;
    const int end = SectionEnd(header);
    m_lines.erase(m_lines.begin() + header, m_lines.begin() + end);
    m_ends.erase(m_ends.begin() + header, m_ends.begin() + end);
}

QList<QPair<QString, QString>> IniDocument::Entries(const QString& section) const
{
    QList<QPair<QString, QString>> result;
    const int header = FindSection(section);
    if (header < 0)
        return result;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const auto k = KeyOf(m_lines[i]);
        if (k && !k->isEmpty())
            result.append({*k, ValueOf(m_lines[i])});
    }
    return result;
}

QHash<QString, QList<QPair<QString, QString>>> IniDocument::AllEntries() const
{
    QHash<QString, QList<QPair<QString, QString>>> result;
    QList<QPair<QString, QString>>* current = nullptr;
    for (const QString& line : m_lines) {
        if (const auto name = SectionName(line)) {
            const QString folded = CaseKey(*name);
            current = result.contains(folded) ? nullptr : &result[folded];
            continue;
        }
        if (!current)
            continue;
        if (const auto k = KeyOf(line); k && !k->isEmpty())
            current->append({*k, ValueOf(line)});
    }
    return result;
}

void IniDocument::AppendSection(const QString& section, const QList<QPair<QString, QString>>& entries)
{
    if (!m_lines.isEmpty() && !m_lines.back().trimmed().isEmpty())
        InsertLine(int(m_lines.size()), QString());
    InsertLine(int(m_lines.size()), u'[' + section + u']');
    for (const auto& [key, value] : entries)
        InsertLine(int(m_lines.size()), key + u'=' + Written(value));
}

void IniDocument::EraseSections(const QStringList& sections)
{
    QSet<QString> names;
    for (const QString& s : sections)
        names.insert(CaseKey(s));
    QStringList keptLines;
    QStringList keptEnds;
    keptLines.reserve(m_lines.size());
    keptEnds.reserve(m_ends.size());
    bool erasing = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const auto name = SectionName(m_lines[i]))
            erasing = names.contains(CaseKey(*name));
        if (!erasing) {
            keptLines.append(m_lines[i]);
            keptEnds.append(m_ends[i]);
        }
    }
    m_lines = std::move(keptLines);
    m_ends = std::move(keptEnds);
}

void IniDocument::SetValues(const QString& section, const QList<QPair<QString, QString>>& entries)
{
    if (entries.isEmpty())
        return;
    int header = FindSection(section);
    if (header < 0) {
        AppendSection(section, {});
        header = int(m_lines.size()) - 1;
    }
    const int end = SectionEnd(header);
    // Keys the section holds already, by their folded name, and where the first of each stands.
    QHash<QString, int> existing;
    for (int i = header + 1; i < end; ++i) {
        if (const auto k = KeyOf(m_lines[i]); k && !existing.contains(CaseKey(*k)))
            existing.insert(CaseKey(*k), i);
    }
    QStringList added;
    QHash<QString, int> addedAt;
    for (const auto& [key, value] : entries) {
        const QString folded = CaseKey(key);
        if (const auto it = existing.constFind(folded); it != existing.cend()) {
            const QString& old = m_lines[*it];
            m_lines[*it] = old.left(old.indexOf(u'=')).trimmed() + u'=' + Written(value);
        } else if (const auto at = addedAt.constFind(folded); at != addedAt.cend()) {
            added[*at] = key + u'=' + Written(value);
        } else {
            addedAt.insert(folded, int(added.size()));
            added.append(key + u'=' + Written(value));
        }
    }
    if (added.isEmpty())
        return;
    // New keys after the last non-blank line of the section, in one move of the lines after them.
    int at = end;
    while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    if (at == m_lines.size() && !m_ends.isEmpty() && m_ends.back().isEmpty())
        m_ends.back() = m_lineEnd;
    QStringList lines = m_lines.mid(0, at);
    QStringList ends = m_ends.mid(0, at);
    lines += added;
    for (qsizetype i = 0; i < added.size(); ++i)
        ends.append(m_lineEnd);
    lines += m_lines.mid(at);
    ends += m_ends.mid(at);
    m_lines = std::move(lines);
    m_ends = std::move(ends);
}

QString ReadIniValue(const QString& fileName, const QString& section, const QString& key)
{
    const LoadedFile file = Load(fileName);
    if (!file.exists || !file.readable)
        return {};
    return file.doc.Value(section, key).value_or(QString()).left(kIniMaxValueLength);
}

QList<QPair<QString, QString>> ReadIniSection(const QString& fileName, const QString& section)
{
    QList<QPair<QString, QString>> result;
    const LoadedFile file = Load(fileName);
    if (!file.exists || !file.readable)
        return result;
    for (const QString& key : file.doc.Keys(section))
        result.append({key, file.doc.Value(section, key).value_or(QString()).left(kIniMaxValueLength)});
    return result;
}

QString IniFileTextProblem(const QString& fileName)
{
    return Load(fileName).problem;
}

bool IniEntryWritable(const QString& section, const QString& key, const QString& value)
{
    const auto lineBreak = [](const QString& text) { return text.contains(u'\n') || text.contains(u'\r'); };
    return section.trimmed() == section && !section.contains(u']') && !lineBreak(section) && !key.isEmpty()
        && key.trimmed() == key && !key.contains(u'=') && !key.startsWith(u'[') && !lineBreak(key)
        && !lineBreak(value);
}

void WriteIniValue(const QString& fileName, const QString& section, const QString& key, const QString& value)
{
    WriteIniValues(fileName, section, {{key, value}});
}

void WriteIniValues(const QString& fileName, const QString& section, const QList<QPair<QString, QString>>& values)
{
    const QString fullPath = QFileInfo(fileName).absoluteFilePath();
    QString problem;
    const auto fail = [&] {
        QString message = QStringLiteral("Unable to write to %1").arg(fullPath);
        if (!problem.isEmpty())
            message += QStringLiteral(". ") + problem;
        throw KrdlError(message);
    };
    for (const auto& [key, value] : values) {
        if (!IniEntryWritable(section, key, value))
            fail();
    }
    LoadedFile file = Load(fileName);
    problem = file.problem;
    if (file.exists && !file.readable)
        fail();
    file.doc.SetValues(section, values);
    if (!ReplaceFileContents(fullPath, EncodeSharedTextAs(file.doc.ToText(), file.encoding)))
        fail();
}
