// Path rules in both styles: Windows examples and native POSIX ones.
#include "common/PathText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PathText, SplitsByTheRulesOfEachStyle)
{
    struct Case {
        QString path;
        PathStyle style;
        QString fileName;
    };
    const Case cases[] = {
        {u"C:\\Work\\a.dft"_s, PathStyle::Windows, u"a.dft"_s},
        {u"C:a.dft"_s, PathStyle::Windows, u"a.dft"_s},
        {u"C:/Work/a.dft"_s, PathStyle::Windows, u"a.dft"_s},
        {u"\\\\server\\share\\a.dft"_s, PathStyle::Windows, u"a.dft"_s},
        {u"2;C:\\x.dft"_s, PathStyle::Windows, u"x.dft"_s},
        {u"rev:2.dft"_s, PathStyle::Windows, u"rev:2.dft"_s}, // a colon that is no drive colon
        // In a POSIX name a backslash and a colon are ordinary characters.
        {u"/data/rev:2.dft"_s, PathStyle::Posix, u"rev:2.dft"_s},
        {u"/data/back\\slash.par"_s, PathStyle::Posix, u"back\\slash.par"_s},
        {u"back\\slash.par"_s, PathStyle::Posix, u"back\\slash.par"_s},
        {u"c:x.par"_s, PathStyle::Posix, u"c:x.par"_s},
        {u"sub/c:x.par"_s, PathStyle::Posix, u"c:x.par"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractFileName(c.path, c.style), c.fileName) << c.path.toStdString();
}

TEST(PathText, JoinAndTrailingSeparatorKeepTheStyle)
{
    struct Case {
        QString directory;
        PathStyle style;
        QString joined; // with "a.dft"
    };
    const Case cases[] = {
        {u"C:\\Work"_s, PathStyle::Windows, u"C:\\Work\\a.dft"_s},
        {u"C:\\"_s, PathStyle::Windows, u"C:\\a.dft"_s},
        {u"C:"_s, PathStyle::Windows, u"C:\\a.dft"_s},
        {u"C:/Work"_s, PathStyle::Windows, u"C:/Work/a.dft"_s},
        {u"/home/u"_s, PathStyle::Posix, u"/home/u/a.dft"_s},
        {u"/"_s, PathStyle::Posix, u"/a.dft"_s},
        {u"/home/back\\"_s, PathStyle::Posix, u"/home/back\\/a.dft"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinPath(c.directory, u"a.dft"_s, c.style), c.joined) << c.directory.toStdString();
        EXPECT_EQ(IncludeTrailingPathDelimiter(c.directory, c.style) + u"a.dft"_s, c.joined) << c.directory.toStdString();
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter(u""_s), u""_s);
}

TEST(PathText, TextsOfUnknownOriginAreReadInTheStyleTheyWereWrittenIn)
{
    // Windows texts are Windows wherever they are read; elsewhere a native text stays native.
    for (const QString& windows : {u"C:\\Work\\a.dft"_s, u"C:"_s, u"\\\\server\\share"_s, u"2;C:\\x.dft"_s})
        EXPECT_EQ(GuessPathStyle(windows), PathStyle::Windows) << windows.toStdString();
    for (const QString& native : {u"/home/u/back\\slash.par"_s, u"/srv/C:\\x"_s, u"a.dft"_s, u"sub/x:y.par"_s})
        EXPECT_EQ(GuessPathStyle(native), platform::kNativePathStyle) << native.toStdString();
}
