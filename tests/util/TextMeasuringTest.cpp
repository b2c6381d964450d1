#include "util/AttributedStringExtension.h"
#include "util/LXFontLoader.h"
#include "util/ObjectExtension.h"
#include "tests/support/EventLoop.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Lato, shipped: the machine's default font may have an ellipsis wider than "W".
const QFont& lato()
{
    static const QFont font = [] {
        if (!QFontDatabase::families().contains("Lato"))
            LXFontLoader::loadFontsBundle();
        return QFont("Lato", 13);
    }();
    return font;
}

AttributedString text(const QString& string)
{
    return {{string, lato()}};
}

} // namespace

TEST(TextMeasuring, TruncationKeepsWholeClustersAndEndsInAnEllipsisOrNothing)
{
    struct Row { const char* name; QString text, expected; } rows[] = {
        {"fits", "Hello", "Hello"},
        {"one character too wide", "HelloWW", "Hello…"},
        {"a single character", "W", "…"},
        {"emoji", "ab👍", "a…"},
        {"combining accent", "e\u0301bc", "e\u0301…"},
        {"an ellipsis too wide", "Hello", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const AttributedString input = text(row.text);
        const double limit = row.expected.isEmpty() ? 1 : widthForHeight(text(row.expected), 1e9);
        const AttributedString result = truncatedStringWithWidth(input, limit);
        QString plain;
        for (const TextRun& run : result)
            plain += run.text;
        EXPECT_EQ(plain, row.expected);
        EXPECT_EQ(result.isSharedWith(input), row.text == row.expected);
    }
}

TEST(TextMeasuring, LinesAddUpOnceRoundedAndATrailingLineFeedIsNoLine)
{
    const QFontMetricsF metrics(lato());
    const double line = metrics.ascent() + metrics.descent() + metrics.leading();
    EXPECT_EQ(heightForWidth(text("one\ntwo\nthree"), 500), std::ceil(3 * line));
    EXPECT_EQ(sizeForWidth(text("one\n"), 500, 500), sizeForWidth(text("one"), 500, 500));
    EXPECT_EQ(sizeForWidth({}, 500, 500), QSizeF(0, 0));
}

TEST(TextMeasuring, ADelayedChangeArrivesAfterTheEventAndNeverAfterDeletion)
{
    auto* field = new QLineEdit("x");
    int changes = 0;
    QObject::connect(field, &QLineEdit::textChanged, [&](const QString& value) { changes += value == "x"; });
    delayedChangeValueForKey(field, "text");
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(spinUntil([&] { return changes == 1; }));
    delayedChangeValueForKey(field, "text");
    delete field; // the queued block must find it gone (ASan watches)
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1);
}
