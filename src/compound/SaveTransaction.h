#pragma once
// Crash-safe saving in place. A save never writes into a sector that the file's committed state
// uses: the layers' editors (`FatEditor`, `MiniStreamEditor`, `DirectoryEditor`) put the new
// stream and every table or directory sector that has to change into sectors that are free or
// appended at the end. When all of them are written the file is flushed, and only then is the
// header, which points at the new tables, rewritten in one write and flushed again. A process
// stopped at any write therefore leaves the old state or the new one, and a save that fails
// gives the file back byte for byte.

#include "compound/CompoundReader.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cfb {

// New content for one stream directly under the root: the existing entry `entry` when given,
// otherwise a new stream entry `name`.
struct RootStreamContent {
    std::optional<std::uint32_t> entry;
    std::u16string name;
    std::vector<std::uint8_t> content;
};

class SaveTransaction {
public:
    // Gives the stream `name` directly under the root of `reader`'s file the content `content`:
    // the existing entry `entry` when given, otherwise a new stream entry. `reader` describes the
    // file's committed state; its file must be writable. Commits before returning; the reader is
    // stale afterwards. Throws cfb::Error; on a throw the file still holds its old state (or,
    // when the failure came after the header write, the new one).
    static void ReplaceRootStream(CompoundReader& reader, std::optional<std::uint32_t> entry,
                                  const std::u16string& name, const std::vector<std::uint8_t>& content);
    // Gives several streams their new content in one commit: after a stop at any write the file
    // holds all of them old or all of them new.
    static void ReplaceRootStreams(CompoundReader& reader, const std::vector<RootStreamContent>& streams);

private:
    using SectorCopies = std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;

    explicit SaveTransaction(CompoundReader& reader);
    void Replace(const std::vector<RootStreamContent>& streams);
    void Commit();
    SectorCopies ReusedSectors();
    void WriteImages();
    void Rollback(const SectorCopies& reused, bool headerWritten);

    CompoundReader& m_reader;
    Header m_header; // the header this save commits
    SectorImages m_images;
    FatEditor m_fat;
    DirectoryEditor m_directory;
    MiniStreamEditor m_mini;
};

} // namespace cfb
