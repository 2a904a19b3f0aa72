#include "compound/PropertySet.h"

#include "compound/Cfb.h"
#include "compound/CodePage.h"

#include <algorithm>
#include <cstring>

namespace cfb {

const Fmtid kFmtidDocSummary = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
const Fmtid kFmtidUserDefined = {0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

namespace {

constexpr std::uint32_t kDictionaryId = 0;
constexpr std::uint32_t kCodePageId = 1;
constexpr std::size_t kStreamHeader = 28;
constexpr std::size_t kSectionRef = 20;
constexpr std::uint32_t kMaxSections = 16;

std::size_t Pad4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

void Need(std::size_t needed, std::size_t available, const char* what)
{
    if (needed > available)
        throw Error(std::string(what) + " runs past the end of its section");
}

bool Ascii(const std::uint8_t* p, std::size_t n)
{
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < n; ++i)
        any |= p[i];
    return any < 0x80;
}

// Text up to the first terminator: one zero byte, or for UTF-16 one zero code unit. Plain ASCII,
// by far the most common text, is the same in every code page and is copied as it is.
std::string DecodeText(const std::uint8_t* p, std::size_t n, std::uint16_t codePage)
{
    if (codePage == kCodePageUnicode) {
        std::size_t units = n / 2;
        bool ascii = true;
        for (std::size_t i = 0; i < units; ++i) {
            if (p[2 * i] == 0 && p[2 * i + 1] == 0) {
                units = i;
                break;
            }
            ascii = ascii && p[2 * i + 1] == 0 && p[2 * i] < 0x80;
        }
        if (ascii) {
            std::string out(units, '\0');
            for (std::size_t i = 0; i < units; ++i)
                out[i] = static_cast<char>(p[2 * i]);
            return out;
        }
        return Utf16LeToUtf8(p, units * 2);
    }
    const void* zero = std::memchr(p, 0, n);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : n;
    if (Ascii(p, length))
        return std::string(reinterpret_cast<const char*>(p), length);
    return DecodeCodePage(p, length, codePage);
}

// The code page property (id 1, a 16-bit integer) among `count` table slots, if there is one.
template <typename SlotAt>
std::optional<std::uint16_t> CodePageOf(const std::uint8_t* data, std::size_t size, std::size_t count, SlotAt slotAt)
{
    for (std::size_t i = 0; i < count; ++i) {
        const auto [id, offset] = slotAt(i);
        if (id != kCodePageId)
            continue;
        // `offset` comes from the file: compared without adding to it, so that an offset near
        // the top of its type cannot wrap around into range.
        if (offset > size || size - offset < 6)
            return std::nullopt;
        const std::uint16_t vt = Get16(data + offset);
        if (vt == VT_I2 || vt == VT_UI2)
            return Get16(data + offset + 4);
        return std::nullopt; // the first slot for the id counts
    }
    return std::nullopt;
}

// The code page of a section without decoding the rest of it.
std::optional<std::uint16_t> SectionCodePage(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return std::nullopt;
    const std::size_t count = std::min<std::size_t>(Get32(data + 4), (size - 8) / 8);
    return CodePageOf(data, size, count, [&](std::size_t i) { return std::make_pair(Get32(data + 8 + 8 * i), Get32(data + 12 + 8 * i)); });
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    std::uint8_t b[4];
    Put32(b, v);
    out.insert(out.end(), b, b + 4);
}

void PadTo4(std::vector<std::uint8_t>& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

} // namespace

std::optional<std::pair<PropertyValue, std::size_t>> DecodeValue(const std::uint8_t* p, std::size_t available,
                                                                 std::uint16_t codePage)
{
    Need(4, available, "a property value");
    PropertyValue v;
    v.vt = Get16(p);
    const std::uint8_t* d = p + 4;
    const std::size_t rest = available - 4;
    std::size_t used = 4;
    auto fixed = [&](std::size_t n) {
        Need(n, rest, "a property value");
        used = 4 + n;
    };
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        break;
    case VT_I1: fixed(1); v.integer = static_cast<std::int8_t>(d[0]); break;
    case VT_UI1: fixed(1); v.integer = d[0]; break;
    case VT_I2: fixed(2); v.integer = static_cast<std::int16_t>(Get16(d)); break;
    case VT_UI2: fixed(2); v.integer = Get16(d); break;
    case VT_BOOL: fixed(2); v.boolean = Get16(d) != 0; break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: fixed(4); v.integer = static_cast<std::int32_t>(Get32(d)); break;
    case VT_UI4:
    case VT_UINT: fixed(4); v.integer = Get32(d); break;
    case VT_R4: {
        fixed(4);
        const std::uint32_t bits = Get32(d);
        float f;
        std::memcpy(&f, &bits, 4);
        v.real = f;
        break;
    }
    case VT_R8:
    case VT_DATE: {
        fixed(8);
        const std::uint64_t bits = Get64(d);
        std::memcpy(&v.real, &bits, 8);
        break;
    }
    case VT_CY: fixed(8); v.real = static_cast<double>(static_cast<std::int64_t>(Get64(d))) / 10000.0; break;
    case VT_I8: fixed(8); v.integer = static_cast<std::int64_t>(Get64(d)); break;
    case VT_UI8: fixed(8); v.unsignedInteger = Get64(d); break;
    case VT_FILETIME: fixed(8); v.filetime = Get64(d); break;
    case VT_BSTR:
    case VT_LPSTR: {
        Need(4, rest, "a string value");
        const std::uint32_t size = Get32(d);
        Need(size, rest - 4, "a string value");
        v.text = DecodeText(d + 4, size, codePage);
        used = 8 + size;
        break;
    }
    case VT_LPWSTR: {
        Need(4, rest, "a string value");
        const std::uint32_t chars = Get32(d);
        if (chars > (rest - 4) / 2)
            throw Error("a string value runs past the end of its section");
        v.text = DecodeText(d + 4, std::size_t{chars} * 2, kCodePageUnicode);
        used = 8 + std::size_t{chars} * 2;
        break;
    }
    default:
        return std::nullopt;
    }
    v.known = true;
    return std::make_pair(std::move(v), used);
}

Section Section::Parse(const std::uint8_t* data, std::size_t size, std::uint16_t fallbackCodePage)
{
    Section s;
    if (size < 8)
        throw Error("property section too short");
    const std::uint32_t declared = Get32(data);
    // The declared size is trusted only as far as the data reaches.
    size = std::min<std::size_t>(size, std::max<std::uint32_t>(declared, 8));
    const std::uint32_t count = Get32(data + 4);
    if (count > (size - 8) / 8)
        throw Error("property table larger than its section");

    struct Slot {
        std::uint32_t id, offset;
    };
    std::vector<Slot> slots;
    slots.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const Slot slot{Get32(data + 8 + 8 * i), Get32(data + 12 + 8 * i)};
        if (slot.offset < 8 || slot.offset >= size)
            throw Error("property offset outside its section");
        slots.push_back(slot);
    }
    // Where each value ends at the latest: at the next value's offset.
    std::vector<std::uint32_t> offsets;
    offsets.reserve(count);
    for (const Slot& slot : slots)
        offsets.push_back(slot.offset);
    std::sort(offsets.begin(), offsets.end());
    // A repeated id: the first one in the table counts, as readers do.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byId; // (id, table position)
    byId.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        byId.emplace_back(slots[i].id, i);
    std::sort(byId.begin(), byId.end());
    std::vector<bool> repeated(count, false);
    for (std::size_t i = 1; i < byId.size(); ++i)
        if (byId[i].first == byId[i - 1].first)
            repeated[byId[i].second] = true;

