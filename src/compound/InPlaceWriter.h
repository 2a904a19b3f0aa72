#pragma once
// Crash-safe saving in place. A save never writes into a sector that the file's current state
// uses: the new stream, and every table or directory sector that has to change, go to sectors
// that are free or appended at the end. When all of them are written the file is flushed, and
// only then is the header, which points at the new tables, rewritten in one write and flushed
// again. A process stopped at any write therefore leaves the old state or the new one.

#include "compound/CompoundReader.h"

#include <optional>
#include <string>
#include <vector>

namespace cfb {

class InPlaceWriter {
public:
    // `reader` describes the file's committed state; its file must be writable.
    explicit InPlaceWriter(CompoundReader& reader);
    // Gives the stream `name` directly under the root the content `content`: the existing
    // entry `entry` when given, otherwise a new stream entry. Commits before returning; the
    // reader is stale afterwards. Throws cfb::Error; on a throw the file still holds its old
    // state (or, when the failure came after the header write, the new one).
    void ReplaceRootStream(std::optional<std::uint32_t> entry, const std::u16string& name,
                           const std::vector<std::uint8_t>& content);

private:
    CompoundReader& m_reader;
};

} // namespace cfb
