// The property editor's grid as data: filling it from documents, turning it into changes per
// document, and putting a property set into it.

#include "properties/PropertyGrid.h"

#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Columns Material, Finish, MATERIAL (two equal names) and Mass.
void Header(TarCells& cells)
{
    PropertyDefinitions defs;
    for (const QString& name : {u"Material"_s, u"Finish"_s, u"MATERIAL"_s, u"Mass"_s}) {
        TCustomPropertie* d = defs.Add();
        d->name = name;
        d->lookupValues = {name + u"-1"_s, name + u"-2"_s};
    }
    FillPropertyHeader(cells, defs);
}
constexpr int kCols = 5;

LoadedDocument Loaded(const QString& path, const QList<std::pair<QString, QVariant>>& props)
{
    LoadedDocument d;
    d.path = path;
    d.status = LoadedDocument::Loaded;
    for (const auto& [name, value] : props)
        d.properties.append({name, 1, value});
    return d;
}

LoadedDocument Failed(const QString& path)
{
    LoadedDocument d;
    d.path = path;
    d.status = LoadedDocument::Failed;
    d.error = u"Cannot read "_s + path;
    return d;
}

// Every cell of rows 0..rows-1 as "col,row=text" (with a * when Changed), in (column, row) order.
QStringList Dump(const TarCells& cells, int rows)
{
    QStringList out;
    cells.ForEachInRange(0, 0, kCols - 1, rows - 1, [&](const TarCell& c) {
        out << u"%1,%2=%3%4"_s.arg(c.col).arg(c.row).arg(c.text, c.changed ? u"*"_s : QString());
    });
    return out;
}

} // namespace

TEST(PropertyGrid, FillsRowsByHeaderNameAndClearsChanged)
{
    TarCells cells;
    Header(cells);
    const QList<LoadedDocument> docs = {
        Loaded(u"/w/a.par"_s, {{u"material"_s, u"S235"_s}, {u"Other"_s, u"x"_s}, {u"Mass"_s, 12.5}, {u"mass"_s, 13}}),
        Loaded(u"/w/b.psm"_s, {}),
    };
    const RowsFilled filled = FillPropertyRows(cells, kCols, docs);
    EXPECT_EQ(filled.rows, 2);
    EXPECT_TRUE(filled.missingPath.isEmpty());
    EXPECT_TRUE(filled.error.isEmpty());
    // The rightmost of two equal headers gets the value; the later of two equal names wins.
    EXPECT_EQ(Dump(cells, 3), (QStringList{u"0,1=1. a.par"_s, u"0,2=2. b.psm"_s, u"1,0=Material"_s, u"2,0=Finish"_s,
                                           u"3,0=MATERIAL"_s, u"3,1=S235"_s, u"4,0=Mass"_s, u"4,1=13"_s}));
    EXPECT_EQ(cells.GetData(0, 2), u"/w/b.psm"_s);
    TarCell* header = nullptr;
    ASSERT_TRUE(cells.Find(4, 0, header));
    EXPECT_EQ(header->items, (QStringList{u"Mass-1"_s, u"Mass-2"_s}));
}

TEST(PropertyGrid, LoadingStopsAtAMissingOrUnreadableDocument)
{
    QTemporaryDir dir;
    const QString present = dir.filePath(u"present.dft"_s);
    testfiles::WriteBytes(present, "not a document");
    struct Case {
        LoadedDocument second;
        QString missing;
        QString error;
    } cases[] = {
        {Failed(dir.filePath(u"gone.dft"_s)), dir.filePath(u"gone.dft"_s), {}},
        {Failed(dir.path()), dir.path(), {}}, // a folder is no file either
        {Failed(present), {}, u"Cannot read "_s + present},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second.path.toStdString());
        TarCells cells;
        Header(cells);
        const RowsFilled filled =
            FillPropertyRows(cells, kCols, {Loaded(u"/w/a.par"_s, {{u"Finish"_s, u"red"_s}}), c.second,
                                            Loaded(u"/w/c.par"_s, {{u"Finish"_s, u"blue"_s}})});
        EXPECT_EQ(filled.rows, 1);
        EXPECT_EQ(filled.missingPath, c.missing);
        EXPECT_EQ(filled.error, c.error);
        EXPECT_EQ(cells.GetData(0, 3), QString());
        EXPECT_EQ(Dump(cells, 4).filter(u"*"_s), QStringList());
    }
}

