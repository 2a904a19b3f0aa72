// Program text to file-system paths and back, on real files.
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "text/NativePath.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace Qt::StringLiterals;

TEST(FsPath, NonAsciiAndNonUtf8NamesReachTheirFilesThroughText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path base = ToFsPath(dir.path());
    std::vector<std::filesystem::path> names{ToFsPath(u"Načrt.dft"_s)};
    if constexpr (!text::kNativeNamesAreUtf16)
        names.emplace_back("cp1250_\x9A\xE8.par"); // Windows-1250 "šč": not UTF-8
    for (const auto& name : names) {
        std::ofstream(base / name) << "old";
        // As a listing reports it, through the text the program holds, back to the same file.
        QString found;
        for (const auto& e : std::filesystem::directory_iterator(base))
            if (e.path().filename() == name)
                found = FromFsPath(e.path());
        ASSERT_FALSE(found.isEmpty()) << name;
        EXPECT_EQ(ToFsPath(found), base / name);
        QByteArray bytes;
        ASSERT_TRUE(ReadFileContents(found, bytes)) << name;
        EXPECT_EQ(bytes, "old");
        ASSERT_TRUE(ReplaceFileContents(found, "new")) << name;
        EXPECT_TRUE(ReadFileContents(found, bytes));
        EXPECT_EQ(bytes, "new");
    }
    EXPECT_EQ(QDir::fromNativeSeparators(FromFsPath(base / names[0])), dir.filePath(u"Načrt.dft"_s));
    // Nothing else was left beside them.
    EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator(base), {})), names.size());
    // QTemporaryDir cannot remove a name that is not UTF-8: Qt decodes names with loss.
    std::filesystem::remove_all(base);
}

TEST(FsPath, NamesStartingWithTheBytesOfAByteOrderMarkKeepThem)
{
    for (const std::string_view name : {"\xEF\xBB\xBF" "a.dft", "\xEF\xBB\xBF"}) {
        const QString text = FromNativeBytes(name);
        EXPECT_TRUE(text.startsWith(QChar(0xFEFF))) << name;
        EXPECT_EQ(ToNativeBytes(text), name);
    }
}
