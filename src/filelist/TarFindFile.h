#pragma once
// TarFindFile: finds the files below a folder whose names match a wildcard mask.
//
// One level lists the matching files of the folder first and then, when Recursive is set,
// searches each subfolder the same way, depth first. Every path is Directory + name built by
// plain concatenation, with the native separator between folder levels.
//
// Entry attributes follow the Windows file search: an entry is listed unless it carries the
// hidden, system, volume label or directory attribute and the filter lacks it. Here a name
// starting with "." is hidden, and there are no system or volume label entries; on Windows the
// attributes come from the file system. Subfolders are searched with the directory filter
// alone, so hidden subfolders are never entered.
//
// A folder reached a second time (through a symbolic link or a junction) is not searched again,
// and a subfolder that cannot be listed is skipped without stopping the search.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// The attribute kinds of the search filter, one bit each.
enum TarFindAttribute : std::uint8_t {
    faReadOnly = 0,
    faHidden = 1,
    faSysFile = 2,
    faVolumeID = 3,
    faDirectory = 4,
    faArchive = 5,
    faAnyFile = 6,
};

// A set of attribute kinds, held in one byte.
class TarFindAttributes {
public:
    constexpr TarFindAttributes() = default;
    constexpr TarFindAttributes(std::initializer_list<TarFindAttribute> kinds)
    {
        for (const auto k : kinds)
            m_bits = std::uint8_t(m_bits | (1u << k));
    }
    constexpr bool Contains(TarFindAttribute k) const { return ((m_bits >> k) & 1u) != 0; }
    constexpr void Insert(TarFindAttribute k) { m_bits = std::uint8_t(m_bits | (1u << k)); }
    constexpr void Remove(TarFindAttribute k) { m_bits = std::uint8_t(m_bits & ~(1u << k)); }
    constexpr std::uint8_t Bits() const { return m_bits; }
    friend constexpr bool operator==(TarFindAttributes, TarFindAttributes) = default;

    // The platform's search filter: the sum of the values of the kinds in the set
    // (read-only 1, hidden 2, system 4, volume label 8, directory 16, archive 32, any file 63).
    int Filter() const;

private:
    std::uint8_t m_bits = 0;
};

// Filter values of the attributes an entry can carry.
enum : int {
    kFilterReadOnly = 1,
    kFilterHidden = 2,
    kFilterSystem = 4,
    kFilterVolumeLabel = 8,
    kFilterDirectory = 16,
    kFilterArchive = 32,
    kFilterAnyFile = 63,
};

// Whether an entry with the given attributes is listed under `filter`.
bool ListedUnderFilter(int filter, bool hidden, bool system, bool directory);

// Wildcard matching of the Windows file search: "*" any run of characters, "?" one character,
// letter case ignored. A mask ending in ".*" also matches names without that extension ("*.*"
// matches every name, also one without a dot); a mask ending in "." also matches names without
// any dot the way the mask without that dot does.
class TarFileMask {
public:
    explicit TarFileMask(const QString& mask = QStringLiteral("*.*"));
    // `name` is UTF-8; a byte that does not form UTF-8 counts as one character.
    bool Matches(std::string_view name) const;
    bool MatchesAll() const { return m_all; }

private:
    std::u32string m_pattern; // upper-cased; '*' and '?' are the wildcards
    bool m_all = false;
    bool m_optionalExtension = false; // `m_pattern` ends in ".*" that may also match nothing
    bool m_noDot = false;             // `m_pattern` ends in "." that may also match nothing
    // "*" followed by a plain ASCII suffix: matched by a byte compare from the end.
    bool m_asciiSuffix = false;
    std::string m_suffix; // upper-cased ASCII
};

class TarFindFile {
public:
    TarFindFile();
    ~TarFindFile();
    TarFindFile(const TarFindFile&) = delete;
    TarFindFile& operator=(const TarFindFile&) = delete;

    // Result of the last search, in the order found; valid until the next search.
    const QStringList& FoundFiles() const { return m_foundFiles; }

    bool Recursive() const { return m_recursive; }
    void SetRecursive(bool value) { m_recursive = value; }

    TarFindAttributes Attributes() const { return m_attributes; }
    void SetAttributes(TarFindAttributes value) { m_attributes = value; }

    // Always ends with a separator.
    const QString& Directory() const { return m_directory; }
    // Taken only when it differs from the current value, is not empty and names an existing
    // folder; it is then stored with a trailing separator. Otherwise the old value stays.
    void SetDirectory(const QString& value);

    const QString& Mask() const { return m_mask; }
    void SetMask(const QString& value) { m_mask = value; }

    // Empties FoundFiles, searches Directory and returns FoundFiles.
    const QStringList& Search();
    // One level of the search (and, with Recursive, all levels below it). `folder` ends with a
    // separator (one is added when it does not). Appends to FoundFiles.
    void SearchDirectory(const QString& folder);

private:
    struct Walk;

    QStringList m_foundFiles;
    bool m_recursive = false;
    TarFindAttributes m_attributes{faAnyFile};
    QString m_directory;
    QString m_mask = QStringLiteral("*.*");
};
