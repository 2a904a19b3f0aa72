#include "compound/CustomPropertyCollection.h"

#include "compound/Cfb.h"
#include "compound/CodePage.h"
#include "compound/SaveTransaction.h"

namespace cfb {

namespace {

constexpr std::uint64_t kMaxPropertyStream = 16u << 20;

bool Visible(std::uint32_t id) { return id >= 2 && id < 0x80000000u; }

// A stored value without the zero bytes that pad it: a value read back carries only what its
// type says it takes, one just added carries its padding too.
std::vector<std::uint8_t> Unpadded(std::vector<std::uint8_t> raw)
{
    while (!raw.empty() && raw.back() == 0)
        raw.pop_back();
    return raw;
}

// Throws unless `bytes`, parsed as Load parses a property stream, hold the user-defined section
// `intended`: its code page, and its properties in order with their ids, names, types, stored
// values and decoded text.
void CheckReadsBack(const std::vector<std::uint8_t>& bytes, const Section& intended)
{
    const auto fail = [](const std::string& why) {
        throw Error("the new custom properties would not read back as written (" + why + "); nothing was saved");
    };
    Section read;
    try {
        read = PropertySetStream::Parse(bytes).user;
    } catch (const Error& e) {
        fail(e.what());
    }
    if (read.codePage != intended.codePage)
        fail("code page " + std::to_string(read.codePage) + " instead of " + std::to_string(intended.codePage));
    std::vector<const SectionProperty*> want, got;
    for (const SectionProperty& p : intended.properties)
        if (Visible(p.id))
            want.push_back(&p);
    for (const SectionProperty& p : read.properties)
        if (Visible(p.id))
            got.push_back(&p);
    if (want.size() != got.size())
        fail(std::to_string(got.size()) + " properties instead of " + std::to_string(want.size()));
    for (std::size_t i = 0; i < want.size(); ++i) {
        const DictionaryEntry* wantName = intended.NameOf(want[i]->id);
        const DictionaryEntry* gotName = read.NameOf(got[i]->id);
        const std::string name = wantName ? wantName->name : std::string();
        if (got[i]->id != want[i]->id || (gotName ? gotName->name : std::string()) != name
            || got[i]->value.vt != want[i]->value.vt || got[i]->value.known != want[i]->value.known
            || got[i]->value.text != want[i]->value.text || Unpadded(got[i]->raw) != Unpadded(want[i]->raw))
            fail("property \"" + name + "\" differs");
    }
}

// Throws unless `bytes` hold, in their section `fmtid`, the properties of `intended` with the
// same ids, types and stored values, in the same order.
void CheckSectionReadsBack(const std::vector<std::uint8_t>& bytes, const Fmtid& fmtid, const Section& intended,
                           const char* setName)
{
    const auto fail = [setName](const std::string& why) {
        throw Error(std::string("the document's ") + setName + " set would not read back as written (" + why
                    + "); nothing was saved");
    };
    Section read;
    try {
        const PropertySetStream stream = PropertySetStream::Parse(bytes);
        const auto index = stream.SectionIndex(fmtid);
        if (!index)
            fail("the section is missing");
        read = stream.ParseSection(*index);
    } catch (const Error& e) {
        fail(e.what());
    }
    if (read.codePage != intended.codePage || read.properties.size() != intended.properties.size())
        fail("a different section");
    for (std::size_t i = 0; i < read.properties.size(); ++i) {
        const SectionProperty& want = intended.properties[i];
        const SectionProperty& got = read.properties[i];
        if (want.id != got.id || want.value.vt != got.value.vt || want.value.text != got.value.text
            || (want.id != 0 && Unpadded(want.raw) != Unpadded(got.raw)))
            fail("property " + std::to_string(want.id) + " differs");
    }
}

void CheckStreamSize(const std::vector<std::uint8_t>& bytes)
{
    // Reading refuses larger property streams: such a save would leave a document that cannot
    // be opened again.
    if (bytes.size() > kMaxPropertyStream)
        throw Error("the properties would take " + std::to_string(bytes.size())
                    + " bytes, more than the 16 MiB (16777216 bytes) a document's property stream may hold");
}

std::string Quoted(const SystemPropertyDefinition& definition)
{
    return std::string("\"") + definition.name + "\"";
}

} // namespace

const std::u16string& DocumentSummaryStreamName()
{
    static const std::u16string name = u"\u0005DocumentSummaryInformation";
    return name;
}

int TypeCode(std::uint16_t vt)
{
    switch (vt) {
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_BSTR:
        return 1;
    case VT_I2:
    case VT_I4:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        return 2;
    case VT_R4:
    case VT_R8:
        return 3;
    case VT_BOOL:
        return 4;
    case VT_FILETIME:
    case VT_DATE:
        return 5;
    default:
        return 0;
    }
}

CustomPropertyCollection::CustomPropertyCollection(BlockFile& file, bool withSystem)
    : m_file(file)
{
    Load();
    if (withSystem)
        LoadSystem();
}

CustomPropertyCollection::~CustomPropertyCollection() = default;

void CustomPropertyCollection::Load()
{
    m_reader = std::make_unique<CompoundReader>(m_file);
    m_entry = m_reader->FindRootChild(DocumentSummaryStreamName());
    if (m_entry && m_reader->Entries().Entry(*m_entry).type != EntryType::Stream)
        throw Error("the document summary entry is not a stream");
    m_stream = m_entry ? PropertySetStream::Parse(m_reader->ReadStream(*m_entry, kMaxPropertyStream))
                     : PropertySetStream::Empty();
    m_section = std::move(m_stream.user); // Rebuild needs only the stream's bytes and section places
    m_modified = false;
    Reindex();
    m_system = {};
    m_systemLoaded = {};
}

void CustomPropertyCollection::LoadSystem() const
{
    for (int i = 0; i < kSystemSetCount; ++i)
        LoadSystemSet(static_cast<SystemSet>(i));
}

void CustomPropertyCollection::LoadSystemSet(SystemSet set) const
{
    bool& loaded = m_systemLoaded[static_cast<std::size_t>(set)];
    if (loaded)
        return;
    loaded = true;
    SystemSetState state;
    // A damaged set of the document's own is shown as unreadable; the custom properties and
    // the other sets stay usable.
    try {
        if (set == SystemSet::DocumentSummary) {
            if (const auto index = m_stream.SectionIndex(kFmtidDocSummary); m_entry && index)
                state.section = m_stream.ParseSection(*index);
        } else {
            state.entry = m_reader->FindRootChild(SystemSetStreamName(set));
            if (state.entry) {
                if (m_reader->Entries().Entry(*state.entry).type != EntryType::Stream)
                    throw Error("its entry is not a stream");
                state.stream = PropertySetStream::Parse(m_reader->ReadStream(*state.entry, kMaxPropertyStream));
                if (const auto index = state.stream.SectionIndex(SystemSetFmtid(set)))
                    state.section = state.stream.ParseSection(*index);
            }
        }
    } catch (const Error& e) {
        state.section.reset();
        state.error = e.what();
    }
    m_system[static_cast<std::size_t>(set)] = std::move(state);
}

bool CustomPropertyCollection::HasSystemSet(SystemSet set) const
{
    LoadSystemSet(set);
    return m_system[static_cast<std::size_t>(set)].section.has_value();
}

const std::string& CustomPropertyCollection::SystemSetError(SystemSet set) const
{
    LoadSystemSet(set);
    return m_system[static_cast<std::size_t>(set)].error;
}

const PropertyValue* CustomPropertyCollection::SystemValue(const SystemPropertyDefinition& definition) const
{
    LoadSystemSet(definition.set);
    const SystemSetState& state = m_system[static_cast<std::size_t>(definition.set)];
    const SectionProperty* property = state.section ? state.section->Find(definition.id) : nullptr;
    return property ? &property->value : nullptr;
}

const std::vector<std::uint8_t>* CustomPropertyCollection::SystemRaw(const SystemPropertyDefinition& definition) const
{
    LoadSystemSet(definition.set);
    const SystemSetState& state = m_system[static_cast<std::size_t>(definition.set)];
    const SectionProperty* property = state.section ? state.section->Find(definition.id) : nullptr;
    return property ? &property->raw : nullptr;
}

CustomPropertyCollection::SystemSetState& CustomPropertyCollection::EditableSet(const SystemPropertyDefinition& definition)
{
    LoadSystemSet(definition.set);
    if (!definition.editable)
        throw Error(Quoted(definition) + " is read only");
    SystemSetState& state = m_system[static_cast<std::size_t>(definition.set)];
    const char* setName = SystemSetName(definition.set);
    if (!state.error.empty())
        throw Error(std::string("the document's ") + setName + " set cannot be read (" + state.error + "), so "
                    + Quoted(definition) + " cannot be changed");
    if (!state.section) {
        const bool streamMissing = definition.set == SystemSet::DocumentSummary ? !m_entry : !state.entry;
        if (!SystemSetMayBeCreated(definition.set) || !streamMissing)
            throw Error(std::string("the document has no ") + setName + " set, so " + Quoted(definition)
                        + " cannot be changed");
    }
    return state;
}

bool CustomPropertyCollection::SystemWritable(const SystemPropertyDefinition& definition) const
{
    LoadSystemSet(definition.set);
    const SystemSetState& state = m_system[static_cast<std::size_t>(definition.set)];
    if (!definition.editable || !state.error.empty())
        return false;
    if (state.section)
        return true;
    const bool streamMissing = definition.set == SystemSet::DocumentSummary ? !m_entry : !state.entry;
    return streamMissing && SystemSetMayBeCreated(definition.set);
}

void CustomPropertyCollection::SetSystemText(const SystemPropertyDefinition& definition, const std::string& text)
{
    SystemSetState& state = EditableSet(definition);
    // A set that is created takes Unicode, so that every text fits.
    Section section = state.section ? *state.section : Section::NewUserSection(kCodePageUnicode);
    std::uint16_t vt = section.StringType();
    if (const SectionProperty* old = section.Find(definition.id); old && (old->value.vt == VT_LPSTR || old->value.vt == VT_LPWSTR))
        vt = old->value.vt;
    auto raw = EncodeString(text, vt, section.codePage);
    if (!raw)
        throw Error("the value of " + Quoted(definition) + " cannot be written in code page "
                    + std::to_string(section.codePage) + " of the document's " + SystemSetName(definition.set)
                    + " set; nothing was changed");
    section.SetStored(definition.id, std::move(*raw));
    state.section = std::move(section);
    state.modified = true;
}

void CustomPropertyCollection::SetSystemRaw(const SystemPropertyDefinition& definition, std::vector<std::uint8_t> raw)
{
    SystemSetState& state = EditableSet(definition);
    Section section = state.section ? *state.section : Section::NewUserSection(kCodePageUnicode);
    if (raw.empty())
        // Only the value: a name the set's dictionary gives the id stays, as Solid Edge wrote it.
        std::erase_if(section.properties, [&](const SectionProperty& p) { return p.id == definition.id; });
    else
        section.SetStored(definition.id, std::move(raw));
    state.section = std::move(section);
    state.modified = true;
}

void CustomPropertyCollection::Reindex()
{
    m_visible.clear();
    for (std::size_t i = 0; i < m_section.properties.size(); ++i) {
        if (Visible(m_section.properties[i].id))
            m_visible.push_back(i);
    }
}

CustomProperty CustomPropertyCollection::Item(std::size_t index) const
{
    if (index >= m_visible.size())
        throw Error("property index out of range");
    const SectionProperty& p = m_section.properties[m_visible[index]];
    CustomProperty out;
    out.id = p.id;
    if (const DictionaryEntry* e = m_section.NameOf(p.id))
        out.name = e->name;
    out.value = p.value;
    out.typeCode = p.value.known ? TypeCode(p.value.vt) : 0;
    return out;
}

const std::string& CustomPropertyCollection::NameAt(std::size_t index) const
{
    static const std::string none;
    const DictionaryEntry* e = m_section.NameOf(At(index).id);
    return e ? e->name : none;
}

const PropertyValue& CustomPropertyCollection::ValueAt(std::size_t index) const
{
    return At(index).value;
}

int CustomPropertyCollection::TypeCodeAt(std::size_t index) const
{
    const PropertyValue& v = At(index).value;
    return v.known ? TypeCode(v.vt) : 0;
}

const std::vector<std::uint8_t>& CustomPropertyCollection::RawAt(std::size_t index) const
{
    return At(index).raw;
}

const SectionProperty& CustomPropertyCollection::At(std::size_t index) const
{
    if (index >= m_visible.size())
        throw Error("property index out of range");
    return m_section.properties[m_visible[index]];
}

void CustomPropertyCollection::Remove(std::size_t index)
{
    if (index >= m_visible.size())
        throw Error("property index out of range");
    m_section.Remove(m_section.properties[m_visible[index]].id);
    m_modified = true;
    Reindex();
}

void CustomPropertyCollection::AddText(const std::string& name, const std::string& value)
{
    m_section.AddText(name, value);
    m_modified = true;
    Reindex();
}

void CustomPropertyCollection::AddStored(const std::string& name, std::vector<std::uint8_t> raw)
{
    m_section.AddStored(name, std::move(raw));
    m_modified = true;
    Reindex();
}

void CustomPropertyCollection::Save()
{
    bool systemModified = false;
    for (const SystemSetState& state : m_system)
        systemModified = systemModified || state.modified;
    if (!m_modified && !systemModified)
        return;
    std::vector<RootStreamContent> streams;
    std::optional<std::vector<std::uint8_t>> documentSummary;
    if (m_modified) {
        // Written with its code page, so that no reader has to guess it.
        Section written = m_section;
        written.DeclareCodePage();
        documentSummary = m_stream.Rebuild(written);
        CheckStreamSize(*documentSummary);
        // Read back as Load will read it, before anything is written: a stream that would not
        // give exactly these properties again is never committed.
        CheckReadsBack(*documentSummary, written);
    }
    for (int i = 0; i < kSystemSetCount; ++i) {
        const SystemSetState& state = m_system[static_cast<std::size_t>(i)];
        if (!state.modified)
            continue;
        const auto set = static_cast<SystemSet>(i);
        const Fmtid& fmtid = SystemSetFmtid(set);
        Section written = *state.section;
        written.DeclareCodePage();
        std::vector<std::uint8_t> bytes;
        if (set == SystemSet::DocumentSummary) {
            // The custom section and this one share a stream: this one goes into the stream as
            // the custom edit leaves it (a new stream gets both sections).
            const PropertySetStream base =
                documentSummary ? PropertySetStream::Parse(*documentSummary)
                : m_entry       ? m_stream
                                : PropertySetStream::Parse(PropertySetStream::Empty().Rebuild(Section::NewUserSection(kCodePageUnicode)));
            const auto index = base.SectionIndex(fmtid);
            if (!index)
                throw Error("the document summary stream has no document summary section; nothing was saved");
            bytes = base.ReplaceSection(*index, written);
            if (documentSummary)
                CheckReadsBack(bytes, PropertySetStream::Parse(*documentSummary).user);
            documentSummary = bytes;
        } else {
            const auto index = state.stream.SectionIndex(fmtid);
            bytes = state.entry && index ? state.stream.ReplaceSection(*index, written)
                                         : PropertySetStream::NewStream(fmtid, written);
            CheckStreamSize(bytes);
            streams.push_back({state.entry, SystemSetStreamName(set), bytes});
        }
        CheckSectionReadsBack(bytes, fmtid, written, SystemSetName(set));
    }
    if (documentSummary) {
        CheckStreamSize(*documentSummary);
        streams.push_back({m_entry, DocumentSummaryStreamName(), *documentSummary});
    }
    SaveTransaction::ReplaceRootStreams(*m_reader, streams);
    Load();
}

} // namespace cfb
