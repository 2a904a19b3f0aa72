// Crash and power-loss soak of the custom property save, the undo journal and the replacement
// of whole files, run by hand (never by CI):
//
//   bench_crashsoak [--seed S] [--saves N] [--threads T] [--power-every P] [--olefile-every K]
//                   [--filesystem-runs R] [--keep FOLDER]
//
// Each case takes a document of the corpus (the fixtures of tests/data/compound and generated
// ones with 512- and 4,096-byte sectors), makes a random change to its custom properties (add,
// change, remove, values growing and shrinking, the property stream crossing the mini stream
// cutoff both ways), saves it once to learn its writes and flushes, and then saves it again
// stopped at one chosen write or flush, as a killed process would be. The file left behind must
// read back with exactly the old or exactly the new properties and every other stream as it was.
//
// About one case in `--power-every` also plays power cuts: what was flushed stays, and of the
// writes after the last flush any subset (cut into 512-byte sectors, so a write spanning
// sectors can be torn) reaches the disk in any order; every such state must read back as old or
// new too. About one stopped file in `--olefile-every` is read again by olefile
// (tests/compound/tools/olereader.py), all of them in one Python process at the end. Documents
// that pass a completed save carry on with its result, so that a document keeps changing across
// the cases of its thread. A seed and a thread count repeat a run.
//
// Then `--filesystem-runs` times each: a whole file replaced (ReplaceFileContents) and a run of
// the undo journal written, ended and perhaps taken back, with their system calls recorded
// (FileSystemRecorder) and every power cut played on the record. The replaced file must be the
// old or the new one, and the new one once the call returned; the journal must read back
// undamaged, with everything a returned call flushed. Files are kept in FOLDER (by default a
// folder in the temporary folder named after the seed).

#include "../tests/compound/CfbBuilder.h"
#include "GeneratedDocuments.h"

#include "compound/BlockFile.h"
#include "compound/Cfb.h"
#include "compound/CodePage.h"
#include "compound/CompoundReader.h"
#include "compound/CustomPropertyCollection.h"
#include "common/SafeFile.h"
#include "journal/Journal.h"
#include "journal/JournalRun.h"
#include "journal/JournalUndo.h"
#include "journal/JournalWriter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a reader must find: the custom properties (name, type code, stored value) and a digest
// of every other stream.
struct Snapshot {
    std::vector<std::string> names;
    std::vector<Bytes> raws;
    std::vector<std::string> texts; // the decoded text of text values, empty for the others
    std::vector<int> typeCodes;
    std::uint64_t otherStreams = 0;
    bool operator==(const Snapshot& other) const
    {
        return names == other.names && raws == other.raws && typeCodes == other.typeCodes
            && otherStreams == other.otherStreams;
    }
};

std::uint64_t Fnv(std::uint64_t hash, const std::uint8_t* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ data[i]) * 0x100000001b3ull;
    return hash;
}

