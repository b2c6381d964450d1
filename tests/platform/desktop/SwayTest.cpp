// The sway backend against a real sway: headless, as an unprivileged user
// (sway refuses root), every picture checked on a grim screenshot.

#include "DesktopTestKit.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Programs.h"

#include "platform/desktop/CommandBackends.h"
#include "platform/desktop/SafeImagePath.h"

#include <QColor>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

// A headless sway; its files live in `base`, open to its user.
struct Sway {
    QTemporaryDir base;
    QProcess process;
    QString runtime, work, socket, wayland, pictures, skipReason;
    std::optional<ScopedVariable> linkRuntime, swaysock;

    static QString missing()
    {
        for (const char* program : {"sway", "swaybg", "swaymsg", "grim"})
            if (findProgram(program).isEmpty())
                return QStringLiteral("%1 is not installed").arg(program);
        if (::getuid() == 0 && findProgram("setpriv").isEmpty())
            return QStringLiteral("setpriv is not installed (sway must not run as root)");
        if (::getuid() == 0 && !::getpwnam("nobody"))
            return QStringLiteral("no unprivileged user \"nobody\" to run sway as");
        return {};
    }

    // A folder the user sway runs as may use; `own`: it owns it too.
    QString folder(const QString& name, bool own, QFile::Permissions permissions)
    {
        const QString path = base.filePath(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, permissions);
        if (own && ::getuid() == 0) {
            const passwd* user = ::getpwnam("nobody");
            if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0)
                return {};
        }
        return path;
    }

    Sway()
    {
        skipReason = missing();
        if (!skipReason.isEmpty())
            return;
        constexpr auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(base.path(), open);
        runtime = folder("runtime", true, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        work = folder("work", true, open); // where a smuggled "touch PWNED" would land
        pictures = folder("pictures", false, open);
        // Our links, where sway's user can follow them (in a session both are one user).
        const QString linkRuntime = folder("links", false, open);
        folder("links/sunnyside", false, open);
        this->linkRuntime.emplace("XDG_RUNTIME_DIR", linkRuntime);

        const QString config = writeFile(base.filePath("config"), "output * bg #000000 solid_color\n");
        QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

        QProcessEnvironment environment;
        for (const auto& [name, value] : {std::pair<QString, QString>{"PATH", qEnvironmentVariable("PATH")},
                                          {"XDG_RUNTIME_DIR", runtime}, {"WLR_BACKENDS", "headless"},
                                          {"WLR_LIBINPUT_NO_DEVICES", "1"}, {"WLR_RENDERER", "pixman"}})
            environment.insert(name, value);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work);
        process.setStandardOutputFile(base.filePath("sway.log"));
        process.setStandardErrorFile(base.filePath("sway.log"));
        QStringList arguments{findProgram("sway"), "-c", config};
        if (::getuid() == 0)
            arguments = QStringList{"--reuid=nobody", "--regid=" + QString::number(::getpwnam("nobody")->pw_gid),
                                    "--clear-groups", "--"} + arguments;
        process.start(::getuid() == 0 ? findProgram("setpriv") : arguments.takeFirst(), arguments);

        const bool ready = spinUntil([&] {
            const QStringList sockets = QDir(runtime).entryList({"sway-ipc.*.sock"}, QDir::System);
            const QStringList displays = QDir(runtime).entryList({"wayland-?"}, QDir::System);
            if (sockets.isEmpty() || displays.isEmpty())
                return process.state() == QProcess::NotRunning; // gave up
            socket = QDir(runtime).filePath(sockets.first());
            wayland = displays.first();
            return true;
        }, 10000);
        if (!ready || socket.isEmpty()) {
            skipReason = "sway did not start headless: " + QString::fromLocal8Bit(readFile(base.filePath("sway.log")).right(800));
            return;
        }
        swaysock.emplace("SWAYSOCK", socket);
    }

    ~Sway()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    // The colour grim sees in the middle of the output, invalid when it fails.
    QColor centre()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime);
        environment.insert("WAYLAND_DISPLAY", wayland);
        const QImage shot = QImage::fromData(programOutput(findProgram("grim"), {"-"}, environment).value_or(QByteArray()));
        return shot.isNull() ? QColor() : shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }
};

} // namespace

TEST(SwayRunsPhotoNamesAsCommands, ThePictureIsSetAndNothingRuns)
{
    Sway real;
    if (!real.skipReason.isEmpty())
        GTEST_SKIP() << real.skipReason.toStdString();
    const QColor colour(200, 40, 90); // sway starts out black
    QTemporaryDir dir(real.pictures + "/XXXXXX");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther);
    const QString picture = makeColourPicture(dir, hostilePhotoName(), colour);
    ASSERT_FALSE(picture.isEmpty());

    LogCapture log;
    SwayBackend sway;
    const Result<> result = sway.setImage(picture, "HEADLESS-1");
    EXPECT_TRUE(result.ok()) << result.reason().toStdString();
    EXPECT_TRUE(spinUntil([&] {
        const QColor shown = real.centre();
        return shown.isValid() && std::abs(shown.red() - colour.red()) <= 12
            && std::abs(shown.green() - colour.green()) <= 12 && std::abs(shown.blue() - colour.blue()) <= 12;
    }, 10000))
        << "sway shows " << real.centre().name().toStdString() << ", not " << colour.name().toStdString();
    EXPECT_EQ(pwnedFiles({real.work, dir.path(), real.base.path()}), QStringList());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
}
