#include "properties/PropertyCsv.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"
#include "platform/PositionedFile.h"
#include "text/Utf8.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Quoted when a reader with either separator would otherwise split or change it: a separator,
// a quote, a line break, or blanks at either end (some spreadsheets trim unquoted fields).
QString CsvField(const QString& text)
{
    bool quote = !text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back()));
    for (qsizetype i = 0; i < text.size() && !quote; ++i) {
        const QChar c = text[i];
        quote = c == u',' || c == u';' || c == u'"' || c == u'\r' || c == u'\n';
    }
    if (!quote)
        return text;
    QString out = text;
    out.replace(u'"', u"\"\""_s);
    return u'"' + out + u'"';
}

} // namespace

QString CsvText(const QList<QStringList>& records)
{
    QString out;
    for (const QStringList& record : records) {
        for (qsizetype i = 0; i < record.size(); ++i) {
            if (i > 0)
                out += u',';
            out += CsvField(record[i]);
        }
        out += u"\r\n"_s;
    }
    return out;
}

namespace {

constexpr std::size_t kBlockSize = std::size_t(1) << 20;

QString CannotRead(const QString& fileName, const QString& reason)
{
    return u"Cannot read file \""_s + fileName + u"\": "_s + reason;
}

} // namespace

// The parser works on bytes: separators, quotes and line ends are ASCII, and neither UTF-8 nor
// Windows-1250 has an ASCII byte inside another character, so fields are found before they are
// decoded, and decoding is one call per field, in the one encoding of the whole file.
struct PropertyCsvReader::Impl {
    enum class Record { Read, End, Malformed };

    // The bytes come from the file, read at offsets, or from memory.
    platform::PositionedFile file;
    bool fromFile = false;
    QByteArray memory;
    QString fileName;

    std::uint64_t start = 0;  // where the text begins, after a byte order mark
    std::uint64_t offset = 0; // of the next block
    std::size_t blockSize = kBlockSize;
    std::string block;
    std::size_t pos = 0;
    bool lastBlock = false;   // `block` ends at the end of the bytes
    QString readError;        // why a read failed

    SharedEncoding encoding = SharedEncoding::Utf8;
    char separator = ',';
    QStringList names;
    qsizetype columns = 0;             // fields of the header line
    std::vector<qsizetype> named;      // header columns (from 1) that have a name, in order
    std::vector<qsizetype> unnamed;
    bool headerRead = false;
    std::vector<std::string> fields;   // of the last record; kept to reuse their memory
    std::size_t count = 0;             // fields of the last record
    int line = 1;                      // of the next byte
    int recordLine = 0;                // where the last record starts
    QString error;

    void Seek(std::uint64_t to)
    {
        offset = to;
        block.clear();
        pos = 0;
        lastBlock = false;
    }