std::uint64_t OtherStreamsDigest(cfb::BlockFile& file)
{
    cfb::CompoundReader reader(file);
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const std::size_t entries = reader.Entries().Sectors().size() * reader.Entries().EntriesPerSector();
    for (std::uint32_t i = 1; i < entries; ++i) {
        const cfb::DirectoryEntry entry = reader.Entries().Entry(i);
        if (entry.type != cfb::EntryType::Stream || entry.name == cfb::DocumentSummaryStreamName())
            continue;
        const Bytes content = reader.ReadStream(i, 1u << 30);
        const std::string name = cfb::Utf16ToUtf8(entry.name);
        hash = Fnv(hash, reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
        hash = Fnv(hash, content.data(), content.size());
    }
    return hash;
}

Snapshot TakeSnapshot(cfb::CustomPropertyCollection& collection)
{
    Snapshot snapshot;
    for (std::size_t i = 0; i < collection.Count(); ++i) {
        snapshot.names.push_back(collection.NameAt(i));
        snapshot.raws.push_back(collection.RawAt(i));
        snapshot.typeCodes.push_back(collection.TypeCodeAt(i));
        snapshot.texts.push_back(collection.TypeCodeAt(i) == 1 ? collection.ValueAt(i).text : std::string());
    }
    return snapshot;
}

// Reads the file as a later run of the program would; nothing when it does not open.
std::optional<Snapshot> ReadBack(const Bytes& bytes)
{
    try {
        cfb::MemoryFile file(bytes, false);
        cfb::CustomPropertyCollection collection(file);
        Snapshot snapshot = TakeSnapshot(collection);
        snapshot.otherStreams = OtherStreamsDigest(file);
        return snapshot;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Passes everything to a file in memory and records the writes and flushes; stops the save by
// throwing before write `stopWrite` or before flush `stopFlush` (both counted from 0), as a
// killed process: after the stop nothing more reaches the file.
class RecordingFile : public cfb::BlockFile {
public:
    struct Op {
        bool flush = false;
        std::uint64_t offset = 0;
        Bytes data;
    };
    RecordingFile(cfb::MemoryFile& inner, int stopWrite, int stopFlush)
        : m_inner(inner), m_stopWrite(stopWrite), m_stopFlush(stopFlush) {}
    std::uint64_t Size() override { return m_inner.Size(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override
    {
        return m_inner.Read(offset, out, length);
    }
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override
    {
        if (m_stopped || m_writes == m_stopWrite)
            Stop();
        ++m_writes;
        m_inner.Write(offset, data, length);
        if (record)
            ops.push_back({false, offset, Bytes(data, data + length)});
    }
    void Flush() override
    {
        if (m_stopped || m_flushes == m_stopFlush)
            Stop();
        ++m_flushes;
        if (record)
            ops.push_back({true, 0, {}});
    }
    void Truncate(std::uint64_t size) override
    {
        // A truncation is a change of the file like a write; the save is not expected to make one.
        if (m_stopped)
            Stop();
        ++truncations;
        m_inner.Truncate(size);
    }
    bool Writable() const override { return true; }
    int Writes() const { return m_writes; }
    int Flushes() const { return m_flushes; }

    bool record = false;
    std::vector<Op> ops;
    int truncations = 0;

private:
    // A killed process writes nothing more: what the save does on its way out after the stop
    // (putting the old header back, say) never reaches the file.
    [[noreturn]] void Stop()
    {
        m_stopped = true;
        throw cfb::Error("stopped before this change");
    }

    cfb::MemoryFile& m_inner;
    bool m_stopped = false;
    int m_stopWrite;
    int m_stopFlush;
    int m_writes = 0;
    int m_flushes = 0;
};

// One change of the custom properties, replayed the same on every copy of the document.
struct Edit {
    enum class Kind { Add, Change, Remove, RemoveAll };
    Kind kind = Kind::Add;
    std::size_t index = 0; // Change, Remove: which property (modulo the count)
    std::string name;
    std::string value;
};

std::string ValueOfLength(std::mt19937_64& random, std::size_t length)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-/.";
    std::string value(length, ' ');
    for (char& c : value)
        c = kLetters[random() % (sizeof kLetters - 1)];
    return value;
}

// Short values mostly, some of a few hundred bytes, and now and then one that alone takes the
// stream past the 4,096-byte cutoff.
std::size_t RandomLength(std::mt19937_64& random)
{
    const unsigned roll = unsigned(random() % 100);
    if (roll < 65)
        return std::size_t(random() % 40);
    if (roll < 90)
        return 100 + std::size_t(random() % 900);
    return 3000 + std::size_t(random() % 3000);
}

std::vector<Edit> RandomEdits(std::mt19937_64& random, std::size_t count, std::size_t streamBytes)
{
    std::vector<Edit> edits;
    const int steps = 1 + int(random() % 3);
    for (int i = 0; i < steps; ++i) {
        Edit edit;
        const unsigned roll = unsigned(random() % 100);
        // A big stream shrinks more often than it grows, so that it crosses the cutoff both ways.
        const bool big = streamBytes > 8000;
        if (count > 0 && roll < (big ? 10u : 3u))
            edit.kind = Edit::Kind::RemoveAll;
        else if (count > 0 && roll < (big ? 55u : 30u))
            edit.kind = Edit::Kind::Remove;
        else if (count > 0 && roll < 70)
            edit.kind = Edit::Kind::Change;
        else
            edit.kind = Edit::Kind::Add;
        edit.index = std::size_t(random());
        edit.name = "Soak " + std::to_string(random() % 50);
        edit.value = ValueOfLength(random, big && edit.kind == Edit::Kind::Change ? random() % 20 : RandomLength(random));
        edits.push_back(edit);
        if (edit.kind == Edit::Kind::RemoveAll)
            count = 0;
        else if (edit.kind == Edit::Kind::Remove)
            --count;
        else if (edit.kind == Edit::Kind::Add)
            ++count;
    }
    return edits;
}

// Applies the edits; false when the collection refused one (a name the code page cannot hold).
bool Apply(cfb::CustomPropertyCollection& collection, const std::vector<Edit>& edits)
{
    try {
        for (const Edit& edit : edits) {
            switch (edit.kind) {
            case Edit::Kind::RemoveAll:
                while (collection.Count() > 0)
                    collection.Remove(collection.Count() - 1);
                break;
            case Edit::Kind::Remove:
                if (collection.Count() > 0)
                    collection.Remove(edit.index % collection.Count());
                break;
            case Edit::Kind::Change:
                if (collection.Count() > 0) {
                    const std::size_t index = edit.index % collection.Count();
                    const std::string name = collection.NameAt(index);
                    collection.Remove(index);
                    collection.AddText(name.empty() ? edit.name : name, edit.value);
                }
                break;
            case Edit::Kind::Add:
                collection.AddText(edit.name, edit.value);
                break;
            }
        }
        return true;
    } catch (const cfb::Error&) {
        return false;
    }
}

struct SaveRun {
    Bytes bytes;
    std::vector<RecordingFile::Op> ops;
    int writes = 0;
    int flushes = 0;
    int truncations = 0;
    bool stopped = false;
    bool failed = false; // an error other than our stop
    std::string error;
    std::optional<Snapshot> expected;
};

SaveRun Save(const Bytes& original, const std::vector<Edit>& edits, int stopWrite, int stopFlush, bool record)
{
    SaveRun run;
    cfb::MemoryFile memory(original);
    RecordingFile file(memory, stopWrite, stopFlush);
    file.record = record;
    try {
        cfb::CustomPropertyCollection collection(file);
        if (!Apply(collection, edits) || !collection.Modified()) {
            run.failed = true;
            run.error = "no change";
            return run;
        }
        run.expected = TakeSnapshot(collection);
        try {
            collection.Save();
        } catch (const cfb::Error& e) {
            run.stopped = std::string(e.what()).rfind("stopped before", 0) == 0;
            run.failed = !run.stopped;
            run.error = e.what();
        }
    } catch (const cfb::Error& e) {
        run.failed = true;
        run.error = e.what();
    }
    run.bytes = memory.Bytes();
    run.ops = std::move(file.ops);
    run.writes = file.Writes();
    run.flushes = file.Flushes();
    run.truncations = file.truncations;
    return run;
}

struct CorpusDocument {
    std::string name;
    Bytes bytes;
    Snapshot snapshot;
};

Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The generated documents: the editor benchmarks' own, the same content with 4,096-byte
// sectors, one without a property stream, and one whose stream already lies in regular sectors.
std::vector<std::pair<std::string, Bytes>> GeneratedCorpus()
{
    using namespace cfbtest;
    std::vector<std::pair<std::string, Bytes>> out;
    out.emplace_back("generated v3", benchdocs::Document(7));
    BuildOptions version4;
    version4.version = 4;
    const auto body = [](int seed) { return Bytes(6000, std::uint8_t(seed)); };
    std::vector<RawProperty> properties = {{1, I2(1252)}};
    std::vector<std::pair<std::uint32_t, std::u16string>> names;
    for (int i = 0; i < 12; ++i) {
        names.emplace_back(std::uint32_t(i + 2), u"Field " + std::u16string(1, char16_t(u'A' + i)));
        properties.push_back({std::uint32_t(i + 2), i % 4 == 3 ? I4(i) : Lpstr("value " + std::to_string(i))});
    }
    properties.insert(properties.begin() + 1, {0, Dictionary(names, false)});
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, Section(properties)}});
    out.emplace_back("generated v4", BuildCompound({{u"JSite", body(4)}, {kDsiName, dsi}, {u"Small", Bytes(300, 9)}}, version4));
    out.emplace_back("generated v4 without stream", BuildCompound({{u"JSite", body(5)}, {u"Tiny", Bytes(64, 1)}}, version4));
    out.emplace_back("generated v3 without stream", BuildCompound({{u"WordDocument", body(6)}, {u"Small", Bytes(100, 2)}}));
    std::vector<RawProperty> large = {{1, I2(1200)}};
    std::vector<std::pair<std::uint32_t, std::u16string>> largeNames;
    for (int i = 0; i < 8; ++i) {
        largeNames.emplace_back(std::uint32_t(i + 2), u"Long " + std::u16string(1, char16_t(u'A' + i)));
        large.push_back({std::uint32_t(i + 2), Lpwstr(std::u16string(300, char16_t(u'a' + i)))});
    }
    large.insert(large.begin() + 1, {0, Dictionary(largeNames, true)});
    const Bytes largeDsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1200)}})}, {kUserFmtid, Section(large)}});
    out.emplace_back("generated v3, regular stream", BuildCompound({{u"JSite", body(8)}, {kDsiName, largeDsi}}));
    out.emplace_back("generated v4, regular stream", BuildCompound({{u"JSite", body(9)}, {kDsiName, largeDsi}}, version4));
    return out;
}

