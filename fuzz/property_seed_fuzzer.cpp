// libFuzzer target over property seed files: any bytes are read as a shared text file and
// parsed, or refused with KrdlError. Every definition has a name and is Text; the block
// search, which goes through an index of the lines, finds what a plain search line by line finds.

#include "FuzzCheck.h"

#include "common/Error.h"
#include "common/SharedText.h"
#include "common/TextField.h"
#include "properties/PropertySeed.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// The block between the first line matching `begin` and the first line after it matching `end`,
// line by line; false when there is no such block.
bool PlainBlock(const QStringList& lines, const QString& begin, const QString& end, QStringList& block)
{
    const auto matches = [](const QString& marker) {
        return [&marker](const QString& line) { return LineMatchesMarker(line, marker); };
    };
    const auto first = std::find_if(lines.cbegin(), lines.cend(), matches(begin));
    if (first == lines.cend())
        return false;
    const auto last = std::find_if(first + 1, lines.cend(), matches(end));
    if (last == lines.cend())
        return false;
    block = QStringList(first + 1, last);
    return true;
}

void RequireSameBlock(const QStringList& lines, const QString& begin, const QString& end)
{
    QStringList indexed;
    QStringList plain;
    const bool found = ExtractBlock(lines, begin, end, indexed);
    Require(found == PlainBlock(lines, begin, end, plain) && indexed == plain,
            "the indexed block search finds what a plain search finds");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text;
    if (!DecodeSharedText(bytes, text))
        return 0;
    PropertyDefinitions definitions;
    try {
        ParsePropertySeed(text, definitions);
    } catch (const KrdlError&) {
        Require(definitions.Count() == 0, "a refused seed file adds no definition");
        return 0;
    }

    const QStringList lines = SplitSeedLines(text);
    RequireSameBlock(lines, u"Begin Define Custom"_s, u"End Define Custom"_s);
    for (int i = 0; i < definitions.Count(); ++i) {
        const TCustomPropertie* definition = definitions.Item(i);
        Require(!definition->name.isEmpty() && TrimControl(definition->name) == definition->name,
                "a definition has a name without blanks around it");
        Require(std::none_of(definition->lookupValues.cbegin(), definition->lookupValues.cend(),
                             [](const QString& v) { return v.isEmpty(); }),
                "no lookup value is empty");
        if (i < 8)
            RequireSameBlock(lines, u"Begin "_s + definition->name, u"End "_s + definition->name);
    }
    return 0;
}