    // The next block into `block`; false at the end of the bytes or on a read error (readError).
    bool Refill()
    {
        block.clear();
        pos = 0;
        if (!readError.isEmpty())
            return false;
        if (fromFile) {
            block.resize(blockSize);
            std::error_code ec;
            const std::size_t n = file.ReadAt(offset, block.data(), blockSize, ec);
            block.resize(n);
            if (ec) {
                readError = ErrorText(ec);
                block.clear();
                return false;
            }
            lastBlock = n < blockSize;
        } else {
            const auto size = static_cast<std::uint64_t>(memory.size());
            const std::size_t n = offset < size ? static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, blockSize)) : 0;
            block.assign(memory.constData() + offset, n);
            lastBlock = offset + n >= size;
        }
        offset += block.size();
        return !block.empty();
    }

    int Peek()
    {
        if (pos == block.size() && !Refill())
            return -1;
        return static_cast<unsigned char>(block[pos]);
    }

    int Get()
    {
        const int c = Peek();
        if (c >= 0)
            ++pos;
        return c;
    }

    Record Fail(int atLine, const QString& what)
    {
        // A read that failed on the way counts, not what its missing bytes seemed to say.
        error = !readError.isEmpty() ? readError : u"line "_s + QString::number(atLine) + u": "_s + what;
        return Record::Malformed;
    }

    // Without a byte order mark, the file is read once, a block at a time, before any field is
    // decoded, to learn its encoding (text::EncodingDetector): false for damaged UTF-8, with
    // the line of its first bad byte in `error`.
    bool DetectEncoding()
    {
        text::EncodingDetector detector;
        for (Seek(0); Refill();)
            detector.Feed(std::string_view(block.data(), block.size()));
        const text::Detection found = detector.Finish();
        if (found.Damaged()) {
            error = DamagedTextReason(found.damagedLine);
            return false;
        }
        encoding = found.encoding;
        return true;
    }

    // ";" when the first line holds more ";" than "," outside quotes, otherwise ",".
    void DetectSeparator()
    {
        Seek(start);
        std::uint64_t commas = 0;
        std::uint64_t semicolons = 0;
        bool quoted = false;
        for (int c = Get(); c >= 0; c = Get()) {
            if (c == '"')
                quoted = !quoted; // a doubled quote toggles twice: still right
            else if (quoted)
                continue;
            else if (c == '\r' || c == '\n')
                break;
            else if (c == ',')
                ++commas;
            else if (c == ';')
                ++semicolons;
        }
        separator = semicolons > commas ? ';' : ',';
    }

    std::string& NewField()
    {
        if (count == fields.size())
            fields.emplace_back();
        std::string& f = fields[count++];
        f.clear();
        return f;
    }

    // The next record that is not an empty line, into `fields`.
    Record ReadRecord()
    {
        static const QString kNul = u"a NUL byte, which no path or property value can hold"_s;
        for (;;) {
            if (Peek() < 0)
                return readError.isEmpty() ? Record::End : Fail(line, {});
            recordLine = line;
            count = 0;
            bool quotedField = false;
            for (;;) {
                std::string& field = NewField();
                if (Peek() == '"') {
                    quotedField = true;
                    const int fieldLine = line;
                    Get();
                    for (;;) {
                        const int c = Get();
                        if (c < 0)
                            return Fail(fieldLine, u"a quoted field that starts here has no closing quote"_s);
                        if (c == '"') {
                            if (Peek() != '"')
                                break;
                            Get();
                        } else if (c == 0) {
                            return Fail(line, kNul);
                        } else if (c == '\n' || (c == '\r' && Peek() != '\n')) {
                            // A line break inside quotes is part of the value; CR LF counts as one line.
                            ++line;
                        }
                        field += static_cast<char>(c);
                    }
                    const int c = Peek();
                    if (c >= 0 && c != separator && c != '\r' && c != '\n')
                        return Fail(line, u"text after the closing quote of a field (a quote inside a quoted field "
                                          "must be doubled)"_s);
                } else {
                    // Up to the next separator or line end, a block's run at a time.
                    while (pos < block.size() || Refill()) {
                        const char* const from = block.data() + pos;
                        const char* const to = block.data() + block.size();
                        const char* q = from;
                        while (q < to && *q != separator && *q != '\r' && *q != '\n' && *q != '\0')
                            ++q;
                        field.append(from, q);
                        pos += static_cast<std::size_t>(q - from);
                        if (q < to) {
                            if (*q == '\0')
                                return Fail(line, kNul);
                            break;
                        }
                    }
                }
                if (Peek() == separator) {
                    Get();
                    continue;
                }
                // The end of the line or of the bytes: CR LF, LF or a lone CR.
                if (Peek() == '\r')
                    Get();
                if (Peek() == '\n')
                    Get();
                ++line;
                break;
            }
            if (!readError.isEmpty())
                return Fail(line, {});
            // An empty line (one empty unquoted field) is no record.
            if (count == 1 && fields[0].empty() && !quotedField)
                continue;
            return Record::Read;
        }
    }

    QString Decode(const std::string& bytes) const
    {
        const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
        // Qt's decoder is the faster one for the well-formed fields that are the rule.
        if (encoding == SharedEncoding::Utf8Bom && text::IsValidUtf8(bytes))
            return DecodeSharedLine(view, SharedEncoding::Utf8);
        return DecodeSharedLine(view, encoding);
    }

    // Back to the start of the text, and through the header line.
    bool ReadHeader()
    {
        Seek(start);
        line = 1;
        error.clear();
        const Record r = ReadRecord();
        if (r == Record::Malformed)
            return false;
        if (r == Record::End) {
            Fail(1, u"the file is empty; it needs a header line with the path column and the property names"_s);
            return false;
        }
        columns = static_cast<qsizetype>(count);
        if (!headerRead) {
            headerRead = true;
            for (std::size_t c = 1; c < count; ++c) {
                if (fields[c].empty()) {
                    unnamed.push_back(static_cast<qsizetype>(c));
                } else {
                    named.push_back(static_cast<qsizetype>(c));
                    names.append(Decode(fields[c]));
                }
            }
        }
        return true;
    }

    bool Start(QString* reason)
    {
        // Spreadsheets save "Unicode text" as UTF-16 with its mark: say so rather than refuse
        // its first NUL byte.
        Seek(0);
        const int first = Get();
        const int second = Get();
        if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
            error = u"line 1: the file is UTF-16 text; save it as CSV (UTF-8 or the system code page)"_s;
        } else {
            Seek(0);
            start = Get() == 0xEF && Get() == 0xBB && Get() == 0xBF ? 3 : 0;
            // After the mark the file is UTF-8 whatever its bytes: no pass to find out.
            encoding = SharedEncoding::Utf8Bom;
            if (start != 0 || DetectEncoding()) {
                DetectSeparator();
                ReadHeader();
            }
        }
        if (error.isEmpty() && !readError.isEmpty())
            error = readError;
        if (!error.isEmpty() && reason)
            *reason = error;
        return error.isEmpty();
    }
};