std::vector<CorpusDocument> Corpus()
{
    std::vector<std::pair<std::string, Bytes>> sources;
    const std::filesystem::path fixtures = std::filesystem::path(KRDL_SOURCE_DIR) / "tests" / "data" / "compound";
    for (const char* name : {"gsf_v3.ole", "gsf_v4.ole", "gsf_cp1250.ole", "gsf_cp1252.ole", "gsf_none.ole",
                             "lo_custom.doc", "lo_plain.doc"})
        sources.emplace_back(name, ReadFile(fixtures / name));
    for (auto& generated : GeneratedCorpus())
        sources.push_back(std::move(generated));
    std::vector<CorpusDocument> corpus;
    for (auto& [name, bytes] : sources) {
        std::optional<Snapshot> snapshot = ReadBack(bytes);
        if (!snapshot) {
            std::fprintf(stderr, "corpus document %s does not open; left out\n", name.c_str());
            continue;
        }
        corpus.push_back({name, std::move(bytes), std::move(*snapshot)});
    }
    return corpus;
}

std::size_t StreamBytes(const Snapshot& snapshot)
{
    std::size_t total = 0;
    for (const Bytes& raw : snapshot.raws)
        total += raw.size() + 8;
    return total;
}

// Stop points: "w<k>/<n>" stopped before write k of n, "f<k>/<n>" before flush k of n.
using Distribution = std::map<std::pair<int, int>, std::map<std::string, long>>;

struct Figures {
    long saves = 0;          // stopped saves checked
    long completed = 0;      // full saves that went through
    long readOld = 0;
    long readNew = 0;
    long damaged = 0;
    long powerStates = 0;
    long powerOld = 0;
    long powerNew = 0;
    long powerDamaged = 0;
    long skipped = 0;        // edits that changed nothing or a name the code page refused
    long saveErrors = 0;     // full saves that failed without our stop
    long crossedUp = 0;      // saves that took the stream to 4,096 bytes or more
    long crossedDown = 0;    // and below again
    long truncations = 0;
    std::map<std::string, long> bySectorSize;
    Distribution stops;      // (writes, flushes) of the save -> stop point -> count
    void Add(const Figures& other)
    {
        saves += other.saves;
        completed += other.completed;
        readOld += other.readOld;
        readNew += other.readNew;
        damaged += other.damaged;
        powerStates += other.powerStates;
        powerOld += other.powerOld;
        powerNew += other.powerNew;
        powerDamaged += other.powerDamaged;
        skipped += other.skipped;
        saveErrors += other.saveErrors;
        crossedUp += other.crossedUp;
        crossedDown += other.crossedDown;
        truncations += other.truncations;
        for (const auto& [key, count] : other.bySectorSize)
            bySectorSize[key] += count;
        for (const auto& [shape, points] : other.stops)
            for (const auto& [point, count] : points)
                stops[shape][point] += count;
    }
};

struct Options {
    std::uint64_t seed = 20261210;
    long saves = 1000000;
    int threads = 2;
    long powerEvery = 10;
    long olefileEvery = 1000;
    long filesystemRuns = 400;
    std::filesystem::path keep;
};

struct Shared {
    const Options* options = nullptr;
    const std::vector<CorpusDocument>* corpus = nullptr;
    std::atomic<long> done{0};
    std::mutex mutex;
    std::vector<std::string> olefileManifest;
    std::vector<std::string> damagedCases;
};

std::string Hex(const std::string& text)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

// Puts the state a power cut leaves together: `durable` as flushed, then the chosen pieces.
struct Piece {
    std::uint64_t offset;
    const std::uint8_t* data;
    std::size_t length;
};

std::vector<Piece> SectorPieces(const std::vector<RecordingFile::Op>& writes)
{
    constexpr std::uint64_t kSector = 512;
    std::vector<Piece> pieces;
    for (const RecordingFile::Op& op : writes) {
        std::uint64_t at = op.offset;
        const std::uint64_t end = op.offset + op.data.size();
        while (at < end) {
            const std::uint64_t next = std::min(end, (at / kSector + 1) * kSector);
            pieces.push_back({at, op.data.data() + (at - op.offset), std::size_t(next - at)});
            at = next;
        }
    }
    return pieces;
}

void PutPiece(Bytes& bytes, const Piece& piece)
{
    if (bytes.size() < piece.offset + piece.length)
        bytes.resize(std::size_t(piece.offset + piece.length), 0); // a hole reads as zeros
    std::copy(piece.data, piece.data + piece.length, bytes.begin() + std::ptrdiff_t(piece.offset));
}


#ifndef _WIN32

// The undo journal and the safe replacement of whole files go through the file system, not
// through a BlockFile. While a `FileSystemRecorder` is active, the system calls the process
// makes on files under its folder (open, write, pwrite, ftruncate, fsync, fdatasync, rename,
// unlink, remove, further down) are passed on and recorded, with the bytes written. A power
// cut is then played on the record: a file keeps what was written before its last fsync, a
// folder the names made before its last fsync, and of everything since, any subset (writes cut
// into 512-byte pieces) in any order. Names and data are independent: a rename can reach the
// disk without the data of the file it names, unless that data was flushed first.
class FileSystemRecorder {
public:
    struct Op {
        enum class Kind { Create, Write, Truncate, SyncFile, Rename, Unlink, SyncFolder };
        Kind kind = Kind::Write;
        int inode = -1;
        std::string path;   // Create, Rename (from), Unlink, SyncFolder
        std::string target; // Rename
        std::uint64_t offset = 0; // Write; Truncate: the new size
        Bytes data;
    };

