// libFuzzer target over the message a later start hands the running instance. Whatever arrives,
// and however it is cut into reads, the instance's reading must stay consistent: a message
// complete at its end was incomplete (never bad) before, what is bad stays bad, and the files
// read come back in the same bytes when sent again.

#include "FuzzCheck.h"

#include "app/HandOverMessage.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace {

using State = HandOverMessage::State;

State Decoded(const QByteArray& received)
{
    QStringList files;
    return HandOverMessage::Decode(received, files);
}

// Lengths of the first reads of `message` worth trying: around the end of the header, half,
// one byte short.
QList<qsizetype> Cuts(const QByteArray& message)
{
    const qsizetype headerEnd = message.indexOf('\n');
    QList<qsizetype> cuts{0, message.size() / 2, message.size() - 1};
    if (headerEnd >= 0)
        cuts << headerEnd << headerEnd + 1 << headerEnd + 2;
    return cuts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray received(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList files;
    const State state = HandOverMessage::Decode(received, files);

    for (const qsizetype cut : Cuts(received)) {
        if (cut < 0 || cut >= received.size())
            continue;
        const State before = Decoded(received.first(cut));
        if (state == State::Complete)
            Require(before == State::Incomplete, "a message that is complete was incomplete before its end");
        if (before == State::Bad)
            Require(state == State::Bad, "what is bad stays bad when more arrives");
    }
    if (state != State::Complete)
        return 0;

    // The same files sent again: the names travel as the same bytes.
    const QByteArray again = HandOverMessage::Encode(files);
    const QByteArray names = received.mid(received.indexOf('\n') + 1);
    Require(again.endsWith(names) && again.at(again.size() - names.size() - 1) == '\n',
            "the files read are sent again in the bytes that brought them");
    QStringList reread;
    Require(HandOverMessage::Decode(again, reread) == State::Complete && reread == files,
            "a message the later start writes is read whole");
    for (const qsizetype cut : Cuts(again))
        if (cut >= 0 && cut < again.size())
            Require(Decoded(again.first(cut)) == State::Incomplete, "a message cut short is incomplete");
    return 0;
}