PropertyCsvReader::PropertyCsvReader() : m_d(std::make_unique<Impl>()) {}

PropertyCsvReader::~PropertyCsvReader() = default;

bool PropertyCsvReader::Open(const QString& fileName, QString* error)
{
    const std::size_t blockSize = m_d->blockSize;
    m_d = std::make_unique<Impl>();
    m_d->blockSize = blockSize;
    m_d->fromFile = true;
    m_d->fileName = fileName;
    // Looked at before opening: opening a device can have effects of its own.
    QString reason = NotARegularFileReason(fileName);
    if (!reason.isEmpty()) {
        reason[0] = reason[0].toUpper();
        reason += u'.';
    } else if (const platform::PositionedFile::Status status =
                   m_d->file.Open(ToFsPath(fileName), platform::PositionedFile::Access::Read);
               !status) {
        reason = ErrorText(status.ec);
    } else if (!m_d->Start(&reason)) {
        m_d->error = CannotRead(fileName, reason);
    }
    if (!reason.isEmpty() && error)
        *error = CannotRead(fileName, reason);
    return reason.isEmpty();
}

bool PropertyCsvReader::OpenBytes(const QByteArray& bytes, QString* error)
{
    const std::size_t blockSize = m_d->blockSize;
    m_d = std::make_unique<Impl>();
    m_d->blockSize = blockSize;
    m_d->memory = bytes;
    return m_d->Start(error);
}

const QStringList& PropertyCsvReader::Names() const
{
    return m_d->names;
}

bool PropertyCsvReader::Next(PropertySetRow& row, bool withValues)
{
    Impl& d = *m_d;
    while (d.error.isEmpty()) {
        if (d.ReadRecord() != Impl::Record::Read)
            return false;
        if (static_cast<qsizetype>(d.count) != d.columns) {
            d.Fail(d.recordLine, u"%1 fields, but the header line has %2"_s.arg(d.count).arg(d.columns));
            return false;
        }
        // A spreadsheet writes a blank row as separators alone.
        if (std::all_of(d.fields.cbegin(), d.fields.cbegin() + static_cast<std::ptrdiff_t>(d.count),
                        [](const std::string& f) { return f.empty(); }))
            continue;
        // Columns without a name: a spreadsheet keeps a column once typed into, even when emptied.
        for (const qsizetype c : d.unnamed) {
            if (!d.fields[static_cast<std::size_t>(c)].empty()) {
                d.Fail(d.recordLine, u"a value in column %1, which has no name in the header line"_s.arg(c + 1));
                return false;
            }
        }
        row.path = d.Decode(d.fields[0]);
        row.values.clear();
        if (withValues) {
            row.values.reserve(static_cast<qsizetype>(d.named.size()));
            for (std::size_t k = 0; k < d.named.size(); ++k)
                row.values.append({d.names[static_cast<qsizetype>(k)], d.Decode(d.fields[static_cast<std::size_t>(d.named[k])])});
        }
        return true;
    }
    return false;
}

