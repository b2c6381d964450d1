#include "platform/foundation/Application.h"
#include "platform/foundation/NotificationCenter.h"

#include <QFileInfo>

#include <gtest/gtest.h>

TEST(Application, TemporaryFolderIsPrivateToTheUser)
{
    const QString path = Application::temporaryDirectory();
    const QFileInfo info(path);
    ASSERT_TRUE(info.isDir());
    EXPECT_TRUE(info.fileName().startsWith("sunnyside-"));
    EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_EQ(Application::temporaryDirectory(), path);
}

TEST(Application, WillTerminateIsPostedOnce)
{
    int heard = 0;
    int observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kApplicationWillTerminateNotification, nullptr,
                                                    [&](const Notification&) { ++heard; });
    Application::postWillTerminate();
    Application::postWillTerminate();
    EXPECT_EQ(heard, 1);
    NotificationCenter::defaultCenter().removeObserver(&observer);
}
