#pragma once
// Cell texts for the grid benchmarks, like a title block holds: materials, numbers with a
// decimal point, names, dates and part names, drawn from one seeded generator so that every
// run measures the same grid.

#include <QString>
#include <QStringList>

#include <random>

namespace benchtext {

inline QString CellText(std::mt19937& rng)
{
    using namespace Qt::StringLiterals;
    static const QStringList words{u"S235JR"_s, u"X5CrNi18-10"_s, u"painted RAL 7035"_s, u"J. Novak"_s, u"M. Kovač"_s,
                                   u"hot-dip galvanized"_s, u"P-2024-017"_s, u"released"_s};
    switch (rng() % 4) {
    case 0: return words[int(rng() % words.size())];
    case 1: return QString::number(double(rng() % 100000) / 100.0);
    case 2: return u"2024-%1-%2"_s.arg(rng() % 12 + 1, 2, 10, QLatin1Char('0')).arg(rng() % 28 + 1, 2, 10, QLatin1Char('0'));
    default: return u"Part %1 rev %2"_s.arg(rng() % 100000).arg(QChar(u'A' + int(rng() % 6)));
    }
}

} // namespace benchtext