int PropertyCsvReader::Line() const
{
    return m_d->recordLine;
}

const QString& PropertyCsvReader::Error() const
{
    return m_d->error;
}

void PropertyCsvReader::Rewind()
{
    m_d->ReadHeader();
}

void PropertyCsvReader::SetBlockSize(std::size_t bytes)
{
    // Three bytes hold the byte order mark, which Start looks for in the first block.
    m_d->blockSize = std::max<std::size_t>(bytes, 3);
}

namespace {

bool ReadAllRows(PropertyCsvReader& reader, PropertyCsv& csv, QString* error)
{
    csv.names = reader.Names();
    PropertySetRow row;
    while (reader.Next(row))
        csv.rows.append(row);
    if (reader.Error().isEmpty())
        return true;
    if (error)
        *error = reader.Error();
    csv = {};
    return false;
}

} // namespace

QStringList PropertyColumnNames(const TarCells& cells, int colCount)
{
    QStringList names;
    for (int c = 1; c < colCount; ++c)
        names.append(cells.GetText(c, 0));
    return names;
}

QByteArray PropertyCsvBytes(const QStringList& names, const QList<PropertySetRow>& rows)
{
    QList<QStringList> records;
    records.reserve(rows.size() + 1);
    records.append(QStringList{u"Path"_s} + names);
    for (const PropertySetRow& row : rows) {
        QStringList record{row.path};
        for (qsizetype c = 0; c < names.size(); ++c)
            record.append(c < row.values.size() ? row.values[c].second : QString());
        records.append(record);
    }
    return EncodeSharedTextAs(CsvText(records), SharedEncoding::Utf8Bom);
}

void SavePropertyCsv(const QString& fileName, const QStringList& names, const QList<PropertySetRow>& rows)
{
    QString reason;
    if (!ReplaceFileContents(fileName, PropertyCsvBytes(names, rows), &reason))
        throw KrdlError(u"Unable to write to "_s + QFileInfo(fileName).absoluteFilePath() + u". "_s + reason);
}

bool ParsePropertyCsv(const QByteArray& bytes, PropertyCsv& csv, QString* error)
{
    csv = {};
    PropertyCsvReader reader;
    return reader.OpenBytes(bytes, error) && ReadAllRows(reader, csv, error);
}

bool ReadPropertyCsv(const QString& fileName, PropertyCsv& csv, QString* error)
{
    csv = {};
    PropertyCsvReader reader;
    QString reason;
    if (!reader.Open(fileName, error))
        return false;
    if (!ReadAllRows(reader, csv, &reason)) {
        if (error)
            *error = CannotRead(fileName, reason);
        return false;
    }
    return true;
}

PropertySetPlacement PutPropertyCsv(TarCells& cells, int colCount, int rowCount, const PropertyCsv& csv)
{
    PropertySetPlacement placement;
    PutPropertySet(cells, colCount, rowCount, csv.rows, &placement, true);
    // The header's names, so that a column is reported also when no row has a value for it; a
    // row without a path sets nothing.
    PropertySetRow header;
    for (const QString& name : csv.names)
        header.values.append({name, QString()});
    PropertySetPlacement names;
    PutPropertySet(cells, colCount, rowCount, {header}, &names, true);
    for (const QString& name : std::as_const(names.unplacedNames))
        if (!placement.unplacedNames.contains(name, Qt::CaseInsensitive))
            placement.unplacedNames.append(name);
    return placement;
}
