// libFuzzer target over the records of undo journal runs. The first byte chooses how the rest is
// taken: odd, as a run file as it is; even, as a run whose lines lack their checksums, which the
// target adds (so that the fuzzer gets past them to the records). A run read must go on taking
// records where it ends, and its header and records written again must read back the same.

#include "FuzzCheck.h"

#include "journal/Crc32.h"
#include "journal/JournalRun.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// Every whole line with its checksum as the last field, as the writer of version 2 adds them.
QByteArray WithChecksums(const QByteArray& lines)
{
    QByteArray out;
    std::uint32_t chain = 0;
    qsizetype from = 0;
    for (qsizetype to = lines.indexOf('\n'); to >= 0; from = to + 1, to = lines.indexOf('\n', from)) {
        const QByteArray payload = lines.mid(from, to - from);
        chain = Crc32("\n", Crc32(std::string_view(payload.constData(), std::size_t(payload.size())), chain));
        out += payload + '\t' + QByteArray::number(chain, 16).rightJustified(8, '0') + '\n';
    }
    return out + lines.mid(from);
}

bool SameItems(const std::vector<JournalItem>& a, const std::vector<JournalItem>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const JournalItem& x = a[i];
        const JournalItem& y = b[i];
        if (x.path != y.path || x.newPath != y.newPath || x.identity != y.identity || x.attributes != y.attributes
            || x.properties.size() != y.properties.size())
            return false;
        for (std::size_t p = 0; p < x.properties.size(); ++p)
            if (x.properties[p].name != y.properties[p].name || x.properties[p].type != y.properties[p].type
                || x.properties[p].value != y.properties[p].value)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QByteArray bytes = (data[0] & 1) ? rest : WithChecksums(rest);
    QString problem;
    const std::optional<JournalRun> run = JournalRun::Parse(bytes, &problem);
    if (!run) {
        Require(!problem.isEmpty(), "a run refused says why");
        return 0;
    }
    Require(!run->items.empty() && run->states.size() == run->items.size(), "a run read has items and their states");
    Require(run->wholeBytes <= std::uint64_t(bytes.size()), "the whole records lie within the file");

    // A mark appended where the whole records end, as the appender does: the run reads on.
    std::uint32_t chain = run->chain;
    const QByteArray marked = bytes.first(qsizetype(run->wholeBytes))
        + JournalRun::Line({u"done"_s, u"0"_s, u"fuzz note"_s}, run->version, chain);
    const std::optional<JournalRun> more = JournalRun::Parse(marked, &problem);
    Require(more.has_value(), "a run with a mark appended is readable");
    Require(SameItems(more->items, run->items), "a mark appended keeps the items");
    Require(more->states[0].mark == JournalMark::Done && more->states[0].note == u"fuzz note"_s,
            "a mark appended is read");
    Require(more->chain == chain && more->wholeBytes == std::uint64_t(marked.size()),
            "the records go on from the mark appended");

    // The header and the records it counts written again by the current writer.
    const QByteArray start = JournalRun::StartText(run->kind, run->created, run->processId, run->items, chain);
    const std::optional<JournalRun> rewritten = JournalRun::Parse(start, &problem);
    Require(rewritten.has_value(), "a run written is readable");
    Require(rewritten->kind == run->kind && rewritten->processId == run->processId && SameItems(rewritten->items, run->items),
            "a run written reads back the same");
    Require(rewritten->created == run->created, "a run written keeps its time");
    return 0;
}
