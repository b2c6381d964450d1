#include "resources/StringResources.h"

#include <gtest/gtest.h>

namespace {

void expectInfo(const QString& text, const QString& type, quint64 index, const QString& name, const QString& options)
{
    const LXResourceInfo info = resourceInfo(text);
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(info.type, type);
    EXPECT_EQ(info.type.isNull(), type.isNull());
    EXPECT_EQ(info.index, index);
    EXPECT_EQ(info.name, name);
    EXPECT_EQ(info.options, options);
    EXPECT_EQ(info.options.isNull(), options.isNull());
}

constexpr quint64 none = LXResourceInfo::NoIndex;

} // namespace

TEST(ResourceIdentifier, ParsesTypeIndexNameAndOptions)
{
    expectInfo("ALX-T#010#Wood-Light-Knots", "ALX-T", 10, "Wood-Light-Knots", QString());
    expectInfo("FRM-I#000#Internal-Auto", "FRM-I", 0, "Internal-Auto", QString());
    expectInfo("ALX-M#003#Heart", "ALX-M", 3, "Heart", QString());
    expectInfo("Heart", QString(), none, "Heart", QString());
    expectInfo("ALX-T#Wood", "ALX-T", none, "Wood", QString());
    expectInfo("ALX-T#010", "ALX-T", none, "010", QString()); // a bare ID: the number is the name
    expectInfo("/res/Textures/ALX-T#010#Wood-Light-Knots#R@2x.png", "ALX-T", 10, "Wood-Light-Knots", "R");
    expectInfo("ALX-X#007#Copy#a#b", "ALX-X", 7, "Copy", "a#b"); // options may hold "#"
    expectInfo("ALX-T#x1y#Odd", "ALX-T", 0, "Odd", QString());   // no digits read as 0
    expectInfo("ALX-T#12a#Odd", "ALX-T", 12, "Odd", QString());  // leading digits only
}

TEST(ResourceIdentifier, StripsOneVariantSuffixAndTheExtension)
{
    expectInfo("ALX-M#003#Heart-iPad.png", "ALX-M", 3, "Heart", QString());
    expectInfo("ALX-M#003#Heart-iPhone.png", "ALX-M", 3, "Heart", QString());
    expectInfo("ALX-M#003#Heart-iPad@2x.png", "ALX-M", 3, "Heart-iPad", QString());
    expectInfo("ALX-M#003#Heart@2x.tiff", "ALX-M", 3, "Heart", QString());
    expectInfo("ALX-T#001#Wood 1.5", "ALX-T", 1, "Wood 1", QString()); // a point starts the extension
}

TEST(ResourceIdentifier, BuildsIdsAndIdNames)
{
    EXPECT_EQ(resourceIDForType("ALX-T", 10), "ALX-T#010");
    EXPECT_EQ(resourceIDForType("ALX-T", 7), "ALX-T#007");
    EXPECT_EQ(resourceIDForType("ALX-T", 1234), "ALX-T#1234");
    EXPECT_EQ(resourceInfo(resourceIDForType("ALX-T", 1234) + "#Name").index, none); // no longer parses back
    EXPECT_EQ(resourceIDForType(QString(), 10), "#010");
    EXPECT_EQ(resourceIDForType("ALX-T", none), "ALX-T");
    EXPECT_EQ(resourceIDForType(QString(), none), "");
    EXPECT_FALSE(resourceIDForType(QString(), none).isNull());

    EXPECT_EQ(resourceIDName("ALX-T#010#Wood-Light-Knots#R"), "ALX-T#010#Wood-Light-Knots");
    EXPECT_EQ(resourceIDName("Heart"), "Heart");
    EXPECT_EQ(resourceID("Heart"), "");
    EXPECT_EQ(resourceID("ALX-T#Wood"), "ALX-T");
    EXPECT_EQ(resourceID("ALX-T#010"), "ALX-T");
    EXPECT_EQ(fileprefix("Textures/ALX-T#010#Wood.png"), "ALX-T#010");
    EXPECT_EQ(resourceIDNameFor({"FRM-U", 2, "Mine", "opts"}), "FRM-U#002#Mine");
}

TEST(ResourceIdentifier, TypeCodesNameTheirDirectories)
{
    EXPECT_EQ(resourcePath("ALX-T"), "Textures");
    EXPECT_EQ(resourcePath("FRM-E"), "ExternalMasks");
    EXPECT_EQ(resourcePath("ALX-M"), resourcePath("FRM-M"));
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
    EXPECT_EQ(runs[0].text, "Drop a ");
    EXPECT_EQ(runs[1].text, "photo");
    EXPECT_TRUE(runs[1].font.bold());
    EXPECT_EQ(runs[1].font.pointSizeF(), 12);
    EXPECT_EQ(runs[1].font.family(), font.family());
    EXPECT_FALSE(runs[2].font.bold());
    EXPECT_EQ(runs[4].text, " one");

    const AttributedString plain = atrributedStringWithAtributes("no tags");
    ASSERT_EQ(plain.size(), 1);
    EXPECT_EQ(plain[0].font.pointSizeF(), 10);
}