    // The code page first: the strings and the dictionary depend on it.
    s.codePage = fallbackCodePage;
    if (auto found = CodePageOf(data, size, slots.size(), [&](std::size_t i) { return std::make_pair(slots[i].id, slots[i].offset); })) {
        s.codePage = *found;
        s.hasCodePage = true;
    }

    s.properties.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (repeated[i])
            continue;
        const Slot& slot = slots[i];
        SectionProperty prop;
        prop.id = slot.id;
        const std::uint8_t* p = data + slot.offset;
        const std::size_t available = size - slot.offset;
        if (slot.id == kDictionaryId) {
            s.hasDictionary = true;
            Need(4, available, "the dictionary");
            const std::uint32_t entries = Get32(p);
            if (entries > (available - 4) / 8)
                throw Error("dictionary larger than its section");
            s.dictionary.reserve(entries);
            std::size_t at = 4;
            for (std::uint32_t i = 0; i < entries; ++i) {
                Need(at + 8, available, "the dictionary");
                DictionaryEntry e;
                e.id = Get32(p + at);
                e.lengthField = Get32(p + at + 4);
                at += 8;
                const std::uint64_t bytes =
                    s.codePage == kCodePageUnicode ? std::uint64_t{e.lengthField} * 2 : e.lengthField;
                if (bytes > available - at)
                    throw Error("the dictionary runs past the end of its section");
                e.nameBytes.assign(p + at, p + at + bytes);
                e.name = DecodeText(p + at, static_cast<std::size_t>(bytes), s.codePage);
                at += static_cast<std::size_t>(bytes);
                if (s.codePage == kCodePageUnicode)
                    at = std::min(Pad4(at), available);
                s.dictionary.push_back(std::move(e));
            }
            s.properties.push_back(std::move(prop));
            continue;
        }
        auto decoded = DecodeValue(p, available, s.codePage);
        std::size_t length;
        if (decoded) {
            prop.value = std::move(decoded->first);
            length = decoded->second;
        } else {
            // A type this engine does not read: keep everything up to the next value, and at
            // least its type word and padding (DecodeValue has checked that the section holds
            // them), so that a value the next one starts inside keeps its type when written.
            auto next = std::upper_bound(offsets.begin(), offsets.end(), slot.offset);
            length = std::max<std::size_t>((next == offsets.end() ? size : *next) - slot.offset, 4);
            prop.value.vt = Get16(p);
        }
        prop.raw.assign(p, p + length);
        s.properties.push_back(std::move(prop));
    }
    return s;
}

