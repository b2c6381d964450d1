#include "resources/StringResources.h"

#include <gtest/gtest.h>

namespace {
constexpr quint64 none = LXResourceInfo::NoIndex;
} // namespace

TEST(ResourceIdentifier, ParsesTypeIndexNameAndOptionsAndStripsOneVariantSuffix)
{
    const QString null;
    struct Row { QString text, type; quint64 index; QString name, options; } rows[] = {
        {"ALX-T#010#Wood-Light-Knots", "ALX-T", 10, "Wood-Light-Knots", null},
        {"Heart", null, none, "Heart", null},
        {"ALX-T#Wood", "ALX-T", none, "Wood", null},
        {"ALX-T#010", "ALX-T", none, "010", null}, // a bare ID: the number is the name
        {"/res/Textures/ALX-T#010#Wood-Light-Knots#R@2x.png", "ALX-T", 10, "Wood-Light-Knots", "R"},
        {"ALX-X#007#Copy#a#b", "ALX-X", 7, "Copy", "a#b"}, // options may hold "#"
        {"ALX-T#x1y#Odd", "ALX-T", 0, "Odd", null},        // no digits read as 0
        {"ALX-T#12a#Odd", "ALX-T", 12, "Odd", null},       // leading digits only
        {"ALX-M#003#Heart-iPad.png", "ALX-M", 3, "Heart", null},
        {"ALX-M#003#Heart-iPad@2x.png", "ALX-M", 3, "Heart-iPad", null},
        {"ALX-T#001#Wood 1.5", "ALX-T", 1, "Wood 1", null}, // a point starts the extension
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const LXResourceInfo info = resourceInfo(row.text);
        EXPECT_EQ(std::tuple(info.type, info.type.isNull(), info.index, info.name, info.options, info.options.isNull()),
                  std::tuple(row.type, row.type.isNull(), row.index, row.name, row.options, row.options.isNull()));
    }
}

TEST(ResourceIdentifier, BuildsIdsNamesAndDirectories)
{
    const std::pair<QString, QString> rows[] = {
        {resourceIDForType("ALX-T", 10), "ALX-T#010"},
        {resourceIDForType("ALX-T", 1234), "ALX-T#1234"},
        {resourceIDForType(QString(), 10), "#010"},
        {resourceIDForType("ALX-T", none), "ALX-T"},
        {resourceIDName("ALX-T#010#Wood-Light-Knots#R"), "ALX-T#010#Wood-Light-Knots"},
        {resourceIDName("Heart"), "Heart"},
        {resourceID("Heart"), ""},
        {resourceID("ALX-T#Wood"), "ALX-T"},
        {fileprefix("Textures/ALX-T#010#Wood.png"), "ALX-T#010"},
        {resourceIDNameFor({"FRM-U", 2, "Mine", "opts"}), "FRM-U#002#Mine"},
        {resourcePath("ALX-T"), "Textures"},
        {resourcePath("FRM-E"), "ExternalMasks"},
        {resourcePath("FRM-M"), resourcePath("ALX-M")},
    };
    for (const auto& [got, want] : rows)
        EXPECT_EQ(got, want);
    EXPECT_FALSE(resourceIDForType(QString(), none).isNull());
    EXPECT_EQ(resourceInfo("ALX-T#1234#Name").index, none); // four digits no longer parse back
    EXPECT_TRUE(resourcePath("BAR-T").isNull());
    EXPECT_TRUE(hasAnySubstringOf("ALX-F#001#GoldMask", {"Shadow", "Mask"}));
    EXPECT_FALSE(hasAnySubstringOf("ALX-F#001#Gold", {"Shadow", "Mask"}));
    EXPECT_FALSE(hasAnySubstringOf("anything", {}));
}

TEST(AttributedString, BoldRunsLoseTheirTags)
{
    QFont font("DejaVu Sans", 12);
    const AttributedString runs = atrributedStringWithAtributes("Drop a <b>photo</b> here, or <b>open</b> one", &font);
    ASSERT_EQ(runs.size(), 5);
    EXPECT_EQ(runs[1].font.pointSizeF(), 12);
    EXPECT_EQ(runs[1].font.family(), font.family());
    EXPECT_FALSE(runs[2].font.bold());
    EXPECT_EQ(runs[4].text, " one");

    const AttributedString plain = atrributedStringWithAtributes("no tags");
    ASSERT_EQ(plain.size(), 1);
    EXPECT_EQ(plain[0].font.pointSizeF(), 10);
}
