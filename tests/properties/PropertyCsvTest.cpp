// The property grid as CSV: files as spreadsheets write them, files as we write them, and a grid
// taken out and put back.

#include "properties/PropertyCsv.h"

#include "common/Error.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList Rows(PropertyCsvReader& reader)
{
    QStringList out{reader.Names().join(u'|')};
    PropertySetRow row;
    while (reader.Next(row)) {
        QStringList values;
        for (const auto& [name, value] : row.values)
            values << name + u'=' + value;
        out << row.path + u": "_s + values.join(u" | "_s);
    }
    if (!reader.Error().isEmpty())
        return {u"error: "_s + reader.Error()};
    return out;
}

// "names" then one "path: name=value | ..." per row, or "error: ..." when refused. Read whole,
// then a few bytes at a time (rows and characters across the reader's blocks) and a second
// time after Rewind: every way must give the same.
QStringList Parsed(const QByteArray& bytes)
{
    PropertyCsv csv;
    QString error;
    if (!ParsePropertyCsv(bytes, csv, &error))
        return {u"error: "_s + error};
    QStringList out{csv.names.join(u'|')};
    for (const PropertySetRow& row : csv.rows) {
        QStringList values;
        for (const auto& [name, value] : row.values)
            values << name + u'=' + value;
        out << row.path + u": "_s + values.join(u" | "_s);
    }
    for (const std::size_t block : {4, 5, 7}) {
        PropertyCsvReader reader;
        reader.SetBlockSize(block);
        const QStringList first = reader.OpenBytes(bytes, &error) ? Rows(reader) : QStringList{u"error: "_s + error};
        reader.Rewind();
        if (first != out || (first.size() > 1 && Rows(reader) != out))
            return {u"differs when read in blocks of "_s + QString::number(block)};
    }
    return out;
}

struct ParseCase {
    const char* what;
    QByteArray bytes;
    QStringList expected;
};

} // namespace