    explicit FileSystemRecorder(const std::filesystem::path& folder) : m_folder(folder.lexically_normal().string())
    {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            const int inode = m_nextInode++;
            m_names[entry.path().lexically_normal().string()] = inode;
            m_initial[inode] = ReadFile(entry.path());
        }
        m_initialNames = m_names;
    }

    static std::atomic<FileSystemRecorder*>& Active()
    {
        static std::atomic<FileSystemRecorder*> active{nullptr};
        return active;
    }

    std::size_t OpCount()
    {
        std::lock_guard lock(m_mutex);
        return m_ops.size();
    }
    const std::vector<Op>& Ops() const { return m_ops; }

    // The files by name after a power cut at `cut` (that many ops happened), with `take` deciding
    // for each pending item (numbered in the order met) whether it reached the disk. Returns the
    // number of pending items.
    template <typename Take>
    std::size_t StateAt(std::size_t cut, Take take, std::mt19937_64& random, std::map<std::string, Bytes>& files) const
    {
        std::size_t item = 0;
        std::map<std::string, int> names = m_initialNames;
        std::map<int, Bytes> data = m_initial;
        const auto flushedLater = [&](std::size_t i, const Op& op) {
            for (std::size_t j = i + 1; j < cut; ++j) {
                const Op& later = m_ops[j];
                if (op.kind == Op::Kind::Write || op.kind == Op::Kind::Truncate) {
                    if (later.kind == Op::Kind::SyncFile && later.inode == op.inode)
                        return true;
                } else if (later.kind == Op::Kind::SyncFolder && later.path == Parent(op.kind == Op::Kind::Rename ? op.target : op.path)) {
                    return true;
                }
            }
            return false;
        };
        struct Pending {
            int inode;
            std::uint64_t offset;
            const std::uint8_t* bytes;
            std::size_t length;
            bool truncate;
        };
        std::vector<Pending> pendingData;
        for (std::size_t i = 0; i < cut; ++i) {
            const Op& op = m_ops[i];
            switch (op.kind) {
            case Op::Kind::SyncFile:
            case Op::Kind::SyncFolder:
                break;
            case Op::Kind::Create:
            case Op::Kind::Rename:
            case Op::Kind::Unlink:
                // Names reach the disk in the order they were made (a journalling file system
                // commits them so); which of the unflushed ones made it is open.
                if (flushedLater(i, op) || take(item++)) {
                    if (op.kind == Op::Kind::Create)
                        names[op.path] = op.inode;
                    else if (op.kind == Op::Kind::Rename) {
                        names[op.target] = op.inode;
                        names.erase(op.path);
                    } else
                        names.erase(op.path);
                }
                break;
            case Op::Kind::Write:
            case Op::Kind::Truncate: {
                const bool durable = flushedLater(i, op);
                if (op.kind == Op::Kind::Truncate) {
                    if (durable)
                        data[op.inode].resize(std::size_t(op.offset));
                    else
                        pendingData.push_back({op.inode, op.offset, nullptr, 0, true});
                    break;
                }
                constexpr std::uint64_t kSector = 512;
                std::uint64_t at = op.offset;
                const std::uint64_t end = op.offset + op.data.size();
                while (at < end) {
                    const std::uint64_t next = std::min(end, (at / kSector + 1) * kSector);
                    const Piece piece{at, op.data.data() + (at - op.offset), std::size_t(next - at)};
                    if (durable) {
                        Bytes& bytes = data[op.inode];
                        PutPiece(bytes, piece);
                    } else {
                        pendingData.push_back({op.inode, piece.offset, piece.data, piece.length, false});
                    }
                    at = next;
                }
                break;
            }
            }
        }
        std::vector<Pending> chosen;
        for (const Pending& pending : pendingData)
            if (take(item++))
                chosen.push_back(pending);
        std::shuffle(chosen.begin(), chosen.end(), random);
        for (const Pending& pending : chosen) {
            Bytes& bytes = data[pending.inode];
            if (pending.truncate)
                bytes.resize(std::size_t(pending.offset));
            else
                PutPiece(bytes, {pending.offset, pending.bytes, pending.length});
        }
        files.clear();
        for (const auto& [name, inode] : names)
            files[name] = data[inode];
        return item;
    }

    // The system calls, passed on and recorded.
    void Opened(const char* path, int flags, int fd, bool existed)
    {
        const std::string name = Normal(path);
        if (fd < 0 || !Inside(name))
            return;
        std::lock_guard lock(m_mutex);
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
            m_fds[fd] = {-1, name, 0};
            return;
        }
        int inode;
        if ((flags & O_CREAT) && !existed) {
            inode = m_nextInode++;
            m_ops.push_back({Op::Kind::Create, inode, name, {}, 0, {}});
        } else {
            const auto found = m_names.find(name);
            if (found == m_names.end())
                return; // made before recording began outside our view: not followed
            inode = found->second;
        }
        m_names[name] = inode;
        m_fds[fd] = {inode, name, 0};
    }
    void Wrote(int fd, const void* data, std::size_t length, std::int64_t offset)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_fds.find(fd);
        if (found == m_fds.end() || found->second.inode < 0)
            return;
        const std::uint64_t at = offset >= 0 ? std::uint64_t(offset) : found->second.position;
        if (offset < 0)
            found->second.position += length;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_ops.push_back({Op::Kind::Write, found->second.inode, {}, {}, at, Bytes(bytes, bytes + length)});
    }
    void Truncated(int fd, std::uint64_t size)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_fds.find(fd);
        if (found != m_fds.end() && found->second.inode >= 0)
            m_ops.push_back({Op::Kind::Truncate, found->second.inode, {}, {}, size, {}});
    }
    void Synced(int fd)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_fds.find(fd);
        if (found == m_fds.end())
            return;
        if (found->second.inode < 0)
            m_ops.push_back({Op::Kind::SyncFolder, -1, found->second.path, {}, 0, {}});
        else
            m_ops.push_back({Op::Kind::SyncFile, found->second.inode, {}, {}, 0, {}});
    }
    void Closed(int fd)
    {
        std::lock_guard lock(m_mutex);
        m_fds.erase(fd);
    }
    void Renamed(const char* from, const char* to)
    {
        const std::string source = Normal(from), target = Normal(to);
        if (!Inside(source) && !Inside(target))
            return;
        std::lock_guard lock(m_mutex);
        const auto found = m_names.find(source);
        if (found == m_names.end())
            return;
        const int inode = found->second;
        m_names.erase(found);
        m_names[target] = inode;
        m_ops.push_back({Op::Kind::Rename, inode, source, target, 0, {}});
    }
    void Unlinked(const char* path)
    {
        const std::string name = Normal(path);
        if (!Inside(name))
            return;
        std::lock_guard lock(m_mutex);
        if (m_names.erase(name) > 0)
            m_ops.push_back({Op::Kind::Unlink, -1, name, {}, 0, {}});
    }
    bool Watches(const char* path) const { return path && Inside(Normal(path)); }

    static std::string Parent(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

private:
    struct OpenFile {
        int inode;
        std::string path;
        std::uint64_t position;
    };
    static std::string Normal(const char* path) { return path ? std::filesystem::path(path).lexically_normal().string() : std::string(); }
    bool Inside(const std::string& path) const { return path.rfind(m_folder, 0) == 0; }

    std::string m_folder;
    std::mutex m_mutex;
    int m_nextInode = 0;
    std::map<std::string, int> m_names;
    std::map<std::string, int> m_initialNames;
    std::map<int, Bytes> m_initial;
    std::map<int, OpenFile> m_fds;
    std::vector<Op> m_ops;
};

template <typename Function>
Function RealFunction(const char* name)
{
    void* address = ::dlsym(RTLD_NEXT, name);
    Function function = nullptr;
    std::memcpy(&function, &address, sizeof function);
    return function;
}