Section Section::NewUserSection(std::uint16_t codePage)
{
    Section s;
    s.codePage = codePage;
    s.hasCodePage = true;
    SectionProperty cp;
    cp.id = kCodePageId;
    cp.raw = {VT_I2, 0, 0, 0, static_cast<std::uint8_t>(codePage), static_cast<std::uint8_t>(codePage >> 8), 0, 0};
    cp.value.vt = VT_I2;
    cp.value.known = true;
    cp.value.integer = static_cast<std::int16_t>(codePage);
    s.properties.push_back(cp);
    return s;
}

std::vector<std::uint8_t> Section::Serialize() const
{
    std::vector<std::uint8_t> values;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> table;
    const std::size_t tableEnd = 8 + 8 * properties.size();
    for (const SectionProperty& p : properties) {
        table.emplace_back(p.id, static_cast<std::uint32_t>(tableEnd + values.size()));
        if (p.id == kDictionaryId) {
            Append32(values, static_cast<std::uint32_t>(dictionary.size()));
            for (const DictionaryEntry& e : dictionary) {
                Append32(values, e.id);
                Append32(values, e.lengthField);
                values.insert(values.end(), e.nameBytes.begin(), e.nameBytes.end());
                if (codePage == kCodePageUnicode)
                    PadTo4(values);
            }
        } else {
            values.insert(values.end(), p.raw.begin(), p.raw.end());
        }
        PadTo4(values);
    }
    std::vector<std::uint8_t> out;
    Append32(out, static_cast<std::uint32_t>(tableEnd + values.size()));
    Append32(out, static_cast<std::uint32_t>(properties.size()));
    for (auto [id, offset] : table) {
        Append32(out, id);
        Append32(out, offset);
    }
    out.insert(out.end(), values.begin(), values.end());
    return out;
}

void Section::DeclareCodePage()
{
    if (hasCodePage)
        return;
    Section declared = NewUserSection(codePage);
    properties.insert(properties.begin(), std::move(declared.properties.front()));
    hasCodePage = true;
}

