#include "compound/SystemProperties.h"

#include "compound/Cfb.h"
#include "compound/CodePage.h"

#include <array>

namespace cfb {

namespace {

// FMTID_SummaryInformation {F29F85E0-4FF9-1068-AB91-08002B27B3D9} and its stream name
// "\005SummaryInformation": MS-OLEPS 2.23 "Property Set Stream and Storage Names" and 2.25.1
// "SummaryInformation"; the bytes as MS-OLEPS 3.1 shows them in a stream.
const Fmtid kFmtidSummary = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                             0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
// Solid Edge's FMTIDs: ProjectInformation f0d6d0b1-a0d8-11ce-8aa2-08003601e988,
// ExtendedSummaryInformation cc024fa2-6eb5-11ce-8aa2-08003601e988 and MechanicalModeling
// cc024fca-6eb5-11ce-8aa2-08003601e988, from the public SolidEdgeCommunity/SolidEdge.Community.Reader
// (src/SolidEdge.Community.Reader/Constants.cs, class FMTID), which opens them by FMTID through
// IPropertySetStorage and so under the standard FMTID-to-name mapping.
const Fmtid kFmtidProjectInformation = {0xB1, 0xD0, 0xD6, 0xF0, 0xD8, 0xA0, 0xCE, 0x11,
                                        0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};
const Fmtid kFmtidExtendedSummary = {0xA2, 0x4F, 0x02, 0xCC, 0xB5, 0x6E, 0xCE, 0x11,
                                     0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};
const Fmtid kFmtidMechanicalModeling = {0xCA, 0x4F, 0x02, 0xCC, 0xB5, 0x6E, 0xCE, 0x11,
                                        0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};

// Property ids. Summary information: MS-OLEPS 2.25.1 (PIDSI_TITLE 0x02 ... PIDSI_REVNUMBER 0x09,
// all VT_LPSTR; PIDSI_LASTPRINTED 0x0B, PIDSI_CREATE_DTM 0x0C, PIDSI_LASTSAVE_DTM 0x0D as
// VT_FILETIME; PIDSI_APPNAME 0x12 VT_LPSTR), the same table as the Windows Installer
// "SummaryInfo.Property" page. Document summary information: PIDDSI_CATEGORY 0x02,
// PIDDSI_MANAGER 0x0E, PIDDSI_COMPANY 0x0F (MS-OSHARED 2.3.3.2.2.1 "PIDDSI" and the stream in
// MS-OSHARED 3.2.2). Solid Edge: ProjectInformationConstants DOCUMENT_NUMBER 2, REVISION 3,
// PROJECT_NAME 4; ExtendedSummaryInformationConstants STATUS 7 (an integer there);
// MechanicalModelingConstants MATERIAL 3 (a string), all in SolidEdge.Community.Reader's
// Constants.cs and PropertySets.cs. The project information set also names ids 2, 3 and 4
// "Document Number", "Revision" and "Project Name" in its dictionary (the Solid Edge test file
// of ironfede/openmcdf's OLE properties tests).
//
// Status is tied to the document's security and material to its physical properties inside
// Solid Edge, so both are shown and never written.
const std::vector<SystemPropertyDefinition> kDefinitions = {
    {SystemSet::Summary, 2, "Title", true},
    {SystemSet::Summary, 3, "Subject", true},
    {SystemSet::Summary, 4, "Author", true},
    {SystemSet::Summary, 5, "Keywords", true},
    {SystemSet::Summary, 6, "Comments", true},
    {SystemSet::Summary, 7, "Template", false},
    {SystemSet::Summary, 8, "Last saved by", false},
    {SystemSet::Summary, 9, "Revision number", false},
    {SystemSet::Summary, 12, "Created", false},
    {SystemSet::Summary, 13, "Last saved", false},
    {SystemSet::Summary, 11, "Last printed", false},
    {SystemSet::Summary, 18, "Application name", false},
    {SystemSet::DocumentSummary, 2, "Category", true},
    {SystemSet::DocumentSummary, 14, "Manager", true},
    {SystemSet::DocumentSummary, 15, "Company", true},
    {SystemSet::ProjectInformation, 2, "Document Number", true},
    {SystemSet::ProjectInformation, 3, "Revision", true},
    {SystemSet::ProjectInformation, 4, "Project Name", true},
    {SystemSet::ExtendedSummary, 7, "Status", false},
    {SystemSet::MechanicalModeling, 3, "Material", false},
};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return i == a.size() && b[i] == '\0';
}

void PadTo4(std::vector<std::uint8_t>& bytes)
{
    while (bytes.size() % 4)
        bytes.push_back(0);
}

} // namespace