#endif // _WIN32

class Worker {
public:
    Worker(Shared& shared, int thread) : m_shared(shared), m_thread(thread)
    {
        for (const CorpusDocument& document : *shared.corpus)
            m_pool.push_back(document);
    }

    void Run()
    {
        const Options& options = *m_shared.options;
        // Case numbers go on past edits that changed nothing, until enough saves were stopped;
        // each thread takes every `threads`th, so that a seed and a thread count repeat a run.
        for (long index = m_thread; m_shared.done.load() < options.saves; index += options.threads)
            OneCase(index);
    }

    Figures figures;

private:
    bool Check(const Bytes& bytes, const Snapshot& before, const Snapshot& after, long& old, long& fresh, long& damaged,
               const std::string& what)
    {
        const std::optional<Snapshot> found = ReadBack(bytes);
        if (found && *found == before) {
            ++old;
            return true;
        }
        if (found && *found == after) {
            ++fresh;
            return true;
        }
        ++damaged;
        std::lock_guard lock(m_shared.mutex);
        m_shared.damagedCases.push_back(what + (found ? " (reads as neither)" : " (does not open)"));
        if (!m_shared.options->keep.empty())
            WriteFile(m_shared.options->keep / ("damaged-" + std::to_string(m_shared.damagedCases.size()) + ".ole"), bytes);
        return false;
    }

    void OneCase(long index)
    {
        const Options& options = *m_shared.options;
        std::mt19937_64 random(options.seed * 0x9E3779B97F4A7C15ull + std::uint64_t(index));
        CorpusDocument& document = m_pool[std::size_t(random() % m_pool.size())];
        const std::vector<Edit> edits = RandomEdits(random, document.snapshot.names.size(), StreamBytes(document.snapshot));

        SaveRun full = Save(document.bytes, edits, -1, -1, true);
        if (full.failed && full.error == "no change") {
            ++figures.skipped;
            return;
        }
        const std::string what = document.name + " case " + std::to_string(index);
        if (full.failed) {
            ++figures.saveErrors;
            // A refused save must leave the file as it was.
            long ignoredOld = 0, ignoredNew = 0;
            Check(full.bytes, document.snapshot, document.snapshot, ignoredOld, ignoredNew, figures.damaged,
                  what + " failed save: " + full.error);
            return;
        }
        ++figures.completed;
        figures.truncations += full.truncations;
        const std::optional<Snapshot> written = ReadBack(full.bytes);
        if (!written || written->names != full.expected->names || written->texts != full.expected->texts
            || written->typeCodes != full.expected->typeCodes || written->otherStreams != document.snapshot.otherStreams) {
            ++figures.damaged;
            std::lock_guard lock(m_shared.mutex);
            m_shared.damagedCases.push_back(what + " completed save reads back wrong");
            return;
        }
        const Snapshot& before = document.snapshot;
        const Snapshot& after = *written;

        // The stop point: before one of the writes or one of the flushes.
        const int points = full.writes + full.flushes;
        const int point = int(random() % std::uint64_t(points));
        const bool atWrite = point < full.writes;
        const int stopWrite = atWrite ? point : -1;
        const int stopFlush = atWrite ? -1 : point - full.writes;
        SaveRun stopped = Save(document.bytes, edits, stopWrite, stopFlush, false);
        ++figures.saves;
        figures.bySectorSize[document.bytes.size() > 30 && document.bytes[30] == 12 ? "4096" : "512"]++;
        figures.stops[{full.writes, full.flushes}][(atWrite ? "w" + std::to_string(stopWrite + 1)
                                                            : "f" + std::to_string(stopFlush + 1))]++;
        const std::string stopName = what + (atWrite ? " stopped before write " : " stopped before flush ")
            + std::to_string(atWrite ? stopWrite + 1 : stopFlush + 1);
        if (!stopped.stopped)
            stopped.failed = true;
        Check(stopped.bytes, before, after, figures.readOld, figures.readNew, figures.damaged,
              stopName + (stopped.stopped ? "" : " (the save did not stop: " + stopped.error + ")"));
        // Drawn, not taken from the case number: with threads taking every `threads`th case, a
        // multiple would put all of them on one thread's documents.
        const std::uint64_t draw = random();
        if (options.olefileEvery > 0 && draw % std::uint64_t(options.olefileEvery) == 0 && !options.keep.empty())
            QueueForOlefile(index, stopped.bytes, before, after);
        if (options.powerEvery > 0 && (draw >> 32) % std::uint64_t(options.powerEvery) == 0)
            PowerCuts(document.bytes, full.ops, before, after, random, what);

        const std::size_t beforeBytes = StreamBytes(before), afterBytes = StreamBytes(after);
        if (beforeBytes < 4096 && afterBytes >= 4096)
            ++figures.crossedUp;
        if (beforeBytes >= 4096 && afterBytes < 4096)
            ++figures.crossedDown;
        // The document carries on with the new state, back to its original now and then.
        if (random() % 50 == 0) {
            document = (*m_shared.corpus)[std::size_t(&document - m_pool.data())];
        } else {
            document.bytes = std::move(full.bytes);
            document.snapshot = after;
        }
        const long done = m_shared.done.fetch_add(1) + 1;
        if (done % 50000 == 0)
            std::fprintf(stderr, "  %ld saves\n", done);
    }

    // Every state a power cut during the save could leave: for each flush, what was durable
    // before it plus a subset of the sector pieces written since the flush before, put down in
    // a random order.
    void PowerCuts(const Bytes& original, const std::vector<RecordingFile::Op>& ops, const Snapshot& before,
                   const Snapshot& after, std::mt19937_64& random, const std::string& what)
    {
        Bytes durable = original;
        std::vector<RecordingFile::Op> pending;
        std::size_t flushIndex = 0;
        const auto playSegment = [&] {
            const std::vector<Piece> pieces = SectorPieces(pending);
            const std::size_t n = pieces.size();
            const bool every = n <= 6;
            const std::size_t states = every ? (std::size_t(1) << n) : 48;
            for (std::size_t s = 0; s < states; ++s) {
                std::vector<std::size_t> chosen;
                for (std::size_t i = 0; i < n; ++i) {
                    const bool take = every ? ((s >> i) & 1) != 0 : (s == 1 || (s > 1 && random() % 2 == 0));
                    if (take)
                        chosen.push_back(i);
                }
                std::shuffle(chosen.begin(), chosen.end(), random);
                Bytes state = durable;
                for (std::size_t i : chosen)
                    PutPiece(state, pieces[i]);
                ++figures.powerStates;
                Check(state, before, after, figures.powerOld, figures.powerNew, figures.powerDamaged,
                      what + " power cut after flush " + std::to_string(flushIndex) + " with " + std::to_string(chosen.size())
                          + " of " + std::to_string(n) + " sector pieces");
            }
            for (const Piece& piece : pieces)
                PutPiece(durable, piece);
            pending.clear();
        };
        for (const RecordingFile::Op& op : ops) {
            if (op.flush) {
                playSegment();
                ++flushIndex;
            } else {
                pending.push_back(op);
            }
        }
        playSegment();
    }

