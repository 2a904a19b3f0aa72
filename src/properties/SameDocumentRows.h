#pragma once
// Which rows of a list of documents (the lines of a property CSV, the entries of a property set
// file) name one document: paths that reach one file, however they are written ("a.par",
// "./a.par", a hard or a symbolic link to it), are one document, found by the file's identity
// (device and file number). The last row naming a document stands for it. Kept small for lists
// of millions of rows: a number per row and two per document.
//
//     SameDocumentRows same;
//     for (each row, in order) same.Add(path, lineOfTheRow);
//     ...
//     if (same.LastRowOf(i) != i) ... row i is merged into that later row, at line same.WhereOfLast(i)

#include <QHash>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

class SameDocumentRows {
public:
    // The next row, counted from 0, names `path`; `where` is the caller's own number for the
    // row (its line), given back by WhereOfLast. A path that reaches no file shares nothing.
    void Add(const QString& path, int where);

    std::uint32_t Rows() const { return static_cast<std::uint32_t>(m_documentOf.size()); }
    // The last row that names the document of row `row` (a row added earlier): `row` itself
    // when it is that last row or names no file.
    std::uint32_t LastRowOf(std::uint32_t row) const;
    // The `where` of that last row.
    int WhereOfLast(std::uint32_t row) const;

private:
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t file = 0;
        bool operator==(const Identity&) const = default;
    };
    struct IdentityHash {
        std::size_t operator()(const Identity& id) const noexcept
        {
            return std::hash<std::uint64_t>()(id.file * 0x9E3779B97F4A7C15ull ^ id.device);
        }
    };
    struct Last {
        std::uint32_t row = 0;
        int where = 0;
    };
    static constexpr std::uint32_t kAlone = UINT32_MAX;

    // Rows that repeat a path as written are common (a document listed again further down):
    // so many of the last paths asked about are kept with their document, enough to spare most
    // file system look-ups and never more than a few megabytes.
    static constexpr qsizetype kKeptPaths = 1 << 16;

    std::vector<std::uint32_t> m_documentOf; // per row: its document, or kAlone
    std::vector<Last> m_last;                // per document
    std::unordered_map<Identity, std::uint32_t, IdentityHash> m_documents;
    QHash<QString, std::uint32_t> m_documentOfPath;
};
