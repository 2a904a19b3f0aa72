#include "settings/IniFile.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <filesystem>

namespace {

// "[name]" with optional blanks around; the name is what stands between the brackets, trimmed.
std::optional<QString> sectionName(const QString& line)
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
std::optional<QString> keyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    const QString key = line.left(eq).trimmed();
    if (key.startsWith(u'['))
        return std::nullopt;
    return key;
}

bool sameName(const QString& a, const QString& b)
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

LoadedFile load(const QString& fileName)
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
    result.doc = IniDocument::fromText(text);
    return result;
}

} // namespace

IniDocument IniDocument::fromText(const QString& text)
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
        doc.lines_.append(text.mid(start, i - start));
        doc.ends_.append(crlf ? QStringLiteral("\r\n") : QString(c));
        if (!styleSet) {
            doc.lineEnd_ = doc.ends_.back();
            styleSet = true;
        }
        if (crlf)
            ++i;
        start = i + 1;
    }
    if (start < n) {
        doc.lines_.append(text.mid(start));
        doc.ends_.append(QString());
    }
    return doc;
}

QString IniDocument::toText() const
{
    QString text;
    for (qsizetype i = 0; i < lines_.size(); ++i)
        text += lines_[i] + ends_[i];
    return text;
}

void IniDocument::insertLine(int at, const QString& line)
{
    // A line added after a last line without an end gives that line one.
    if (at == lines_.size() && !ends_.isEmpty() && ends_.back().isEmpty())
        ends_.back() = lineEnd_;
    lines_.insert(at, line);
    ends_.insert(at, lineEnd_);
}

QString IniDocument::written(const QString& value)
{
    // A value that would lose blanks or quotes on reading goes out in quotes, which reading takes off.
    return unquoted(value) == value ? value : u'"' + value + u'"';
}

QString IniDocument::valueOf(const QString& line)
{
    return unquoted(line.mid(line.indexOf(u'=') + 1));
}

QString IniDocument::unquoted(const QString& value)
{
    const QString t = value.trimmed();
    if (t.size() >= 2 && (t.front() == u'"' || t.front() == u'\'') && t.back() == t.front())
        return t.mid(1, t.size() - 2);
    return t;
}

int IniDocument::findSection(const QString& section) const
{
    for (int i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i]); name && sameName(*name, section))
            return i;
    }
    return -1;
}

int IniDocument::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < lines_.size() && !sectionName(lines_[i]))
        ++i;
    return i;
}

int IniDocument::findKey(int header, int end, const QString& key) const
{
    for (int i = header + 1; i < end; ++i) {
        if (const auto k = keyOf(lines_[i]); k && sameName(*k, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const int header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const int line = findKey(header, sectionEnd(header), key);
    if (line < 0)
        return std::nullopt;
    return valueOf(lines_[line]);
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList result;
    // Not a structured binding: clang before 16 cannot capture one in a lambda.
    for (const auto& entry : entries(section)) {
        const QString& key = entry.first;
        if (std::none_of(result.cbegin(), result.cend(), [&key](const QString& k) { return sameName(k, key); }))
            result.append(key);
    }
    return result;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    setValues(section, {{key, value}});
}

void IniDocument::eraseSection(const QString& section)
{
    const int header = findSection(section);
    if (header < 0)
        return;
    const int end = sectionEnd(header);
    lines_.erase(lines_.begin() + header, lines_.begin() + end);
    ends_.erase(ends_.begin() + header, ends_.begin() + end);
}

QList<QPair<QString, QString>> IniDocument::entries(const QString& section) const
{
    QList<QPair<QString, QString>> result;
    const int header = findSection(section);
    if (header < 0)
        return result;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const auto k = keyOf(lines_[i]);
        if (k && !k->isEmpty())
            result.append({*k, valueOf(lines_[i])});
    }
    return result;
}

QHash<QString, QList<QPair<QString, QString>>> IniDocument::allEntries() const
{
    QHash<QString, QList<QPair<QString, QString>>> result;
    QList<QPair<QString, QString>>* current = nullptr;
    for (const QString& line : lines_) {
        if (const auto name = sectionName(line)) {
            const QString folded = name->toCaseFolded();
            current = result.contains(folded) ? nullptr : &result[folded];
            continue;
        }
        if (!current)
            continue;
        if (const auto k = keyOf(line); k && !k->isEmpty())
            current->append({*k, valueOf(line)});
    }
    return result;
}

void IniDocument::appendSection(const QString& section, const QList<QPair<QString, QString>>& entries)
{
    if (!lines_.isEmpty() && !lines_.back().trimmed().isEmpty())
        insertLine(int(lines_.size()), QString());
    insertLine(int(lines_.size()), u'[' + section + u']');
    for (const auto& [key, value] : entries)
        insertLine(int(lines_.size()), key + u'=' + written(value));
}

void IniDocument::eraseSections(const QStringList& sections)
{
    QSet<QString> names;
    for (const QString& s : sections)
        names.insert(s.toCaseFolded());
    QStringList keptLines;
    QStringList keptEnds;
    keptLines.reserve(lines_.size());
    keptEnds.reserve(ends_.size());
    bool erasing = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i]))
            erasing = names.contains(name->toCaseFolded());
        if (!erasing) {
            keptLines.append(lines_[i]);
            keptEnds.append(ends_[i]);
        }
    }
    lines_ = std::move(keptLines);
    ends_ = std::move(keptEnds);
}