    void QueueForOlefile(long index, const Bytes& bytes, const Snapshot& before, const Snapshot& after)
    {
        const std::optional<Snapshot> found = ReadBack(bytes);
        if (!found)
            return; // counted as damaged already
        const Snapshot& expected = *found == before ? before : after;
        const std::filesystem::path file = m_shared.options->keep / ("sample-" + std::to_string(index) + ".ole");
        WriteFile(file, bytes);
        std::string line = file.string();
        for (std::size_t i = 0; i < expected.names.size(); ++i)
            line += "\t" + Hex(expected.names[i]) + ":" + (expected.typeCodes[i] == 1 ? Hex(expected.texts[i]) : "-");
        std::lock_guard lock(m_shared.mutex);
        m_shared.olefileManifest.push_back(line);
    }

    Shared& m_shared;
    int m_thread;
    std::vector<CorpusDocument> m_pool;
};


#ifndef _WIN32

struct FileSystemFigures {
    long runs = 0;
    long ops = 0;         // system calls recorded
    long states = 0;
    long damaged = 0;     // a file that reads as neither the old nor the new, or a journal that does not parse
    long notDurable = 0;  // a state after the call returned that lost what it promised
    long leftOver = 0;    // states with a temporary file left beside the target (litter, not damage)
    std::vector<std::string> problems;
    void Problem(const std::string& what)
    {
        if (problems.size() < 20)
            problems.push_back(what);
    }
};

// Plays every power cut of the record: after each op, every subset of what was pending when
// there are at most 8 items, else 64 of them (none, all, and random ones).
template <typename Check>
void PlayPowerCuts(const FileSystemRecorder& recorder, std::mt19937_64& random, FileSystemFigures& figures, Check check)
{
    std::map<std::string, Bytes> files;
    for (std::size_t cut = 0; cut <= recorder.Ops().size(); ++cut) {
        const std::size_t pending = recorder.StateAt(cut, [](std::size_t) { return false; }, random, files);
        const bool every = pending <= 8;
        const std::size_t states = every ? (std::size_t(1) << pending) : 64;
        for (std::size_t state = 0; state < states; ++state) {
            const auto take = [&](std::size_t item) {
                return every ? ((state >> item) & 1) != 0 : state == 1 || (state > 1 && random() % 2 == 0);
            };
            recorder.StateAt(cut, take, random, files);
            ++figures.states;
            check(cut, files);
        }
    }
}

void ClearFolder(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(entry.path());
}

std::string RandomText(std::mt19937_64& random, std::size_t length)
{
    return ValueOfLength(random, length);
}

// The safe replacement of a whole file: the old content (or none) and the new one, of sizes
// from empty to a few sectors.
void SafeReplacementRun(std::mt19937_64& random, const std::filesystem::path& folder, FileSystemFigures& figures)
{
    ClearFolder(folder);
    const std::filesystem::path target = (folder / "list.txt").lexically_normal();
    const bool existed = random() % 4 != 0;
    const std::string oldText = RandomText(random, std::size_t(random() % 3000));
    const std::string newText = RandomText(random, std::size_t(random() % 3000));
    if (existed)
        WriteFile(target, Bytes(oldText.begin(), oldText.end()));
    FileSystemRecorder recorder(folder);
    FileSystemRecorder::Active().store(&recorder);
    QString reason;
    const bool ok = ReplaceFileContents(QString::fromStdString(target.string()), QByteArray::fromStdString(newText), &reason);
    FileSystemRecorder::Active().store(nullptr);
    ++figures.runs;
    if (!ok) {
        figures.Problem("the replacement failed: " + reason.toStdString());
        ++figures.damaged;
        return;
    }
    const Bytes oldBytes(oldText.begin(), oldText.end()), newBytes(newText.begin(), newText.end());
    figures.ops += long(recorder.Ops().size());
    PlayPowerCuts(recorder, random, figures, [&](std::size_t cut, const std::map<std::string, Bytes>& files) {
        const auto found = files.find(target.string());
        const bool isOld = existed ? found != files.end() && found->second == oldBytes : found == files.end();
        const bool isNew = found != files.end() && found->second == newBytes;
        if (!isOld && !isNew) {
            ++figures.damaged;
            figures.Problem("safe replacement: power cut after op " + std::to_string(cut) + " leaves the file neither old nor new");
        } else if (cut == recorder.Ops().size() && !isNew) {
            ++figures.notDurable;
            figures.Problem("safe replacement: a power cut after it returned brings back the " + std::string(existed ? "old file" : "missing file"));
        }
        if (files.size() > 1)
            ++figures.leftOver;
    });
}

std::vector<JournalItem> JournalItems(std::mt19937_64& random, std::size_t first, std::size_t count)
{
    std::vector<JournalItem> items;
    for (std::size_t i = 0; i < count; ++i) {
        JournalItem item;
        item.path = QStringLiteral("/vault/project/part %1.par").arg(first + i);
        item.identity = QStringLiteral("2049:%1").arg(100000 + first + i);
        item.properties.push_back({QStringLiteral("Material"), QStringLiteral("Text"),
                                   QString::fromStdString(RandomText(random, std::size_t(random() % 700)))});
        items.push_back(item);
    }
    return items;
}

