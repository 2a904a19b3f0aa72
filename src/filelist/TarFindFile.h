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
            bits_ = std::uint8_t(bits_ | (1u << k));
    }
    constexpr bool contains(TarFindAttribute k) const { return ((bits_ >> k) & 1u) != 0; }
    constexpr void insert(TarFindAttribute k) { bits_ = std::uint8_t(bits_ | (1u << k)); }
    constexpr void remove(TarFindAttribute k) { bits_ = std::uint8_t(bits_ & ~(1u << k)); }
    constexpr std::uint8_t bits() const { return bits_; }
    friend constexpr bool operator==(TarFindAttributes, TarFindAttributes) = default;

    // The platform's search filter: the sum of the values of the kinds in the set
    // (read-only 1, hidden 2, system 4, volume label 8, directory 16, archive 32, any file 63).
    int filter() const;

private:
    std::uint8_t bits_ = 0;
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

// Whether an entry with the given attributes is listed under Filter.
bool ListedUnderFilter(int filter, bool hidden, bool system, bool directory);

// Wildcard matching of the Windows file search: "*" any run of characters, "?" one character,
// letter case ignored. A mask ending in ".*" also matches names without that extension ("*.*"
// matches every name, also one without a dot); a mask ending in "." also matches names without
// any dot the way the mask without that dot does.
class TarFileMask {
public:
    explicit TarFileMask(const QString& mask = QStringLiteral("*.*"));
    // Name is UTF-8; a byte that does not form UTF-8 counts as one character.
    bool matches(std::string_view name) const;
    bool matchesAll() const { return all_; }

private:
    std::u32string pattern_; // upper-cased; '*' and '?' are the wildcards
    bool all_ = false;
    bool optionalExtension_ = false; // pattern_ ends in ".*" that may also match nothing
    bool noDot_ = false;             // pattern_ ends in "." that may also match nothing
    // "*" followed by a plain ASCII suffix: matched by a byte compare from the end.
    bool asciiSuffix_ = false;
    std::string suffix_; // upper-cased ASCII
};

class TarFindFile {
public:
    TarFindFile();
    ~TarFindFile();
    TarFindFile(const TarFindFile&) = delete;
    TarFindFile& operator=(const TarFindFile&) = delete;

    // Result of the last search, in the order found; valid until the next search.
    const QStringList& FoundFiles() const { return FoundFiles_; }

    bool Recursive() const { return Recursive_; }
    void setRecursive(bool value) { Recursive_ = value; }

    TarFindAttributes Attributes() const { return Attributes_; }
    void setAttributes(TarFindAttributes value) { Attributes_ = value; }

    // Always ends with a separator.
    const QString& Directory() const { return Directory_; }
    // Taken only when it differs from the current value, is not empty and names an existing
    // folder; it is then stored with a trailing separator. Otherwise the old value stays.
    void setDirectory(const QString& value);

    const QString& Mask() const { return Mask_; }
    void setMask(const QString& value) { Mask_ = value; }

    // Empties FoundFiles, searches Directory and returns FoundFiles.
    const QStringList& Search();
    // One level of the search (and, with Recursive, all levels below it). Folder ends with a
    // separator (one is added when it does not). Appends to FoundFiles.
    void SearchDirectory(const QString& folder);

private:
    struct Walk;

    QStringList FoundFiles_;
    bool Recursive_ = false;
    TarFindAttributes Attributes_{faAnyFile};
    QString Directory_;
    QString Mask_ = QStringLiteral("*.*");
};