const std::vector<SystemPropertyDefinition>& SystemPropertyDefinitions()
{
    return kDefinitions;
}

const SystemPropertyDefinition* FindSystemProperty(const std::string& name)
{
    for (const SystemPropertyDefinition& definition : kDefinitions)
        if (SameIgnoringCase(name, definition.name))
            return &definition;
    return nullptr;
}

const Fmtid& SystemSetFmtid(SystemSet set)
{
    switch (set) {
    case SystemSet::Summary: return kFmtidSummary;
    case SystemSet::DocumentSummary: return kFmtidDocSummary;
    case SystemSet::ProjectInformation: return kFmtidProjectInformation;
    case SystemSet::ExtendedSummary: return kFmtidExtendedSummary;
    case SystemSet::MechanicalModeling: return kFmtidMechanicalModeling;
    }
    return kFmtidSummary;
}

const std::u16string& SystemSetStreamName(SystemSet set)
{
    // Solid Edge's stream names follow the mapping of MS-OLEPS 2.23 for FMTIDs without a
    // well-known name ("\005" and 26 characters of "a".."z", "0".."5", five bits each, lowest
    // first); written as Windows writes them, as they appear in the public Solid Edge tools and
    // in ironfede/openmcdf's tests ("\u0005C3teagxwOttdbfkuIaamtae3Ie"). Compound file names
    // compare ignoring case, so a name written in other case is found too.
    static const std::array<std::u16string, kSystemSetCount> names = {
        u"\u0005SummaryInformation",
        u"\u0005DocumentSummaryInformation",
        u"\u0005Rfunnyd1AvtdbfkuIaamtae3Ie",
        u"\u0005C3teagxwOttdbfkuIaamtae3Ie",
        u"\u0005K4teagxwOttdbfkuIaamtae3Ie",
    };
    return names[static_cast<std::size_t>(set)];
}

const char* SystemSetName(SystemSet set)
{
    switch (set) {
    case SystemSet::Summary: return "summary information";
    case SystemSet::DocumentSummary: return "document summary information";
    case SystemSet::ProjectInformation: return "project information";
    case SystemSet::ExtendedSummary: return "status";
    case SystemSet::MechanicalModeling: return "material";
    }
    return "";
}

bool SystemSetMayBeCreated(SystemSet set)
{
    return set == SystemSet::Summary || set == SystemSet::DocumentSummary;
}

std::optional<std::vector<std::uint8_t>> EncodeString(const std::string& text, std::uint16_t vt, std::uint16_t codePage)
{
    std::vector<std::uint8_t> raw = {static_cast<std::uint8_t>(vt), 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> content;
    if (vt == VT_LPWSTR || codePage == kCodePageUnicode) {
        // VT_LPWSTR counts characters; VT_LPSTR in a Unicode section holds UTF-16 too and counts
        // bytes (MS-OLEPS 2.5 CodePageString).
        content = Utf8ToUtf16Le(text);
        content.push_back(0);
        content.push_back(0);
        Put32(raw.data() + 4, static_cast<std::uint32_t>(vt == VT_LPWSTR ? content.size() / 2 : content.size()));
    } else {
        auto bytes = EncodeCodePage(text, codePage);
        if (!bytes)
            return std::nullopt;
        content = std::move(*bytes);
        content.push_back(0);
        Put32(raw.data() + 4, static_cast<std::uint32_t>(content.size()));
    }
    raw.insert(raw.end(), content.begin(), content.end());
    PadTo4(raw);
    return raw;
}

} // namespace cfb
