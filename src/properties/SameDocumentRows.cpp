#include "properties/SameDocumentRows.h"

#include "common/FsPath.h"
#include "platform/FileIdentity.h"

#include <charconv>
#include <string>

namespace {

// "device:file number" as platform::FileIdentity writes it.
bool ParseIdentity(const std::string& text, std::uint64_t& device, std::uint64_t& file)
{
    const char* const end = text.data() + text.size();
    const auto [colon, ec] = std::from_chars(text.data(), end, device);
    if (ec != std::errc() || colon == end || *colon != ':')
        return false;
    const auto [rest, ec2] = std::from_chars(colon + 1, end, file);
    return ec2 == std::errc() && rest == end;
}

} // namespace

void SameDocumentRows::Add(const QString& path, int where)
{
    const auto row = static_cast<std::uint32_t>(m_documentOf.size());
    std::uint32_t document = kAlone;
    if (const auto kept = m_documentOfPath.constFind(path); kept != m_documentOfPath.cend()) {
        document = *kept;
    } else {
        Identity id;
        if (ParseIdentity(platform::FileIdentityFollowingLinks(ToFsPath(path)), id.device, id.file)) {
            const auto [it, added] = m_documents.try_emplace(id, static_cast<std::uint32_t>(m_last.size()));
            if (added)
                m_last.emplace_back();
            document = it->second;
        }
        if (m_documentOfPath.size() < kKeptPaths)
            m_documentOfPath.insert(path, document);
    }
    // A list longer than the numbers reach merges no more rows: each one beyond stands alone.
    if (row == kAlone)
        document = kAlone;
    if (document != kAlone)
        m_last[document] = {row, where};
    m_documentOf.push_back(document);
}

std::uint32_t SameDocumentRows::LastRowOf(std::uint32_t row) const
{
    const std::uint32_t document = m_documentOf[row];
    return document == kAlone ? row : m_last[document].row;
}

int SameDocumentRows::WhereOfLast(std::uint32_t row) const
{
    const std::uint32_t document = m_documentOf[row];
    return document == kAlone ? -1 : m_last[document].where;
}
