#include "platform/foundation/PropertyList.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QDateTime>
#include <QPointF>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QVariantMap sampleTree()
{
    return QVariantMap{
        {"name", QStringLiteral("Wood – Light Knots")},
        {"count", qint64(-42)},
        {"big", qint64(1) << 40},
        {"ratio", 0.25},
        {"on", true},
        {"off", false},
        {"when", QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC)},
        {"bytes", QByteArray("\x00\x01\xFFzz", 5)},
        {"list", QVariantList{qint64(1), QStringLiteral("two"), QVariantMap{{"three", 3.5}}}},
        {"empty", QVariantMap{}},
    };
}

} // namespace

TEST(PropertyList, RoundTripsEveryTypeThroughAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tree.plist");
    ASSERT_TRUE(PropertyList::write(sampleTree(), path));
    const QVariant back = PropertyList::read(path);
    EXPECT_EQ(back.toMap(), sampleTree());
    // Integers come back as 64-bit integers, not reals or strings.
    EXPECT_EQ(back.toMap().value("count").typeId(), QMetaType::LongLong);
    EXPECT_TRUE(readFile(path).startsWith("<?xml"));
}

TEST(PropertyList, ReadsBinaryAndHandWrittenListsAndRefusesBrokenOnesWithOneError)
{
    QTemporaryDir dir;
    const QByteArray broken = "<plist><dict><key>a</key><string>x</dict>";
    writeFile(dir.filePath("broken.plist"), broken);
    writeFile(dir.filePath("empty.plist"), "");
    struct Row { const char* name; QByteArray data; QVariant tree; } rows[] = {
        // A binary list of {"a": 1, "b": "x"} as the other desktop's tools write it.
        {"binary",
         QByteArray::fromHex("62706c6973743030" "d201020304" "5161" "5162" "1001" "5178" // header, objects
                             "080d0f1113"                                                 // offset table
                             "000000000000" "01" "01" "0000000000000005" "0000000000000000" "0000000000000015"),
         QVariantMap{{"a", qint64(1)}, {"b", QStringLiteral("x")}}},
        {"by hand",
         "<plist version=\"1.0\"><array><string>TextWhite0px</string><real>-1.5</real><true/><integer>7</integer></array></plist>",
         QVariantList{QStringLiteral("TextWhite0px"), -1.5, true, qint64(7)}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PropertyList::fromData(row.data), row.tree) << row.name;
    for (const char* file : {"broken.plist", "missing.plist", "empty.plist"}) {
        LogCapture log;
        EXPECT_FALSE(PropertyList::read(dir.filePath(file)).isValid()) << file;
        ASSERT_EQ(log.lines().size(), 1) << file;
        EXPECT_TRUE(log.lines().first().startsWith("Error: ")) << file;
        EXPECT_TRUE(log.lines().first().contains(dir.filePath(file))) << log.lines().first().toStdString();
    }
    LogCapture log;
    EXPECT_FALSE(PropertyList::fromData(PropertyList::toXml(sampleTree()).left(200)).isValid());
}

TEST(PropertyList, AFailedWriteLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.plist");
    ASSERT_TRUE(PropertyList::write(QVariantMap{{"v", qint64(1)}}, path));
    const QByteArray before = readFile(path);

    LogCapture log;
    // A value with no list form: nothing is written.
    EXPECT_FALSE(PropertyList::write(QVariant(QPointF(1, 2)), path));
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(log.contains("Error: "));

    // A folder that cannot be written.
    EXPECT_FALSE(PropertyList::write(QVariantMap{}, dir.filePath("no/such/folder/x.plist")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.plist"});
}

TEST(PropertyList, ABadValueIsLeftOutWithAWarningAndDoesNotMakeTheDocumentUnsaveable)
{
    QTemporaryDir dir;
    LogCapture log;
    const auto effects = [](const QVariantMap& effect) { return QVariantMap{{"effects", QVariantList{effect}}}; };
    const QVariantMap tint{{"name", QStringLiteral("Tint")}};
    ASSERT_TRUE(PropertyList::write(effects({{"name", QStringLiteral("Tint")}, {"inputColor", QVariant()}}), dir.filePath("s")));
    EXPECT_EQ(PropertyList::read(dir.filePath("s")), effects(tint));
    EXPECT_EQ(log.lines(), QStringList{"Warning: property list entry 'effects/0/inputColor' was left out: a nil value has "
                                       "no property list form"});
}