// One run of the undo journal: its header and items, marks, perhaps a batch, its end.
void JournalRunRun(std::mt19937_64& random, const std::filesystem::path& folder, FileSystemFigures& figures)
{
    ClearFolder(folder);
    FileSystemRecorder recorder(folder);
    FileSystemRecorder::Active().store(&recorder);
    std::vector<std::pair<std::size_t, std::size_t>> promised; // after this many ops, this many items
    std::size_t endAt = SIZE_MAX;
    std::string fileName;
    std::vector<JournalItem> all = JournalItems(random, 0, 1 + std::size_t(random() % 4));
    try {
        JournalWriter writer(QString::fromLatin1(kPropertiesJournal), all);
        fileName = std::filesystem::path(writer.FileName().toStdString()).lexically_normal().string();
        promised.emplace_back(recorder.OpCount(), all.size());
        const auto markSome = [&](std::size_t from) {
            for (std::size_t i = from; i < all.size(); ++i) {
                if (i == 0 || random() % 4 != 0)
                    writer.MarkDone(qsizetype(i), QStringLiteral("saved"));
                else
                    writer.MarkFailed(qsizetype(i), QStringLiteral("It is read-only."));
            }
        };
        markSome(0);
        if (random() % 2 == 0) {
            const std::size_t from = all.size();
            const std::vector<JournalItem> batch = JournalItems(random, from, 1 + std::size_t(random() % 3));
            writer.AppendItems(batch);
            all.insert(all.end(), batch.begin(), batch.end());
            promised.emplace_back(recorder.OpCount(), all.size());
            markSome(from);
        }
        writer.End(true);
        endAt = recorder.OpCount();
    } catch (const std::exception& e) {
        figures.Problem(std::string("the journal could not be written: ") + e.what());
        ++figures.damaged;
    }
    // Half the runs are then taken back, which appends the undo's marks to the same file.
    std::size_t undoEndAt = SIZE_MAX;
    if (endAt != SIZE_MAX && random() % 2 == 0) {
        JournalUndo undo(QString::fromLatin1(kPropertiesJournal));
        if (undo.UndoStatus() == JournalUndo::Ready) {
            for (std::size_t i = 0; i < undo.Run().items.size(); ++i)
                if (undo.Run().states[i].mark == JournalMark::Done)
                    undo.MarkUndone(qsizetype(i));
            if (undo.End())
                undoEndAt = recorder.OpCount();
        }
        if (undoEndAt == SIZE_MAX) {
            figures.Problem("the undo could not be recorded: " + undo.Problem().toStdString());
            ++figures.damaged;
        }
    }
    FileSystemRecorder::Active().store(nullptr);
    ++figures.runs;
    if (fileName.empty())
        return;
    figures.ops += long(recorder.Ops().size());
    PlayPowerCuts(recorder, random, figures, [&](std::size_t cut, const std::map<std::string, Bytes>& files) {
        std::size_t needed = 0;
        for (const auto& [at, items] : promised)
            if (cut >= at)
                needed = items;
        const auto found = files.find(fileName);
        if (found == files.end()) {
            if (needed > 0) {
                ++figures.notDurable;
                figures.Problem("journal: the run is gone after a power cut after op " + std::to_string(cut));
            }
            return;
        }
        QString problem;
        const std::optional<JournalRun> run = JournalRun::Parse(
            QByteArray(reinterpret_cast<const char*>(found->second.data()), qsizetype(found->second.size())), &problem);
        if (!run) {
            ++figures.damaged;
            figures.Problem("journal: a power cut after op " + std::to_string(cut) + " leaves a run that " + problem.toStdString());
            return;
        }
        bool itemsRight = run->items.size() >= std::max<std::size_t>(needed, 1) && run->items.size() <= all.size();
        for (std::size_t i = 0; itemsRight && i < run->items.size(); ++i)
            itemsRight = run->items[i].path == all[i].path && run->items[i].identity == all[i].identity
                && run->items[i].properties.size() == 1 && run->items[i].properties[0].value == all[i].properties[0].value;
        if (!itemsRight) {
            ++figures.damaged;
            figures.Problem("journal: a power cut after op " + std::to_string(cut) + " leaves other items than were written");
        } else if (cut >= endAt && (!run->ended || !run->completed)) {
            ++figures.notDurable;
            figures.Problem("journal: the end line is lost by a power cut after End returned");
        } else if (cut >= undoEndAt && !run->undoEnded) {
            ++figures.notDurable;
            figures.Problem("journal: the undo's end is lost by a power cut after it returned");
        }
    });
}

#endif // _WIN32

// olefile reads every sampled file in one Python process: for each manifest line, the names of
// the custom properties and the text values must be what our reader found.
const char kOlefileCheck[] = R"PY(
import io, json, sys, contextlib
sys.path.insert(0, sys.argv[1])
import olereader
checked = bad = 0
for line in open(sys.argv[2], encoding="utf-8"):
    fields = line.rstrip("\n").split("\t")
    path, expected = fields[0], [f.split(":") for f in fields[1:]]
    out = io.StringIO()
    try:
        with contextlib.redirect_stdout(out):
            olereader.main(path)
        props = json.loads(out.getvalue())["properties"]
        names = [p["name"] for p in props]
        want = [bytes.fromhex(n).decode("utf-8") for n, _ in expected]
        ok = names == want
        for (n, t), p in zip(expected, props):
            if t != "-" and p["value"] != bytes.fromhex(t).decode("utf-8"):
                ok = False
    except Exception as e:
        ok = False
        print("olefile error", path, e)
    checked += 1
    if not ok:
        bad += 1
        print("olefile mismatch", path)
print("olefile checked", checked, "mismatched", bad)
sys.exit(1 if bad else 0)
)PY";

bool ParseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (argument == "--seed")
            options.seed = std::stoull(value());
        else if (argument == "--saves")
            options.saves = std::stol(value());
        else if (argument == "--threads")
            options.threads = std::max(1, std::stoi(value()));
        else if (argument == "--power-every")
            options.powerEvery = std::stol(value());
        else if (argument == "--olefile-every")
            options.olefileEvery = std::stol(value());
        else if (argument == "--filesystem-runs")
            options.filesystemRuns = std::stol(value());
        else if (argument == "--keep")
            options.keep = value();
        else {
            std::fprintf(stderr, "usage: %s [--seed S] [--saves N] [--threads T] [--power-every P] "
                                 "[--olefile-every K] [--filesystem-runs R] [--keep FOLDER]\n", argv[0]);
            return false;
        }
    }
    return true;
}

} // namespace

#ifndef _WIN32
// The process's own system calls on files, seen by the active FileSystemRecorder (above).
extern "C" {

int open(const char* path, int flags, ...)
{
    static const auto real = RealFunction<int (*)(const char*, int, ...)>("open");
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    FileSystemRecorder* recorder = FileSystemRecorder::Active().load();
    bool existed = false;
    if (recorder && recorder->Watches(path)) {
        struct stat status {};
        existed = ::lstat(path, &status) == 0;
    }
    const int fd = real(path, flags, mode);
    if (recorder)
        recorder->Opened(path, flags, fd, existed);
    return fd;
}

ssize_t write(int fd, const void* data, size_t length)
{
    static const auto real = RealFunction<ssize_t (*)(int, const void*, size_t)>("write");
    const ssize_t written = real(fd, data, length);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && written > 0)
        recorder->Wrote(fd, data, std::size_t(written), -1);
    return written;
}

ssize_t pwrite(int fd, const void* data, size_t length, off_t offset)
{
    static const auto real = RealFunction<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    const ssize_t written = real(fd, data, length, offset);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && written > 0)
        recorder->Wrote(fd, data, std::size_t(written), offset);
    return written;
}

int ftruncate(int fd, off_t size) noexcept
{
    static const auto real = RealFunction<int (*)(int, off_t)>("ftruncate");
    const int result = real(fd, size);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Truncated(fd, std::uint64_t(size));
    return result;
}

