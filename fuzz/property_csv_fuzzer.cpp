// libFuzzer target over property CSV files: any bytes are read or refused with a reason, and a
// CSV read, written again and read back gives the same names and rows.

#include "FuzzCheck.h"

#include "properties/PropertyCsv.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

bool SameCsv(const PropertyCsv& a, const PropertyCsv& b)
{
    if (a.names != b.names || a.rows.size() != b.rows.size())
        return false;
    for (qsizetype i = 0; i < a.rows.size(); ++i)
        if (a.rows[i].path != b.rows[i].path || a.rows[i].values != b.rows[i].values)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    PropertyCsv csv;
    QString error;
    if (!ParsePropertyCsv(bytes, csv, &error)) {
        Require(!error.isEmpty() && csv.names.isEmpty() && csv.rows.isEmpty(), "a refused file says why and gives nothing");
        return 0;
    }
    PropertyCsv again;
    Require(ParsePropertyCsv(PropertyCsvBytes(csv.names, csv.rows), again, &error), "a CSV written is readable");
    Require(SameCsv(again, csv), "a CSV written reads back as the same names and rows");
    return 0;
}