const DictionaryEntry* Section::NameOf(std::uint32_t id) const
{
    for (const DictionaryEntry& e : dictionary)
        if (e.id == id)
            return &e;
    return nullptr;
}

const SectionProperty* Section::Find(std::uint32_t id) const
{
    for (const SectionProperty& p : properties)
        if (p.id == id)
            return &p;
    return nullptr;
}

void Section::SetStored(std::uint32_t id, std::vector<std::uint8_t> raw)
{
    auto decoded = DecodeValue(raw.data(), raw.size(), codePage);
    if (!decoded)
        throw Error("internal error: a value of a type the engine does not write");
    for (SectionProperty& p : properties) {
        if (p.id == id) {
            p.value = std::move(decoded->first);
            p.raw = std::move(raw);
            return;
        }
    }
    SectionProperty prop;
    prop.id = id;
    prop.value = std::move(decoded->first);
    prop.raw = std::move(raw);
    properties.push_back(std::move(prop));
}

std::uint16_t Section::StringType() const
{
    for (const SectionProperty& p : properties)
        if (p.value.vt == VT_LPSTR || p.value.vt == VT_LPWSTR)
            return p.value.vt;
    return VT_LPSTR;
}

void Section::Remove(std::uint32_t id)
{
    std::erase_if(properties, [id](const SectionProperty& p) { return p.id == id; });
    std::erase_if(dictionary, [id](const DictionaryEntry& e) { return e.id == id; });
}

std::uint32_t Section::AddName(const std::string& name)
{
    DictionaryEntry entry;
    if (codePage == kCodePageUnicode) {
        entry.nameBytes = Utf8ToUtf16Le(name);
        entry.nameBytes.push_back(0);
        entry.nameBytes.push_back(0);
        entry.lengthField = static_cast<std::uint32_t>(entry.nameBytes.size() / 2);
    } else {
        auto bytes = EncodeCodePage(name, codePage);
        if (!bytes)
            throw Error("the property name \"" + name + "\" cannot be written in the document's code page "
                        + std::to_string(codePage));
        entry.nameBytes = std::move(*bytes);
        entry.nameBytes.push_back(0);
        entry.lengthField = static_cast<std::uint32_t>(entry.nameBytes.size());
    }
    entry.name = name;

    std::uint32_t id = 1;
    for (const SectionProperty& p : properties)
        if (p.id < 0x80000000u)
            id = std::max(id, p.id);
    for (const DictionaryEntry& e : dictionary)
        if (e.id < 0x80000000u)
            id = std::max(id, e.id);
    if (id >= 0x7FFFFFFFu)
        throw Error("no free property id left in the section");
    ++id;
    entry.id = id;
    if (!hasDictionary) {
        SectionProperty dict;
        dict.id = kDictionaryId;
        properties.insert(properties.begin(), dict);
        hasDictionary = true;
    }
    dictionary.push_back(std::move(entry));
    return id;
}

std::uint32_t Section::AddText(const std::string& name, const std::string& value)
{
    const std::uint32_t id = AddName(name);
    SectionProperty prop;
    prop.id = id;
    prop.value.known = true;
    prop.value.text = value;
    std::optional<std::vector<std::uint8_t>> ansi;
    if (codePage != kCodePageUnicode)
        ansi = EncodeCodePage(value, codePage);
    std::vector<std::uint8_t> raw;
    if (ansi) {
        prop.value.vt = VT_LPSTR;
        ansi->push_back(0);
        raw = {VT_LPSTR, 0, 0, 0};
        Append32(raw, static_cast<std::uint32_t>(ansi->size()));
        raw.insert(raw.end(), ansi->begin(), ansi->end());
    } else {
        prop.value.vt = VT_LPWSTR;
        std::vector<std::uint8_t> wide = Utf8ToUtf16Le(value);
        wide.push_back(0);
        wide.push_back(0);
        raw = {VT_LPWSTR, 0, 0, 0};
        Append32(raw, static_cast<std::uint32_t>(wide.size() / 2));
        raw.insert(raw.end(), wide.begin(), wide.end());
    }
    PadTo4(raw);
    prop.raw = std::move(raw);
    properties.push_back(std::move(prop));
    return id;
}