TEST(PropertyGrid, ChangesPerDocument)
{
    TarCells cells;
    Header(cells);
    FillPropertyRows(cells, kCols,
                     {Loaded(u"/w/a.par"_s, {{u"Material"_s, u"S235"_s}, {u"Finish"_s, u"red"_s}}),
                      Loaded(u"/w/b.par"_s, {{u"Finish"_s, u"red"_s}, {u"Mass"_s, 3}}),
                      Loaded(u"/w/c.par"_s, {{u"Mass"_s, 4}})});
    cells.GetCell(1, 1)->SetText(u"left"_s);     // row 1: the left Material column changed
    cells.DeleteRange(2, 2, 2, 2);               // row 2: Finish deleted, nothing else: no change
    cells.DeleteRange(4, 3, 4, 3);               // row 3: Mass deleted ...
    cells.GetCell(2, 3)->SetText(QString());     // ... and Finish set to empty

    const std::vector<DocumentChanges> changes = CollectDocumentChanges(cells, kCols, 4);
    ASSERT_EQ(changes.size(), 3u);
    const auto entries = [](const DocumentChanges& d) {
        QStringList out;
        for (int i = 0; i < d.properties.Count(); ++i) {
            const TDocCustomPropertie* p = d.properties.GetProperty(i);
            out << p->name + u'=' + p->value + (p->untouched ? u" (untouched)"_s : QString());
        }
        return out;
    };
    EXPECT_EQ(changes[0].path, u"/w/a.par"_s);
    EXPECT_TRUE(changes[0].changed);
    // The left column of two equal names wins although the value loaded into the right one.
    EXPECT_EQ(entries(changes[0]), (QStringList{u"Material=left"_s, u"Finish=red (untouched)"_s, u"Mass="_s}));
    EXPECT_FALSE(changes[1].changed);
    EXPECT_EQ(changes[1].properties.Count(), 0);
    EXPECT_TRUE(changes[2].changed);
    EXPECT_EQ(entries(changes[2]), (QStringList{u"Material="_s, u"Finish="_s, u"Mass="_s}));
}

TEST(PropertyGrid, PropertySetRowsAndPuttingASetBack)
{
    TarCells cells;
    Header(cells);
    FillPropertyRows(cells, kCols,
                     {Loaded(u"C:\\Work\\flange.par"_s, {{u"Finish"_s, u"red"_s}}),
                      Loaded(u"C:\\Work\\cover.psm"_s, {{u"Mass"_s, 2}}),
                      Loaded(u"C:\\Work\\flange.par"_s, {})});
    const QList<PropertySetRow> rows = PropertySetRowsFromCells(cells, kCols, 4);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].path, u"C:\\Work\\cover.psm"_s);
    EXPECT_EQ(rows[1].values, (QList<QPair<QString, QString>>{
                                  {u"Material"_s, {}}, {u"Finish"_s, {}}, {u"MATERIAL"_s, {}}, {u"Mass"_s, u"2"_s}}));

    const int set = PutPropertySet(cells, kCols, 4,
                                   {{u"C:\\WORK\\FLANGE.PAR"_s, {{u"finish"_s, u"a;b"_s}, {u"Unknown"_s, u"x"_s}, {u"material"_s, {}}}},
                                    {u"C:\\Work\\elsewhere.par"_s, {{u"Finish"_s, u"y"_s}}}});
    EXPECT_EQ(set, 4); // both rows of flange.par, two known names each
    EXPECT_EQ(Dump(cells, 4).filter(u"*"_s),
              (QStringList{u"2,1=a;b*"_s, u"2,3=a;b*"_s, u"3,1=*"_s, u"3,3=*"_s}));
}

