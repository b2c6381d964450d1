#include "tests/faults/FaultKit.h"
#include "tests/platform/desktop/DesktopTestKit.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// A desktop on the test's machine: its session variables, fake programs and services.
struct Desktop {
    TestBus bus;
    QDBusConnection connection = bus.connect();
    FakePlasmaShell plasma;
    FakePortal portal{connection};
    bool serving = plasma.serve(connection) && portal.serving;
};

void enter(Machine& machine, Desktop& desktop, const QString& kind)
{
    // The variable each kind of session is known by.
    const QHash<QString, std::pair<QString, QString>> marks{{"sway", {"SWAYSOCK", machine.root() + "/sway.sock"}},
                                                           {"Hyprland", {"HYPRLAND_INSTANCE_SIGNATURE", "test"}},
                                                           {"portal", {"XDG_SESSION_TYPE", "wayland"}}};
    const auto [name, value] = marks.value(kind, {"XDG_CURRENT_DESKTOP", kind});
    machine.environment().insert(name, value);
    machine.environment().insert("DBUS_SESSION_BUS_ADDRESS", desktop.bus.address());
}

// The path the Plasma script hands to writeConfig("Image", ...): its one image
// line's string, read by a JSON parser (JSON's strings are JavaScript's, stricter).
QString plasmaPath(const QString& script)
{
    const QString literal = QRegularExpression(R"re(^var image = ("(?:[^"\\]|\\.)*");$)re", QRegularExpression::MultilineOption)
                                .match(script)
                                .captured(1);
    const QString url = QJsonDocument::fromJson(("[" + literal + "]").toUtf8()).array().at(0).toString();
    return QUrl(url, QUrl::StrictMode).toLocalFile();
}

} // namespace

// A desktop that never answers: the time limit ends the wait, the alert
// names the desktop, and the picture stays saved.
TEST(Faults, AHangingDesktopIsCutOffAndThePictureKept)
{
    struct Row { const char* kind; QString said; };
    const QList<Row> rows{
        {"sway", "swaymsg did not finish within 10 seconds"},
        {"KDE", "Plasma did not answer within 10 seconds"},
        {"portal", "the desktop portal did not answer within 10 seconds"},
    };
    Desktop desktop;
    ASSERT_TRUE(desktop.serving);
    desktop.plasma.answers = desktop.portal.replies = false;
    // All at once: each waits out its own time limit.
    std::vector<std::unique_ptr<Machine>> machines;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const Row& row : rows) {
        machines.push_back(std::make_unique<Machine>());
        Machine& machine = *machines.back();
        enter(machine, desktop, row.kind);
        // Its helper would outlive a killed shell.
        machine.fakeProgram("swaymsg", "/bin/sleep 600 & echo $! > '" + machine.root() + "/helper.pid'; wait");
        runs.push_back(machine.start({"--apply", machine.photo()}));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].kind);
        const Outcome run = finish(*runs[i]);
        Machine& machine = *machines[i];
        EXPECT_EQ(run.status, 3) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Could not set Desktop for this reason: " + rows[i].said)) << run.err.toStdString();
        EXPECT_EQ(QImageReader(machine.wallpapers() + "/Photo.jpg").size(), QSize(2560, 1600));
        const QByteArray helper = readFile(machine.root() + "/helper.pid").trimmed();
        if (!helper.isEmpty()) {
            const QByteArray state = readFile("/proc/" + helper + "/stat");
            EXPECT_TRUE(state.isEmpty() || state.contains(") Z")) << "the hung tool's helper still runs";
        }
    }
}

// A photo named to trip up shells, scripts and parsers: the desktop gets
// exactly the saved picture's path (or a plain link to it), and nothing runs.
// The desktops whose real tools the desktop tests run with such names
// (XFCE, GNOME, Cinnamon, MATE, xwallpaper, feh) are not repeated here.
TEST(Faults, EveryDesktopGetsTheExactPathOfAHostileName)
{
    const QString name = "-n $(touch PWNED) `touch PWNED` it's \"q\" a\\b;c,d\nline ~two.png";
    // program: the fake that records its arguments; empty for D-Bus.
    struct Row { const char* kind; const char* program; QString body = QString(); };
    const QList<Row> rows{
        {"sway", "swaymsg"},
        {"Hyprland", "hyprctl", "echo ok"},
        {"KDE", ""},
        {"portal", ""},
    };
    Desktop desktop;
    ASSERT_TRUE(desktop.serving);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        Machine machine;
        enter(machine, desktop, row.kind);
        if (*row.program)
            machine.fakeProgram(row.program, row.body);
        desktop.plasma.scripts.clear();
        desktop.portal.calls = 0;
        const Outcome run = sunnyside(machine, {"--apply", machine.photo(name)});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QString saved = machine.wallpapers() + "/" + QFileInfo(name).completeBaseName() + ".jpg";
        ASSERT_TRUE(QFileInfo(saved).isFile());

        // What the desktop was handed, as it will read it.
        QStringList received;
        for (const QByteArrayList& call : machine.calls(row.program)) {
            const QString last = QFile::decodeName(call.last());
            if (QString(row.kind) == "Hyprland")
                received << QFile::symLinkTarget(last.mid(last.indexOf(',') + 1));
            else
                received << QFile::symLinkTarget(QFile::decodeName(call.at(3)));
        }
        for (const QString& script : std::as_const(desktop.plasma.scripts))
            received << plasmaPath(script);
        if (desktop.portal.calls)
            received << desktop.portal.filePath;
        ASSERT_FALSE(received.isEmpty());
        for (const QString& path : std::as_const(received))
            EXPECT_EQ(path.toStdString(), saved.toStdString());
        EXPECT_EQ(pwnedFiles({machine.root(), machine.home(), machine.wallpapers()}), QStringList());
    }

    // Bytes that are not UTF-8 cannot name a file in Qt: the photo is refused
    // with its reason, and the desktop is left alone.
    Machine machine;
    enter(machine, desktop, "sway");
    machine.fakeProgram("swaymsg");
    const QString photo = machine.photo();
    const QString sunnyside = QCoreApplication::applicationDirPath() + "/sunnyside";
    const QByteArray latin1Name = QFile::encodeName(machine.root()) + "/photos/caf\xe9.png";
    ASSERT_EQ(::rename(QFile::encodeName(photo).constData(), latin1Name.constData()), 0);
    const auto process = machine.start({"-c", "exec \"$0\" --apply \"$(printf 'photos/caf\\351.png')\"", sunnyside}, {}, "/bin/sh");
    const Outcome run = finish(*process);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("its name has bytes that are not UTF-8 text")) << run.err.toStdString();
    EXPECT_TRUE(machine.calls("swaymsg").isEmpty());
    EXPECT_TRUE(entries(machine.wallpapers()).isEmpty());
    ::unlink(latin1Name.constData()); // Qt could not remove it
}

