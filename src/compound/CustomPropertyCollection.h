#pragma once
// The custom properties of one document: the user-defined section of the
// "\005DocumentSummaryInformation" stream, as a list in the order of the section's table.
// Reading never writes; edits stay in memory until Save, which writes in place and crash-safe.

#include "compound/PropertySet.h"
#include "compound/CompoundReader.h"
#include "compound/SystemProperties.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cfb {

// Type codes of custom properties: 1 text, 2 16- or 32-bit integer, 3 floating point,
// 4 Boolean, 5 date, 0 anything else.
int TypeCode(std::uint16_t vt);

struct CustomProperty {
    std::uint32_t id = 0;
    std::string name; // UTF-8; empty when the dictionary names no such id
    PropertyValue value;
    int typeCode = 0;
};

class CustomPropertyCollection {
public:
    // Reads the header, the directory and the property stream of `file` (which must outlive the
    // collection). Throws cfb::Error("not a compound file") or another cfb::Error for a damaged
    // file. A document without the stream has no custom properties.
    // The document's own property sets are read when first asked for (see SystemValue), or at
    // once with `withSystem`.
    explicit CustomPropertyCollection(BlockFile& file, bool withSystem = false);
    ~CustomPropertyCollection();

    std::size_t Count() const { return m_visible.size(); }
    // The property at `index` (0..Count()-1); throws cfb::Error for any other index.
    CustomProperty Item(std::size_t index) const;
    // Parts of the property at `index` without copying it; valid until the collection changes.
    // Throw cfb::Error like Item.
    const std::string& NameAt(std::size_t index) const;
    const PropertyValue& ValueAt(std::size_t index) const;
    int TypeCodeAt(std::size_t index) const;
    // The stored typed value (type word first), as Section::AddStored takes it back.
    const std::vector<std::uint8_t>& RawAt(std::size_t index) const;
    // Removes the property at `index`; later properties move down one place.
    void Remove(std::size_t index);
    // Adds a text property at the end. Throws cfb::Error when the name cannot be stored in the
    // section's code page.
    void AddText(const std::string& name, const std::string& value);
    // Adds a property at the end with its stored typed value (RawAt); see Section::AddStored.
    void AddStored(const std::string& name, std::vector<std::uint8_t> raw);
    // True when there are changes that Save would write.
    bool Modified() const { return m_modified; }
    // Writes the changes into the file (nothing when there are none) and reads it back. Custom
    // and system changes go into the file in one commit: all of them or none.
    void Save();

    // The document's own properties. True when the document has `set` and it could be read.
    bool HasSystemSet(SystemSet set) const;
    // Why `set` could not be read, empty when it could or when the document lacks it.
    const std::string& SystemSetError(SystemSet set) const;
    // The value of `definition`, or nullptr when the document has no such property.
    const PropertyValue* SystemValue(const SystemPropertyDefinition& definition) const;
    // The stored typed value of `definition` (type word first), or nullptr.
    const std::vector<std::uint8_t>* SystemRaw(const SystemPropertyDefinition& definition) const;
    // Gives the editable property `definition` the text `text`, in its set's code page and with
    // the string type the property or else the set already uses. A missing summary information
    // set is created on save; a missing Solid Edge set is not. Throws cfb::Error naming the
    // property for a read-only property, a set the document lacks or cannot be read, and text
    // that does not fit the set's code page; nothing changes then.
    void SetSystemText(const SystemPropertyDefinition& definition, const std::string& text);
    // True when SetSystemText may change `definition`: it is editable and the document has its
    // set, or lacks a set that a save creates.
    bool SystemWritable(const SystemPropertyDefinition& definition) const;
    // Gives `definition` back a stored typed value `raw` as SystemRaw gave it (undo), or removes
    // it when `raw` is empty. Throws cfb::Error like SetSystemText.
    void SetSystemRaw(const SystemPropertyDefinition& definition, std::vector<std::uint8_t> raw);

    // The section's code page (1200 for Unicode).
    std::uint16_t CodePage() const { return m_section.codePage; }
    bool HasStream() const { return m_entry.has_value(); }

private:
    struct SystemSetState {
        std::optional<std::uint32_t> entry; // the stream holding the set (not for DocumentSummary)
        PropertySetStream stream;
        std::optional<Section> section;      // the set's section, when read
        std::string error;
        bool modified = false;
    };

    void Load();
    void LoadSystem() const;
    void LoadSystemSet(SystemSet set) const;
    SystemSetState& EditableSet(const SystemPropertyDefinition& definition);
    std::vector<std::uint8_t> DocumentSummaryBytes() const;
    void Reindex();
    const SectionProperty& At(std::size_t index) const;

    BlockFile& m_file;
    std::unique_ptr<CompoundReader> m_reader;
    std::optional<std::uint32_t> m_entry;
    PropertySetStream m_stream;
    Section m_section;
    std::vector<std::size_t> m_visible; // indexes into m_section.properties
    bool m_modified = false;
    // Each set is read on its first use, so that a grid asking for the summary set's Title does
    // not parse the material and status sets too; edits load their set first, so it is never
    // stale then, and a save writes only sets that were loaded and changed.
    mutable std::array<bool, kSystemSetCount> m_systemLoaded{};
    mutable std::array<SystemSetState, kSystemSetCount> m_system;
};

// Name of the stream that holds the custom properties.
const std::u16string& DocumentSummaryStreamName();

} // namespace cfb
