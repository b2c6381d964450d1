#include "graphics/LXShadowCatalog.h"
#include "platform/foundation/PropertyList.h"
#include "tests/support/LogCapture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ShadowCatalog, ReadsNamedShadowsWithDefaultsForMissingKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Shadows.plist");
    ASSERT_TRUE(PropertyList::write(
        QVariantMap{
            {"OnlyColor", QVariantMap{{"color", "0 0 0 0.5"}}},
            {"Full", QVariantMap{{"color", "1 1 1"}, {"offset.x", 2.0}, {"offset.y", -1.5}, {"radius", 3.0},
                                 {"textColor", "0.5 0.5 0.5"}}},
        },
        path));
    LXShadowCatalog catalog(path);

    const std::optional<Shadow> only = catalog.shadowWithName("OnlyColor"), full = catalog.shadowWithName("Full");
    ASSERT_TRUE(only && full);
    EXPECT_EQ(std::tuple(only->offset, only->blurRadius, full->offset, full->blurRadius),
              std::tuple(QSizeF(0, 0), 0.0, QSizeF(2, -1.5), 3.0));
    EXPECT_NEAR(only->color.alphaF(), 0.5, 1e-3);
    EXPECT_FALSE(catalog.textColorForShadowWithName("OnlyColor").isValid());
    EXPECT_NEAR(catalog.textColorForShadowWithName("Full").greenF(), 0.5, 1e-3);

    EXPECT_FALSE(LXShadowCatalog::shadowWithDescritption(QVariant()));
}

TEST(ShadowCatalog, AMissingListKnowsNoNames)
{
    LogCapture log;
    LXShadowCatalog catalog(QString{});
    EXPECT_FALSE(catalog.shadowWithName("TextWhite0px"));
    LXShadowCatalog unreadable("/nonexistent/Shadows.plist");
    EXPECT_FALSE(unreadable.shadowWithName("TextWhite0px"));
}

TEST(ShadowCatalog, TheApplicationsListHasTheSkinsShadows)
{
    LXShadowCatalog& shared = LXShadowCatalog::sharedShadowCatalog();
    for (const char* name : {"TextWhite0px", "TextWhite0pxHover", "TextWhite0pxDown", "TextWhite0pxDisabled",
                             "TextBlack1px", "TextBlack1pxHover", "TextBlack1pxDown", "TextBlack1pxDisabled"}) {
        EXPECT_TRUE(shared.shadowWithName(name)) << name;
        EXPECT_TRUE(shared.textColorForShadowWithName(name).isValid()) << name;
    }
    // The effect panels' label style: grey text over a light line one pixel below.
    EXPECT_EQ(shared.textColorForShadowWithName("TextWhite0px"), QColor(71, 71, 71));
    const Shadow label = shared.shadowWithName("TextWhite0px").value_or(Shadow{});
    EXPECT_EQ(std::tuple(label.offset, label.blurRadius, label.color.lightness()), std::tuple(QSizeF(0, -1), 0.0, 255));
}
