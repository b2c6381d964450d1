#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("sunnyside/sunnyside.conf");
};

} // namespace

TEST_F(UserDefaultsTest, RegisteredDefaultsAreReadButNeverWritten)
{
    UserDefaults defaults(path);
    defaults.registerDefaults({{"scaleUp", false}, {"showLogo", true}, {"PreviewerHistorySize", 10}});
    EXPECT_FALSE(defaults.boolForKey("scaleUp"));
    EXPECT_TRUE(defaults.boolForKey("showLogo"));
    EXPECT_EQ(defaults.integerForKey("PreviewerHistorySize"), 10);
    EXPECT_FALSE(QFile::exists(path));

    defaults.setBool(true, "scaleUp");
    defaults.setInteger(-3, "CurrentFrameIndex");
    defaults.setDouble(0.5, "ratio");
    defaults.setObject(QStringLiteral("2.1"), "rate.ratedVersion");
    defaults.setObject(QVariantMap{{"a", 1}}, "dict");

    // A fresh reader of the same file sees the stored values, typed.
    UserDefaults again(path);
    EXPECT_TRUE(again.boolForKey("scaleUp"));
    EXPECT_EQ(again.integerForKey("CurrentFrameIndex"), -3);
    EXPECT_DOUBLE_EQ(again.doubleForKey("ratio"), 0.5);
    EXPECT_EQ(again.stringForKey("rate.ratedVersion"), "2.1");
    EXPECT_EQ(again.dictionaryForKey("dict").value("a").toInt(), 1);
    EXPECT_FALSE(again.objectForKey("showLogo").isValid()); // registered values stayed in memory
}

TEST_F(UserDefaultsTest, EveryChangePostsOneNotificationAndCallsTheKeysObservers)
{
    UserDefaults defaults(path);
    defaults.registerDefaults({{"scaleUp", false}});
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(this, kUserDefaultsDidChangeNotification, &defaults,
                                                    [&](const Notification&) { ++posted; });
    QVariantList scaleUpValues;
    const int token = defaults.addKeyObserver("scaleUp", [&](const QVariant& v) { scaleUpValues << v; });

    defaults.setBool(true, "scaleUp");
    defaults.setBool(true, "scaleUp"); // same value: no change
    defaults.setBool(true, "showLogo"); // another key
    defaults.removeObjectForKey("scaleUp"); // back to the registered NO
    EXPECT_EQ(posted, 3);
    EXPECT_EQ(scaleUpValues, (QVariantList{true, false}));

    defaults.removeKeyObserver(token);
    defaults.setBool(true, "scaleUp");
    EXPECT_EQ(scaleUpValues.size(), 2);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(UserDefaultsTest, AWriteByAnotherProcessReachesTheKeysObserver)
{
    UserDefaults defaults(path);
    defaults.registerDefaults({{"scaleUp", false}});
    defaults.setBool(false, "showLogo"); // the file exists and is watched
    QVariantList seen;
    defaults.addKeyObserver("scaleUp", [&](const QVariant& v) { seen << v; });

    {
        // Another program (or another Sunnyside) writes the same file.
        QSettings other(path, QSettings::IniFormat);
        other.setValue("scaleUp", true);
    }
    ASSERT_TRUE(spinUntil([&] { return !seen.isEmpty(); }));
    EXPECT_TRUE(defaults.boolForKey("scaleUp"));
    EXPECT_TRUE(seen.first().toBool());
}

// A damaged file is not written over: the first change moves it aside.
TEST_F(UserDefaultsTest, AChangeKeepsADamagedFileAside)
{
    const QByteArray damaged = "[General\nscaleUp=true\nshowLo";
    writeFile(path, damaged);
    UserDefaults defaults(path);
    EXPECT_FALSE(defaults.boolForKey("scaleUp"));
    defaults.setBool(true, "showLogo");
    EXPECT_EQ(readFile(path + ".damaged"), damaged);
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).allKeys(), QStringList{"showLogo"});
}
