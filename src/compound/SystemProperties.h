#pragma once
// The document's own properties: those of the summary information set, of the first section of
// the document summary information set, and of Solid Edge's sets (project information, status,
// material). Each one is a fixed (set, property id) pair with a display name; which of them may
// be edited is decided here, once.

#include "compound/PropertySet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cfb {

enum class SystemSet : std::uint8_t {
    Summary,            // "\005SummaryInformation"
    DocumentSummary,    // the first section of "\005DocumentSummaryInformation"
    ProjectInformation, // Solid Edge: document number, revision, project name
    ExtendedSummary,    // Solid Edge: status (among others)
    MechanicalModeling, // Solid Edge: material
};

inline constexpr int kSystemSetCount = 5;

struct SystemPropertyDefinition {
    SystemSet set = SystemSet::Summary;
    std::uint32_t id = 0;
    const char* name = ""; // the display name, also the name after "System." in files
    bool editable = false;
};

// Every system property, in the order the program lists them.
const std::vector<SystemPropertyDefinition>& SystemPropertyDefinitions();
// The definition named `name` (ASCII letters compared ignoring case), or nullptr.
const SystemPropertyDefinition* FindSystemProperty(const std::string& name);

const Fmtid& SystemSetFmtid(SystemSet set);
// The name of the stream under the root that holds `set`.
const std::u16string& SystemSetStreamName(SystemSet set);
// A name for messages and tooltips, e.g. "summary information".
const char* SystemSetName(SystemSet set);
// Only the summary information stream is created when a document lacks it (Windows does the
// same); Solid Edge's sets belong to Solid Edge and are never created.
bool SystemSetMayBeCreated(SystemSet set);

// The stored typed value (type word first) of `text` as a string of type `vt` (VT_LPSTR or
// VT_LPWSTR) in a section of code page `codePage`, padded to four bytes; nothing when a
// character has no place in the code page.
std::optional<std::vector<std::uint8_t>> EncodeString(const std::string& text, std::uint16_t vt, std::uint16_t codePage);

} // namespace cfb