std::uint32_t Section::AddStored(const std::string& name, std::vector<std::uint8_t> raw)
{
    SectionProperty prop;
    auto decoded = DecodeValue(raw.data(), raw.size(), codePage); // throws for a value cut short
    if (decoded)
        prop.value = std::move(decoded->first);
    else
        prop.value.vt = Get16(raw.data());
    // Only now: a value that does not decode adds no name either.
    const std::uint32_t id = AddName(name);
    prop.id = id;
    prop.raw = std::move(raw);
    properties.push_back(std::move(prop));
    return id;
}

PropertySetStream PropertySetStream::Empty()
{
    PropertySetStream s;
    s.user = Section::NewUserSection(kCodePageUnicode);
    return s;
}

PropertySetStream PropertySetStream::Parse(std::vector<std::uint8_t> bytes)
{
    PropertySetStream s;
    s.bytes = std::move(bytes);
    const std::size_t n = s.bytes.size();
    const std::uint8_t* b = s.bytes.data();
    if (n < kStreamHeader)
        throw Error("property set stream too short");
    if (Get16(b) != 0xFFFE)
        throw Error("property set stream with an unknown byte order");
    const std::uint32_t sections = Get32(b + 24);
    if (sections > kMaxSections || kStreamHeader + std::size_t{sections} * kSectionRef > n)
        throw Error("property set stream header damaged");
    for (std::uint32_t i = 0; i < sections; ++i) {
        SectionRef r;
        std::memcpy(r.fmtid.data(), b + kStreamHeader + kSectionRef * i, 16);
        r.offset = Get32(b + kStreamHeader + kSectionRef * i + 16);
        if (r.offset < kStreamHeader + std::size_t{sections} * kSectionRef || r.offset > n - 8)
            throw Error("property section outside its stream");
        r.size = static_cast<std::uint32_t>(std::min<std::size_t>(Get32(b + r.offset), n - r.offset));
        if (r.size < 8)
            throw Error("property section too short");
        if (s.userIndex < 0 && r.fmtid == kFmtidUserDefined)
            s.userIndex = static_cast<int>(i);
        s.refs.push_back(r);
    }
    if (s.userIndex >= 0) {
        const SectionRef& r = s.refs[static_cast<std::size_t>(s.userIndex)];
        // A user section without a code page takes the first section's, or 1252 when that has
        // none either. Decided before the section is parsed: the layout of its dictionary (names
        // counted in bytes, or in UTF-16 units padded to four bytes) depends on it, so a parse
        // in the wrong one can fail where the right one succeeds.
        std::uint16_t fallback = 1252;
        if (s.userIndex != 0)
            fallback = SectionCodePage(b + s.refs[0].offset, s.refs[0].size).value_or(fallback);
        s.user = Section::Parse(b + r.offset, r.size, fallback);
    } else {
        // New user sections are Unicode, so that every name fits.
        s.user = Section::NewUserSection(kCodePageUnicode);
    }
    return s;
}

