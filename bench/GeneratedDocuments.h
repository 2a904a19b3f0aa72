#pragma once
// The documents the property editor's benchmarks work on: each with 20 custom properties
// ("Property A" to "Property T"; every fifth a number, the others texts that differ per document),
// a 6,000-byte body stream and a summary stream, written as `doc<i>.par` into one folder. With
// `ownSets` the summary stream is a real summary information set (title, author) and Solid Edge's
// project information set (document number, revision) is there too.

#include "../tests/compound/CfbBuilder.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <string>

namespace benchdocs {

constexpr int kProperties = 20;

inline std::u16string PropertyName(int i)
{
    return u"Property " + std::u16string(1, static_cast<char16_t>(u'A' + i));
}

inline cfbtest::Bytes Document(int seed, bool ownSets = false)
{
    using namespace cfbtest;
    std::vector<RawProperty> props = {{1, I2(1252)}};
    std::vector<std::pair<std::uint32_t, std::u16string>> names;
    for (int i = 0; i < kProperties; ++i) {
        const std::uint32_t id = static_cast<std::uint32_t>(i) + 2;
        names.emplace_back(id, PropertyName(i));
        if (i % 5 == 4)
            props.push_back({id, I4(seed * 31 + i)});
        else
            props.push_back({id, Lpstr("Value " + std::to_string(seed) + "/" + std::to_string(i))});
    }
    props.insert(props.begin() + 1, {0, Dictionary(names, false)});
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, Section(props)}});
    if (!ownSets)
        return BuildCompound({{u"JSite", Bytes(6000, static_cast<std::uint8_t>(seed))}, {kDsiName, dsi},
                              {kSummaryName, Bytes(400, 3)}});
    const std::string n = std::to_string(seed);
    const Bytes summary = PropertyStream(
        {{kSummaryFmtid, Section({{1, I2(1252)}, {2, Lpstr("Part " + n)}, {4, Lpstr("Author " + n)}})}});
    const Bytes project = PropertyStream({{kProjectFmtid, Section({{1, I2(1252)}, {2, Lpstr("D-" + n)}, {3, Lpstr("A")}})}});
    return BuildCompound({{u"JSite", Bytes(6000, static_cast<std::uint8_t>(seed))}, {kDsiName, dsi},
                          {kSummaryName, summary}, {kProjectName, project}});
}

// The paths of `count` documents in `folder`. A document already there is written again only when
// `rewrite` is set (a run that changes them); otherwise a second run reuses them.
inline QStringList WriteDocuments(const std::filesystem::path& folder, int count, bool rewrite, bool ownSets = false)
{
    std::filesystem::create_directories(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path p = folder / ("doc" + std::to_string(i) + ".par");
        paths << QString::fromStdString(p.string());
        if (rewrite || !std::filesystem::exists(p)) {
            const cfbtest::Bytes doc = Document(i, ownSets);
            std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(doc.data()),
                                                     static_cast<std::streamsize>(doc.size()));
        }
    }
    return paths;
}

} // namespace benchdocs
