// The files a later start hands the running instance, as they travel between the two.
#include "app/HandOverMessage.h"
#include "common/FsPath.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using State = HandOverMessage::State;

TEST(HandOverMessage, FilesArriveExactlyWhateverTheirNamesAndHoweverTheBytesCome)
{
    const QStringList files{u"/w/a.dft"_s, FromNativeBytes("/w/cp1250_\x9a\xe8.par"), u"/w/with space/č.asm"_s,
                            u"/w/back\\slash:colon.psm"_s};
    const QByteArray message = HandOverMessage::Encode(files);
    // Every prefix is incomplete, the whole is the message.
    for (qsizetype n = 0; n < message.size(); ++n) {
        QStringList got;
        ASSERT_EQ(HandOverMessage::Decode(message.first(n), got), State::Incomplete) << n;
    }
    QStringList got;
    ASSERT_EQ(HandOverMessage::Decode(message, got), State::Complete);
    EXPECT_EQ(got, files);
    EXPECT_EQ(ToNativeBytes(got[1]), "/w/cp1250_\x9a\xe8.par");
    EXPECT_EQ(HandOverMessage::Decode(HandOverMessage::Encode({}), got), State::Complete);
    EXPECT_TRUE(got.isEmpty());
}

TEST(HandOverMessage, AnythingElseIsRefusedAtOnce)
{
    const QByteArray bad[] = {
        "GET / HTTP/1.1\r\n",
        "KRDL-OPEN 2 1 2\na\0"_ba,         // another version
        "KRDL-OPEN 1 2 2\na\0"_ba,         // fewer names than said
        "KRDL-OPEN 1 1 3\na\0b"_ba,        // a name without its end
        "KRDL-OPEN 1 2 3\n\0a\0"_ba,       // an empty name
        "KRDL-OPEN 1 1 2\na\0extra"_ba,    // more than said
        "KRDL-OPEN 1 1 999999999999\n",    // more than any list of files
        "KRDL-OPEN 1 -1 2\n",
        QByteArray(65, 'K'),               // a header without end
        // Counts in any form but plain digits, and a header longer than any Encode writes.
        "KRDL-OPEN 1 +1 2\na\0"_ba,
        "KRDL-OPEN 1 1\0\0 2\na\0"_ba,
        "KRDL-OPEN 1 2" + QByteArray(70, '\0') + " 4\na\0b\0"_ba,
        "KRDL-OPEN 1 " + QByteArray(60, '0') + "1 2\na\0"_ba,
    };
    for (const QByteArray& b : bad) {
        QStringList got;
        EXPECT_EQ(HandOverMessage::Decode(b, got), State::Bad) << b.toStdString();
    }
}
