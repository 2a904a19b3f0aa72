// The custom property vocabulary: the keyed list, the type names, the definitions.

#include "properties/CustomProperties.h"

#include <gtest/gtest.h>

TEST(PropertyTypeName, NamesAndNumbers)
{
    EXPECT_EQ(PropertyTypeName(1), QStringLiteral("Text"));
    EXPECT_EQ(PropertyTypeName(2), QStringLiteral("Integer"));
    EXPECT_EQ(PropertyTypeName(3), QStringLiteral("Float"));
    EXPECT_EQ(PropertyTypeName(4), QStringLiteral("Yes/No"));
    EXPECT_EQ(PropertyTypeName(5), QStringLiteral("Date"));
    EXPECT_EQ(PropertyTypeName(0), QStringLiteral("0"));
    EXPECT_EQ(PropertyTypeName(6), QStringLiteral("6"));
    EXPECT_EQ(PropertyTypeName(64), QStringLiteral("64"));
    EXPECT_EQ(PropertyTypeName(-3), QStringLiteral("-3"));
}

TEST(TDocCustomProperties, FirstEntryForANameWinsIgnoringCase)
{
    TDocCustomProperties list;
    list.Add(QStringLiteral("Material"), QStringLiteral("A"));
    list.Add(QStringLiteral("MATERIAL"), QStringLiteral("B"));
    list.Add(QStringLiteral("Številka"), QStringLiteral("1"));
    list.Add(QStringLiteral("šTEVILKA"), QStringLiteral("2"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetProperty(0)->name, QStringLiteral("Material"));
    EXPECT_EQ(list.GetProperty(0)->value, QStringLiteral("A"));
    EXPECT_EQ(list.GetProperty(1)->value, QStringLiteral("1"));
    EXPECT_TRUE(list.Contains(QStringLiteral("material")));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ŠTEVILKA")), 1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("Mass")), -1);
}

TEST(TDocCustomProperties, InnerBlanksCountAndOrderIsKept)
{
    TDocCustomProperties list;
    list.Add(QStringLiteral("Part No"), QStringLiteral("1"));
    list.Add(QStringLiteral("Part  No"), QStringLiteral("2"));
    list.Add(QStringLiteral("A"), QStringLiteral("3"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf(QStringLiteral("part  no")), 1);
    EXPECT_EQ(list.GetProperty(2)->name, QStringLiteral("A"));
}

TEST(TDocCustomProperties, OutOfRangeAndClear)
{
    TDocCustomProperties list;
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(QStringLiteral("X"), QString());
    EXPECT_EQ(list.GetProperty(-1), nullptr);
    EXPECT_EQ(list.GetProperty(list.Count()), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains(QStringLiteral("X")));
    list.Add(QStringLiteral("x"), QStringLiteral("again"));
    EXPECT_EQ(list.GetProperty(0)->value, QStringLiteral("again"));
}

TEST(PropertyModel, InitialValues)
{
    const TDocCustomPropertie p;
    EXPECT_TRUE(p.name.isEmpty());
    EXPECT_TRUE(p.value.isEmpty());
    EXPECT_FALSE(p.untouched);

    TCustomPropertie d;
    d.AddLookupValue(QStringLiteral("S235"));
    d.AddLookupValue(QStringLiteral("S235"));
    d.AddLookupValue(QString());
    EXPECT_EQ(d.lookupValues, (QStringList{QStringLiteral("S235"), QStringLiteral("S235"), QString()}));
}

TEST(PropertyDefinitions, OwnsItsDefinitionsInOrder)
{
    PropertyDefinitions defs;
    defs.Add()->name = QStringLiteral("Material");
    defs.Add()->name = QStringLiteral("Mass");
    ASSERT_EQ(defs.Count(), 2);
    EXPECT_EQ(defs.Item(1)->name, QStringLiteral("Mass"));
    EXPECT_EQ(defs.Item(2), nullptr);
    EXPECT_EQ(defs.Item(-1), nullptr);
    defs.Clear();
    EXPECT_EQ(defs.Count(), 0);
}
