#include "tests/faults/FaultKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSettings>

#include <gtest/gtest.h>

// A full disk: every write past a few KiB fails. The user is told, and
// nothing, whole or partial, is left at the target or beside it.
TEST(Faults, AFullDiskLeavesNoFileBehind)
{
    for (const bool apply : {false, true}) {
        SCOPED_TRACE(apply ? "apply" : "render");
        Machine machine;
        const QString photo = machine.photo();
        const QString out = machine.root() + "/out";
        QDir().mkdir(out);
        const QStringList arguments = apply ? QStringList{"--apply", photo}
                                            : QStringList{"--render", photo, "--size", "640x400", "--output", out + "/wall.jpg"};
        const QString folder = apply ? machine.wallpapers() : out;
        const Outcome run = sunnyside(machine, arguments, {.fileSizeLimit = 2048});
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Could not save File\nWriting the image '" + folder + "/")) << run.err.toStdString();
        EXPECT_EQ(entries(folder), QStringList());
    }
}

// Killed at random moments while it writes, and once by the kernel in the
// middle of the write (a window random kills may miss): the target holds the
// whole old file or the whole new one, never a torn one.
TEST(Faults, AKillLeavesTheWholeOldOrTheWholeNewFile)
{
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    constexpr int kills = 12;
    // The last kill: the write that passes half the file's size.
    const auto faults = [](int i, qint64 size) {
        return i < kills - 1 ? ChildFaults{} : ChildFaults{.fileSizeLimit = size / 2, .killedPastLimit = true};
    };

    { // The defaults, rewritten without end by another process.
        SCOPED_TRACE("defaults");
        Machine machine;
        const QString target = machine.home() + "/.config/sunnyside/sunnyside.conf";
        const QString writer = QCoreApplication::applicationDirPath() + "/faults_defaults_writer";
        for (int i = 0; i < kills; ++i) {
            const auto process = machine.start({target}, faults(i, 65536), writer);
            if (i < kills - 1) {
                ASSERT_TRUE(process->waitForReadyRead(60000))
                    << "kill " << i << ": " << process->readAllStandardError().toStdString();
                if (!process->waitForFinished(random.bounded(200)))
                    process->kill();
            }
            // A lock file left empty by a killed writer counts as stale only after 30 s.
            process->waitForFinished(90000);
            EXPECT_EQ(process->exitStatus(), QProcess::CrashExit) << "kill " << i;
            const QString payload = QSettings(target, QSettings::IniFormat).value("payload").toString();
            const qsizetype colon = payload.indexOf(':');
            const int version = payload.left(colon).toInt();
            ASSERT_GT(version, 0) << "kill " << i;
            EXPECT_EQ(payload.mid(colon + 1), QString(65536, QChar(u'a' + version % 26))) << "kill " << i;
        }
    }

    { // The wallpaper, written over an older one.
        SCOPED_TRACE("wallpaper");
        Machine machine;
        const QString photo = machine.photo();
        const QString target = machine.root() + "/wall.png";
        const QStringList render{"--render", photo, "--size", "480x300", "--output"};
        ASSERT_EQ(sunnyside(machine, render + QStringList{target, "--no-logo"}).status, 0);
        const QByteArray old = readFile(target);
        QElapsedTimer clock;
        clock.start();
        ASSERT_EQ(sunnyside(machine, render + QStringList{machine.root() + "/new.png"}).status, 0);
        const int whole = int(clock.elapsed());
        const QByteArray fresh = readFile(machine.root() + "/new.png");
        ASSERT_NE(old, fresh);
        for (int i = 0; i < kills; ++i) {
            const auto process = machine.start(render + QStringList{target}, faults(i, fresh.size()));
            // Late in the run, where the file is written, and beyond it.
            if (i < kills - 1 && !process->waitForFinished(int(whole * (0.5 + 0.7 * random.generateDouble()))))
                process->kill();
            process->waitForFinished();
            EXPECT_TRUE(i < kills - 1 || process->exitStatus() == QProcess::CrashExit) << "not killed in the write";
            const QByteArray now = readFile(target);
            ASSERT_TRUE(now == old || now == fresh) << "kill " << i << ": " << now.size() << " bytes";
        }
    }
}