std::vector<std::uint8_t> PropertySetStream::Rebuild(const Section& newUser) const
{
    const std::vector<std::uint8_t> section = newUser.Serialize();
    std::vector<std::uint8_t> out;
    if (bytes.empty()) {
        // A new stream: the document summary section with only a code page, then ours.
        const Section firstSection = Section::NewUserSection(kCodePageUnicode);
        const std::vector<std::uint8_t> firstBytes = firstSection.Serialize();
        out.resize(kStreamHeader + 2 * kSectionRef, 0);
        Put16(out.data(), 0xFFFE);
        Put16(out.data() + 2, 0);
        Put32(out.data() + 4, 0x00020006);
        Put32(out.data() + 24, 2);
        std::memcpy(out.data() + 28, kFmtidDocSummary.data(), 16);
        Put32(out.data() + 44, static_cast<std::uint32_t>(out.size()));
        std::memcpy(out.data() + 48, kFmtidUserDefined.data(), 16);
        Put32(out.data() + 64, static_cast<std::uint32_t>(out.size() + firstBytes.size()));
        out.insert(out.end(), firstBytes.begin(), firstBytes.end());
        out.insert(out.end(), section.begin(), section.end());
        return out;
    }
    if (userIndex >= 0)
        return ReplaceSection(static_cast<std::size_t>(userIndex), newUser);
    // The stream has no user-defined section yet: one more (FMTID, offset) pair after the others,
    // and the section at the end. A section whose declared size runs past the end of the stream
    // (read as far as the stream goes) would take the new one in, and a reader takes at most
    // `kMaxSections`.
    if (refs.size() >= kMaxSections)
        throw Error("property set stream without room for a user-defined section");
    for (const SectionRef& other : refs)
        if (Get32(bytes.data() + other.offset) > other.size)
            throw Error("property set stream with a section that runs past its end");
    const std::size_t pairsEnd = kStreamHeader + kSectionRef * refs.size();
    out.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(pairsEnd));
    out.resize(pairsEnd + kSectionRef, 0);
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pairsEnd), bytes.end());
    PadTo4(out);
    Put32(out.data() + 24, static_cast<std::uint32_t>(refs.size() + 1));
    for (std::size_t i = 0; i < refs.size(); ++i)
        Put32(out.data() + kStreamHeader + kSectionRef * i + 16, refs[i].offset + kSectionRef);
    std::memcpy(out.data() + pairsEnd, kFmtidUserDefined.data(), 16);
    Put32(out.data() + pairsEnd + 16, static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), section.begin(), section.end());
    return out;
}

std::optional<std::size_t> PropertySetStream::SectionIndex(const Fmtid& fmtid) const
{
    for (std::size_t i = 0; i < refs.size(); ++i)
        if (refs[i].fmtid == fmtid)
            return i;
    return std::nullopt;
}

Section PropertySetStream::ParseSection(std::size_t index) const
{
    const SectionRef& r = refs.at(index);
    std::uint16_t fallback = 1252;
    if (index != 0)
        fallback = SectionCodePage(bytes.data() + refs[0].offset, refs[0].size).value_or(fallback);
    return Section::Parse(bytes.data() + r.offset, r.size, fallback);
}

std::vector<std::uint8_t> PropertySetStream::ReplaceSection(std::size_t index, const Section& replacement) const
{
    const SectionRef& r = refs.at(index);
    // Sections move with the bytes around them only when they lie wholly before or after it.
    for (const SectionRef& other : refs)
        if (&other != &r && std::uint64_t{other.offset} + other.size > r.offset
            && other.offset < std::uint64_t{r.offset} + r.size)
            throw Error(index == static_cast<std::size_t>(userIndex)
                            ? "property set stream with sections that overlap the user-defined one"
                            : "property set stream with overlapping sections");
    const std::vector<std::uint8_t> section = replacement.Serialize();
    std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + r.offset);
    out.insert(out.end(), section.begin(), section.end());
    out.insert(out.end(), bytes.begin() + r.offset + r.size, bytes.end());
    const std::int64_t delta = static_cast<std::int64_t>(section.size()) - static_cast<std::int64_t>(r.size);
    for (std::size_t i = 0; i < refs.size(); ++i)
        if (refs[i].offset > r.offset)
            Put32(out.data() + kStreamHeader + kSectionRef * i + 16, static_cast<std::uint32_t>(refs[i].offset + delta));
    return out;
}

std::vector<std::uint8_t> PropertySetStream::NewStream(const Fmtid& fmtid, const Section& section)
{
    const std::vector<std::uint8_t> sectionBytes = section.Serialize();
    std::vector<std::uint8_t> out(kStreamHeader + kSectionRef, 0);
    Put16(out.data(), 0xFFFE);
    Put32(out.data() + 4, 0x00020006);
    Put32(out.data() + 24, 1);
    std::memcpy(out.data() + 28, fmtid.data(), 16);
    Put32(out.data() + 44, static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), sectionBytes.begin(), sectionBytes.end());
    return out;
}

} // namespace cfb
