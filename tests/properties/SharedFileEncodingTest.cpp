// The encoding rule of shared files as each reader applies it: Windows-1250 that is UTF-8 by
// accident reads as written, and damaged UTF-8 is refused naming the file and the line, with
// nothing written.

#include "common/Error.h"
#include "properties/PropertyCsv.h"
#include "properties/PropertySeed.h"
#include "properties/PropertySetFile.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

QString thrown(const std::function<void()>& run)
{
    try {
        run();
    } catch (const KrdlError& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(SharedFileEncoding, Windows1250ThatIsUtf8ByAccidentReadsAsWritten)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"old.props"_s);
    // "S235 čšž" as the old program wrote it: E8 9A 9E is also UTF-8, for U+869E.
    const QByteArray bytes = "[Files]\r\nfile1=C:\\a.par\r\n[file1]\r\nCustomPropMaterial=Material;S235 \xE8\x9A\x9E\r\n";
    testfiles::WriteBytes(set, bytes);
    QList<PropertySetRow> rows;
    ASSERT_TRUE(ReadPropertySet(set, rows));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].values, (QList<QPair<QString, QString>>{{u"Material"_s, u"S235 čšž"_s}}));
    SavePropertySet(set, rows);
    EXPECT_TRUE(testfiles::ReadBytes(set).endsWith("Material;S235 \xE8\x9A\x9E\r\n")) << "a rewrite keeps Windows-1250";
}

TEST(SharedFileEncoding, DamagedUtf8IsRefusedByEveryReaderNamingFileAndLine)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"shared.txt"_s);
    // UTF-8 throughout but for one Windows-1250 "š" (9A) on line 3.
    const QByteArray damaged = "Path,Material\r\nC:\\a.par,\xC4\x8C\xC4\x87\xC5\xBE\xC5\xA1\xC4\x91\r\n"
                               "C:\\b.par,\xC4\x8C\xC4\x87\x9A\xC5\xBE\xC4\x91\r\n";
    // Each reader's error, or "" when it gave none. Start-up and `docprops apply` put the file's
    // name before the reasons the INI and property set readers give.
    struct Reader {
        const char* what;
        bool namesFile;
        std::function<QString()> read;
    };
    const Reader readers[] = {
        {"INI write", true, [&] { return thrown([&] { IniWriteString(file, u"A"_s, u"k"_s, u"v"_s); }); }},
        {"INI text at start-up", false, [&] { return IniFileTextProblem(file); }},
        {"property set read", false, [&] {
             QList<PropertySetRow> rows;
             QString reason;
             return ReadPropertySet(file, rows, &reason) ? QString() : reason;
         }},
        {"property set save", true,
         [&] { return thrown([&] { SavePropertySet(file, {{u"C:\\a.par"_s, {{u"Material"_s, u"x"_s}}}}); }); }},
        {"seed file", true, [&] {
             PropertyDefinitions definitions;
             return thrown([&] { ReadPropertySeed(file, &definitions); });
         }},
        {"CSV", true, [&] {
             PropertyCsv csv;
             QString reason;
             return ReadPropertyCsv(file, csv, &reason) ? QString() : reason;
         }},
    };
    testfiles::WriteBytes(file, damaged);
    for (const auto& [what, namesFile, read] : readers) {
        const QString error = read();
        EXPECT_EQ(error.contains(file), namesFile) << what << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(u"line 3: bytes that are not UTF-8"_s)) << what << ": " << error.toStdString();
        EXPECT_EQ(testfiles::ReadBytes(file), damaged) << what;
    }
}