void IniDocument::setValues(const QString& section, const QList<QPair<QString, QString>>& entries)
{
    if (entries.isEmpty())
        return;
    int header = findSection(section);
    if (header < 0) {
        appendSection(section, {});
        header = int(lines_.size()) - 1;
    }
    const int end = sectionEnd(header);
    // Keys the section holds already, by their folded name, and where the first of each stands.
    QHash<QString, int> existing;
    for (int i = header + 1; i < end; ++i) {
        if (const auto k = keyOf(lines_[i]); k && !existing.contains(k->toCaseFolded()))
            existing.insert(k->toCaseFolded(), i);
    }
    QStringList added;
    QHash<QString, int> addedAt;
    for (const auto& [key, value] : entries) {
        const QString folded = key.toCaseFolded();
        if (const auto it = existing.constFind(folded); it != existing.cend()) {
            const QString& old = lines_[*it];
            lines_[*it] = old.left(old.indexOf(u'=')).trimmed() + u'=' + written(value);
        } else if (const auto at = addedAt.constFind(folded); at != addedAt.cend()) {
            added[*at] = key + u'=' + written(value);
        } else {
            addedAt.insert(folded, int(added.size()));
            added.append(key + u'=' + written(value));
        }
    }
    if (added.isEmpty())
        return;
    // New keys after the last non-blank line of the section, in one move of the lines after them.
    int at = end;
    while (at > header + 1 && lines_[at - 1].trimmed().isEmpty())
        --at;
    if (at == lines_.size() && !ends_.isEmpty() && ends_.back().isEmpty())
        ends_.back() = lineEnd_;
    QStringList lines = lines_.mid(0, at);
    QStringList ends = ends_.mid(0, at);
    lines += added;
    for (qsizetype i = 0; i < added.size(); ++i)
        ends.append(lineEnd_);
    lines += lines_.mid(at);
    ends += ends_.mid(at);
    lines_ = std::move(lines);
    ends_ = std::move(ends);
}

QString ReadIniValue(const QString& fileName, const QString& section, const QString& key)
{
    const LoadedFile file = load(fileName);
    if (!file.exists || !file.readable)
        return {};
    return file.doc.value(section, key).value_or(QString()).left(kIniMaxValueLength);
}

QList<QPair<QString, QString>> ReadIniSection(const QString& fileName, const QString& section)
{
    QList<QPair<QString, QString>> result;
    const LoadedFile file = load(fileName);
    if (!file.exists || !file.readable)
        return result;
    for (const QString& key : file.doc.keys(section))
        result.append({key, file.doc.value(section, key).value_or(QString()).left(kIniMaxValueLength)});
    return result;
}

QString IniFileTextProblem(const QString& fileName)
{
    return load(fileName).problem;
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
    LoadedFile file = load(fileName);
    problem = file.problem;
    if (file.exists && !file.readable)
        fail();
    file.doc.setValues(section, values);
    if (!ReplaceFileContents(fullPath, EncodeSharedTextAs(file.doc.toText(), file.encoding)))
        fail();
}