TEST(PropertyGrid, ColumnsOfTheDocumentsOwnPropertiesReadOnlyCellsAndChanges)
{
    TarCells cells;
    PropertyDefinitions custom, system;
    for (const QString& name : {u"Title"_s})
        custom.Add()->name = name;
    for (const QString& name : {u"title"_s, u"Document Number"_s, u"Status"_s, u"Colour"_s})
        system.Add()->name = name;
    const int cols = FillPropertyHeader(cells, custom, &system);
    ASSERT_EQ(cols, 5);
    EXPECT_EQ((QStringList{cells.GetText(1, 0), cells.GetText(2, 0), cells.GetText(3, 0), cells.GetText(4, 0)}),
              (QStringList{u"Title"_s, u"System.Title"_s, u"System.Document Number"_s, u"System.Status"_s}));
    EXPECT_EQ(SystemColumnNames(cells, cols), (QStringList{u"Title"_s, u"Document Number"_s, u"Status"_s}));

    // Row 1 has every set; row 2 lacks the project information set.
    LoadedDocument full = Loaded(u"/w/a.par"_s, {{u"Title"_s, u"custom"_s}, {u"System.Title"_s, u"a custom one"_s}});
    full.system = {{u"Title"_s, 1, u"Bracket"_s}, {u"Document Number"_s, 1, u"D-1"_s}, {u"Status"_s, 2, 1}};
    full.systemReadOnly = {u"Status"_s};
    LoadedDocument lacking = Loaded(u"/w/b.par"_s, {});
    lacking.system = {{u"Title"_s, 1, u"Cover"_s}};
    lacking.systemReadOnly = {u"Document Number"_s, u"Status"_s};
    ASSERT_EQ(FillPropertyRows(cells, cols, {full, lacking}).rows, 2);
    EXPECT_EQ((QStringList{cells.GetText(1, 1), cells.GetText(2, 1), cells.GetText(3, 1), cells.GetText(4, 1)}),
              (QStringList{u"custom"_s, u"Bracket"_s, u"D-1"_s, u"1"_s}));
    struct Case {
        int col, row;
        bool readOnly;
    };
    for (const Case& k : {Case{1, 1, false}, Case{2, 1, false}, Case{3, 1, false}, Case{4, 1, true}, Case{3, 2, true},
                          Case{4, 2, true}, Case{2, 2, false}})
        EXPECT_EQ(cells.ReadOnly(k.col, k.row), k.readOnly) << k.col << "," << k.row;

    // A changed own cell goes into `system`, an unchanged one nowhere; read-only cells never.
    cells.GetCell(2, 1)->SetText(u"Nosilec"_s);
    cells.GetCell(4, 1)->SetText(u"5"_s);
    cells.GetCell(3, 2)->SetText(u"D-2"_s);
    cells.GetCell(1, 2)->SetText(u"x"_s);
    const std::vector<DocumentChanges> changes = CollectDocumentChanges(cells, cols, 3);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].system, (std::vector<std::pair<QString, QString>>{{u"Title"_s, u"Nosilec"_s}}));
    EXPECT_EQ(changes[0].properties.Count(), 1);
    EXPECT_TRUE(changes[1].system.empty());
    EXPECT_EQ(changes[1].properties.GetProperty(0)->value, u"x"_s);

    // Deleting makes the own Title a removal (a null text) and leaves the read-only Status; a
    // property set leaves read-only cells alone too.
    const CellsRefused refused = DeletePropertyCells(cells, CellArea{1, 4, {1}});
    EXPECT_EQ((std::vector<int>{refused.count, refused.col, refused.row}), (std::vector<int>{1, 4, 1}));
    EXPECT_EQ(cells.GetText(4, 1), u"5"_s);
    const std::vector<DocumentChanges> removal = CollectDocumentChanges(cells, cols, 3);
    ASSERT_EQ(removal[0].system.size(), 2u);
    EXPECT_EQ(removal[0].system[0].first, u"Title"_s);
    EXPECT_TRUE(removal[0].system[0].second.isNull());
    PropertySetPlacement placement;
    PutPropertySet(cells, cols, 3, {{u"/w/b.par"_s, {{u"System.Document Number"_s, u"D-9"_s}}}}, &placement);
    EXPECT_EQ(cells.GetText(3, 2), u"D-2"_s);
    EXPECT_EQ(placement.readOnly, 1);
}
