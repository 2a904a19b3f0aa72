#include "compound/CustomPropertyCollection.h"

#include "compound/Cfb.h"
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

CustomPropertyCollection::CustomPropertyCollection(BlockFile& file) : m_file(file)
{
    Load();
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
    if (!m_modified)
        return;
    // Written with its code page, so that no reader has to guess it.
    Section written = m_section;
    written.DeclareCodePage();
    const std::vector<std::uint8_t> bytes = m_stream.Rebuild(written);
    // Reading refuses larger property streams: such a save would leave a document that cannot
    // be opened again.
    if (bytes.size() > kMaxPropertyStream)
        throw Error("the custom properties would take " + std::to_string(bytes.size())
                    + " bytes, more than the 16 MiB (16777216 bytes) a document's property stream may hold");
    // Read back as Load will read it, before anything is written: a stream that would not give
    // exactly these properties again is never committed.
    CheckReadsBack(bytes, written);
    SaveTransaction::ReplaceRootStream(*m_reader, m_entry, DocumentSummaryStreamName(), bytes);
    Load();
}

} // namespace cfb