int fsync(int fd)
{
    static const auto real = RealFunction<int (*)(int)>("fsync");
    const int result = real(fd);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Synced(fd);
    return result;
}

int fdatasync(int fd)
{
    static const auto real = RealFunction<int (*)(int)>("fdatasync");
    const int result = real(fd);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Synced(fd);
    return result;
}

int close(int fd)
{
    static const auto real = RealFunction<int (*)(int)>("close");
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load())
        recorder->Closed(fd);
    return real(fd);
}

int rename(const char* from, const char* to) noexcept
{
    static const auto real = RealFunction<int (*)(const char*, const char*)>("rename");
    const int result = real(from, to);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Renamed(from, to);
    return result;
}

int unlink(const char* path) noexcept
{
    static const auto real = RealFunction<int (*)(const char*)>("unlink");
    const int result = real(path);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Unlinked(path);
    return result;
}

int remove(const char* path) noexcept
{
    static const auto real = RealFunction<int (*)(const char*)>("remove");
    const int result = real(path);
    if (FileSystemRecorder* recorder = FileSystemRecorder::Active().load(); recorder && result == 0)
        recorder->Unlinked(path);
    return result;
}

} // extern "C"
#endif // _WIN32

int main(int argc, char** argv)
{
    Options options;
    if (!ParseArguments(argc, argv, options))
        return 2;
    if (options.keep.empty())
        options.keep = std::filesystem::temp_directory_path() / ("krdl-crashsoak-" + std::to_string(options.seed));
    std::filesystem::create_directories(options.keep);

    const std::vector<CorpusDocument> corpus = Corpus();
    std::printf("crash soak: seed %llu, %ld saves, %d threads, power cuts every %ld, olefile every %ld, corpus %zu documents\n",
                static_cast<unsigned long long>(options.seed), options.saves, options.threads, options.powerEvery,
                options.olefileEvery, corpus.size());
    Shared shared;
    shared.options = &options;
    shared.corpus = &corpus;
    std::vector<std::unique_ptr<Worker>> workers;
    for (int t = 0; t < options.threads; ++t)
        workers.push_back(std::make_unique<Worker>(shared, t));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (auto& worker : workers)
        threads.emplace_back([&worker] { worker->Run(); });
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    Figures total;
    for (auto& worker : workers)
        total.Add(worker->figures);
    std::printf("stopped saves %ld in %.1f s: %.0f per second (each also saved once in full: %ld)\n", total.saves, seconds,
                double(total.saves) / seconds, total.completed);
    std::printf("  read back old %ld, new %ld, damaged %ld\n", total.readOld, total.readNew, total.damaged);
    std::printf("  by sector size: 512 %ld, 4096 %ld\n", total.bySectorSize["512"], total.bySectorSize["4096"]);
    std::printf("  stream crossed 4096 bytes up %ld, down %ld; edits skipped %ld; saves refused %ld; truncations %ld\n",
                total.crossedUp, total.crossedDown, total.skipped, total.saveErrors, total.truncations);
    std::printf("power-cut states %ld: old %ld, new %ld, damaged %ld\n", total.powerStates, total.powerOld, total.powerNew,
                total.powerDamaged);
    std::printf("stop points (save of n writes and m flushes: stopped before write k / flush k, count):\n");
    for (const auto& [shape, points] : total.stops) {
        long saves = 0;
        for (const auto& [point, count] : points)
            saves += count;
        std::printf("  %2d writes %d flushes, %ld saves:", shape.first, shape.second, saves);
        for (int k = 1; k <= shape.first; ++k) {
            const auto found = points.find("w" + std::to_string(k));
            std::printf(" w%d %ld", k, found == points.end() ? 0L : found->second);
        }
        for (int k = 1; k <= shape.second; ++k) {
            const auto found = points.find("f" + std::to_string(k));
            std::printf(" f%d %ld", k, found == points.end() ? 0L : found->second);
        }
        std::printf("\n");
    }
    for (std::size_t i = 0; i < shared.damagedCases.size() && i < 20; ++i)
        std::printf("DAMAGED: %s\n", shared.damagedCases[i].c_str());

    int olefileStatus = 0;
    if (!shared.olefileManifest.empty()) {
        const std::filesystem::path manifest = options.keep / "olefile-manifest.txt";
        const std::filesystem::path script = options.keep / "olefile-check.py";
        {
            std::ofstream out(manifest);
            for (const std::string& line : shared.olefileManifest)
                out << line << '\n';
            std::ofstream(script) << kOlefileCheck;
        }
        const std::string command = "/usr/bin/python3 '" + script.string() + "' '" KRDL_SOURCE_DIR "/tests/compound/tools' '"
            + manifest.string() + "'";
        std::fflush(stdout);
        olefileStatus = std::system(command.c_str());
    }
    bool filesystemClean = true;
#ifndef _WIN32
    if (options.filesystemRuns > 0) {
        // The journal goes to <data>/krdl/journal, its locks to the runtime folder, both ours.
        const std::filesystem::path data = options.keep / "data", runtime = options.keep / "runtime";
        const std::filesystem::path journal = data / "krdl" / "journal", replace = options.keep / "replace";
        for (const auto& folder : {journal, runtime, replace})
            std::filesystem::create_directories(folder);
        ::setenv("KRDL_DATA_HOME", data.c_str(), 1);
        ::setenv("KRDL_RUNTIME_DIR", runtime.c_str(), 1);
        std::mt19937_64 random(options.seed);
        FileSystemFigures replacement, journalRuns;
        const auto fsStart = std::chrono::steady_clock::now();
        for (long run = 0; run < options.filesystemRuns; ++run) {
            SafeReplacementRun(random, replace, replacement);
            JournalRunRun(random, journal, journalRuns);
        }
        const double fsSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - fsStart).count();
        const std::pair<const char*, FileSystemFigures*> reports[] = {{"safe replacement", &replacement},
                                                                      {"undo journal", &journalRuns}};
        for (const auto& [name, figures] : reports) {
            std::printf("power cuts, %s: %ld runs, %ld recorded calls, %ld states: damaged %ld, lost after return %ld, "
                        "temporary file left %ld\n",
                        name, figures->runs, figures->ops, figures->states, figures->damaged, figures->notDurable, figures->leftOver);
            for (const std::string& problem : figures->problems)
                std::printf("  %s\n", problem.c_str());
            filesystemClean = filesystemClean && figures->damaged == 0 && figures->notDurable == 0;
        }
        std::printf("  (%.1f s)\n", fsSeconds);
    }
#endif
    const bool clean = total.damaged == 0 && total.powerDamaged == 0 && olefileStatus == 0 && filesystemClean;
    std::printf("%s\n", clean ? "result: no damaged document" : "result: DAMAGED DOCUMENTS FOUND");
    return clean ? 0 : 1;
}