TEST(PropertyCsv, ReadsWhatSpreadsheetsWriteAndRefusesMalformedFiles)
{
    const ParseCase cases[] = {
        {"our own export: BOM, CR LF, quoted separators and quotes",
         "\xEF\xBB\xBFPath,Material,Finish\r\nC:\\a.par,\"S355, EN\",\"12\"\" pipe\"\r\n",
         {u"Material|Finish"_s, u"C:\\a.par: Material=S355, EN | Finish=12\" pipe"_s}},
        {"no BOM, LF, no line end after the last line",
         "Path,Material\n/w/a.par,S235\n/w/b.par,S355",
         {u"Material"_s, u"/w/a.par: Material=S235"_s, u"/w/b.par: Material=S355"_s}},
        {"\";\" from a spreadsheet in a decimal-comma locale; \",\" is then plain text",
         "Path;Mass;Note\r\n/w/a.par;12,5;\"a;b\"\r\n",
         {u"Mass|Note"_s, u"/w/a.par: Mass=12,5 | Note=a;b"_s}},
        {"line breaks inside quotes (CR LF and LF) are part of the value",
         "Path,Note\r\n/w/a.par,\"one\r\ntwo\nthree\"\r\n/w/b.par,x\r\n",
         {u"Note"_s, u"/w/a.par: Note=one\r\ntwo\nthree"_s, u"/w/b.par: Note=x"_s}},
        {"empty cells are kept as empty values; empty lines and rows of separators are passed over",
         "Path,A,B\r\n\r\n/w/a.par,,b\r\n,,\r\n\r\n",
         {u"A|B"_s, u"/w/a.par: A= | B=b"_s}},
        {"lone CR line ends, a trailing column without name and without values",
         "Path,A,\r/w/a.par,1,\r",
         {u"A"_s, u"/w/a.par: A=1"_s}},
        {"Windows-1250 without BOM (a spreadsheet saving in the system code page)",
         "Path;Opis\r\n/w/\x8A" "a.par;\x8E" "aga\r\n",
         {u"Opis"_s, u"/w/\u0160a.par: Opis=\u017Daga"_s}},
        {"Windows-1250 whose bytes are UTF-8 by accident (\"čšž\" as U+869E)",
         "Path;Material\r\n/w/a.par;S235 \xE8\x9A\x9E\r\n",
         {u"Material"_s, u"/w/a.par: Material=S235 \u010D\u0161\u017E"_s}},
        {"UTF-8 without BOM but for one byte: damaged, refused with the byte's line",
         "Path;Opis\n/w/a.par;\xC4\x8D\xC5\xA1\n/w/b.par;\xC4\x8D\x9A\xC5\xBE\n",
         {u"error: line 3: bytes that are not UTF-8 in a file that is otherwise UTF-8; the file is damaged and is not "
          "read"_s}},
        {"UTF-8 without BOM, its characters cut by the reader's blocks",
         "Path;Opis\n/w/\xC5\xA0" "a.par;\xC4\x8D\xC5\xA1\xC5\xBE\xC4\x8D\n",
         {u"Opis"_s, u"/w/\u0160a.par: Opis=\u010D\u0161\u017E\u010D"_s}},
        {"a byte order mark inside the file belongs to its field, in a name as in a row",
         "\xEF\xBB\xBFPath,\xEF\xBB\xBF" "A\r\n/w/a.par,1\r\n\xEF\xBB\xBF,\r\n",
         {u"\uFEFFA"_s, u"/w/a.par: \uFEFFA=1"_s, u"\uFEFF: \uFEFFA="_s}},
        {"... and in a file without one", "Path,A\n/w/\xC5\xA0.par,1\n\xEF\xBB\xBF,\n",
         {u"A"_s, u"/w/\u0160.par: A=1"_s, u"\uFEFF: A="_s}},
        {"... two marks at the start of a field as well", "Path,\xEF\xBB\xBF\xEF\xBB\xBF" "A\n/w/a.par,1\n",
         {u"\uFEFF\uFEFFA"_s, u"/w/a.par: \uFEFF\uFEFFA=1"_s}},
        {"a header alone", "Path,A\r\n", {u"A"_s}},
        {"unterminated quote: the line where the field starts",
         "Path,A\r\n/w/a.par,\"x\r\ny\"\r\n/w/b.par,\"open\r\nmore\r\n",
         {u"error: line 4: a quoted field that starts here has no closing quote"_s}},
        {"text after a closing quote", "Path,A\n/w/a.par,\"x\"y\n",
         {u"error: line 2: text after the closing quote of a field (a quote inside a quoted field must be doubled)"_s}},
        {"a row with fewer fields", "Path,A,B\n/w/a.par,1,2\n/w/b.par,1\n",
         {u"error: line 3: 2 fields, but the header line has 3"_s}},
        {"a row with more fields, counted after a multi-line value", "Path,A\n/w/a.par,\"1\n2\"\n/w/b.par,1,2\n",
         {u"error: line 4: 3 fields, but the header line has 2"_s}},
        {"a value in a column without a name", "Path,,A\n/w/a.par,x,1\n",
         {u"error: line 2: a value in column 2, which has no name in the header line"_s}},
        {"a NUL byte in a path", QByteArray("Path,A\r\n/w/a.par,1\r\n/w/b", 24) + QByteArray(1, '\0') + ".par,2\r\n",
         {u"error: line 3: a NUL byte, which no path or property value can hold"_s}},
        {"a NUL byte in a quoted value, on the value's second line",
         QByteArray("Path,A\n/w/a.par,\"x\ny", 20) + QByteArray(1, '\0') + "\"\n",
         {u"error: line 3: a NUL byte, which no path or property value can hold"_s}},
        {"UTF-16, as spreadsheets save \"Unicode text\"", QByteArray("\xFF\xFEP\0a\0", 6),
         {u"error: line 1: the file is UTF-16 text; save it as CSV (UTF-8 or the system code page)"_s}},
        {"an empty file", "", {u"error: line 1: the file is empty; it needs a header line with the path column and "
                               "the property names"_s}},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(Parsed(c.bytes), c.expected) << c.what;
}

TEST(PropertyCsv, WritesFieldsAsRfc4180WithCrLf)
{
    const struct {
        QStringList record;
        QString expected;
    } cases[] = {
        {{u"plain"_s, u""_s, u"\u017Daga"_s}, u"plain,,\u017Daga\r\n"_s},
        {{u"a,b"_s, u"a;b"_s, u"say \"hi\""_s}, u"\"a,b\",\"a;b\",\"say \"\"hi\"\"\"\r\n"_s},
        {{u"one\r\ntwo"_s, u"x\ny"_s, u"x\ry"_s}, u"\"one\r\ntwo\",\"x\ny\",\"x\ry\"\r\n"_s},
        {{u" "_s, u" lead"_s, u"trail\t"_s, u"in side"_s}, u"\" \",\" lead\",\"trail\t\",in side\r\n"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvText({c.record}), c.expected) << c.record.join(u'|').toStdString();
    EXPECT_TRUE(PropertyCsvBytes({u"A"_s}, {}).startsWith("\xEF\xBB\xBFPath,A\r\n"));
}

TEST(PropertyCsv, GridExportedAndImportedComesBackWithChangedCells)
{
    const auto header = [](TarCells& cells) {
        for (const auto& [col, name] : {std::pair{1, u"Material"_s}, {2, u"Note"_s}, {3, u"Finish"_s}})
            cells.GetCell(col, 0)->SetText(name);
    };
    const auto label = [](TarCells& cells, int row, const QString& path) {
        cells.GetCell(0, row)->text = PropertyRowLabel(row, path);
        cells.GetCell(0, row)->data = path;
    };
    constexpr int kCols = 4;
    constexpr int kRows = 3;
    TarCells source;
    header(source);
    label(source, 1, u"C:\\Work\\Flange.par"_s);
    label(source, 2, u"C:\\Work\\cover.psm"_s);
    const QString values[][3] = {{u"S235, EN"_s, u"line 1\r\nline \"2\""_s, u" "_s},
                                 {u"\u010Crna; \u017Eica"_s, QString(), u"x"_s}};
    for (int r = 1; r < kRows; ++r)
        for (int c = 1; c < kCols; ++c)
            if (!values[r - 1][c - 1].isEmpty())
                source.GetCell(c, r)->SetText(values[r - 1][c - 1]);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(u"grid.csv"_s);
    SavePropertyCsv(file, PropertyColumnNames(source, kCols), PropertySetRowsFromCells(source, kCols, kRows));
    EXPECT_THROW(SavePropertyCsv(dir.filePath(u"none/grid.csv"_s), {}, {}), KrdlError);
    PropertyCsv csv;
    QString error;
    ASSERT_TRUE(ReadPropertyCsv(file, csv, &error)) << error.toStdString();
    // A grid of the same documents, listed in another order and letter case, a typed value in the
    // cell the file has empty, and columns named in other letter case.
    csv.names.append(u"Colour"_s);
    csv.rows.append({u"C:\\Work\\gone.par"_s, {{u"Material"_s, u"x"_s}}});
    TarCells target;
    header(target);
    target.GetCell(1, 0)->SetText(u"MATERIAL"_s);
    label(target, 1, u"c:\\work\\COVER.psm"_s);
    label(target, 2, u"C:\\WORK\\flange.PAR"_s);
    target.GetCell(2, 1)->text = u"kept"_s;
    target.ClearChanged();

    const PropertySetPlacement placed = PutPropertyCsv(target, kCols, kRows, csv);
    EXPECT_EQ(placed.set, 5);
    EXPECT_EQ(placed.unplacedPaths, QStringList{u"C:\\Work\\gone.par"_s});
    for (int r = 1; r < kRows; ++r) {
        for (int c = 1; c < kCols; ++c) {
            const int sourceRow = 3 - r;
            const QString expected = r == 1 && c == 2 ? u"kept"_s : values[sourceRow - 1][c - 1];
            EXPECT_EQ(target.GetText(c, r), expected) << c << "," << r;
            TarCell* cell = nullptr;
            EXPECT_EQ(target.Find(c, r, cell) && cell->changed, !(r == 1 && c == 2)) << c << "," << r;
        }
    }
    // A column with no place is reported also when no row holds a value for it.
    PropertyCsv names;
    names.names = {u"Finish"_s, u"Colour"_s};
    EXPECT_EQ(PutPropertyCsv(target, kCols, kRows, names).unplacedNames, QStringList{u"Colour"_s});
}
