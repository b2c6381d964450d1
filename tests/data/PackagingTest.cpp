// What a package installs beside the program: desktop entry and metainfo as
// their validators read them, the manual page and completion against --help,
// and `cmake --install`'s tree.

#include "tests/support/Files.h"
#include "tests/support/Programs.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSource = QStringLiteral(SUNNYSIDE_SOURCE_DIR);
const QString kAppId = QStringLiteral(SUNNYSIDE_APP_ID);

// Standard output and error together; LeakSanitizer's business is the unit tests'.
ProgramRun run(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    ProgramRun result = runProgram(program, arguments, environment);
    result.out += result.err;
    return result;
}

// The option names --help lists ("--render", "-h", ...), sorted.
QStringList helpOptions()
{
    QStringList names;
    const QString help = run(QStringLiteral(SUNNYSIDE_PROGRAM), {QStringLiteral("--help")}).out;
    static const QRegularExpression option(QStringLiteral("^  (?:(-\\w), )?(--[\\w-]+)"),
                                           QRegularExpression::MultilineOption);
    for (auto it = option.globalMatch(help); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        names << m.captured(2);
        if (m.hasCaptured(1) && !m.captured(1).isEmpty())
            names << m.captured(1);
    }
    names.sort();
    return names;
}

} // namespace

TEST(Packaging, DesktopEntryAndMetainfoPassTheirValidators)
{
    const struct {
        const char* tool;
        QStringList arguments;
    } rows[] = {
        {"desktop-file-validate", {kSource + "/data/" + kAppId + ".desktop"}},
        {"appstreamcli", {"validate", "--no-net", kSource + "/data/" + kAppId + ".metainfo.xml"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tool);
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(row.tool));
        if (tool.isEmpty()) {
            std::printf("%s is not installed (scripts/bootstrap installs it): not checked\n", row.tool);
            continue;
        }
        const ProgramRun result = run(tool, row.arguments);
        EXPECT_EQ(result.status, 0) << result.out.toStdString();
        // Hints and infos count: a second main category, a missing content rating.
        EXPECT_FALSE(QString(result.out).contains(QRegularExpression(QStringLiteral("(^|\\n)(E|W|I): |: (hint|warning|error): "))))
            << result.out.toStdString();
    }
}

TEST(Packaging, ManualPageAndCompletionOfferEveryOptionOfHelp)
{
    const QStringList options = helpOptions();
    ASSERT_TRUE(options.contains("--render") && options.contains("-h")) << options.join(' ').toStdString();

    const QString page = QStringLiteral(SUNNYSIDE_BUILD_DIR "/man/sunnyside.1");
    const QString roff = QString::fromUtf8(readFile(page));
    for (const QString& option : options)
        EXPECT_TRUE(roff.contains("\\fB" + QString(option).replace('-', "\\-") + "\\fR")) << option.toStdString();
    if (const QString man = QStandardPaths::findExecutable(QStringLiteral("man")); !man.isEmpty()) {
        const ProgramRun shown = run(QStringLiteral("sh"), {"-c", "LC_ALL=C.UTF-8 MANWIDTH=80 \"$0\" --warnings -E UTF-8 -l \"$1\" "
                                                           "2>&1 >/dev/null", man, page});
        EXPECT_EQ(shown.status, 0);
        EXPECT_EQ(shown.out, QByteArray()); // groff's warnings
    }

    const ProgramRun completed = run(QStringLiteral("bash"),
                              {"-c", "source \"$0\"; COMP_WORDS=(sunnyside -); COMP_CWORD=1; _sunnyside; "
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"",
                               kSource + "/data/sunnyside.bash-completion"});
    QStringList offered = QString(completed.out).split('\n', Qt::SkipEmptyParts);
    offered.sort();
    EXPECT_EQ(offered.join(' '), options.join(' '));
}

TEST(Packaging, InstallPutsManualPageAndCompletionBesideTheProgram)
{
    QTemporaryDir prefix;
    const ProgramRun installed = run(QStringLiteral(SUNNYSIDE_CMAKE), {"--install", SUNNYSIDE_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.status, 0) << installed.out.toStdString();
    for (const QString& file : {QStringLiteral("bin/sunnyside"), QStringLiteral("share/man/man1/sunnyside.1.gz"),
                                QStringLiteral("share/bash-completion/completions/sunnyside"),
                                "share/applications/" + kAppId + ".desktop", "share/metainfo/" + kAppId + ".metainfo.xml",
                                "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
                                QStringLiteral("share/doc/sunnyside/copyright"),
                                QStringLiteral("share/doc/sunnyside/changelog.gz"),
                                QStringLiteral("share/sunnyside/Info.plist")})
        EXPECT_TRUE(QFileInfo(prefix.filePath(file)).isFile()) << file.toStdString();
    // The installed program finds its resources.
    const ProgramRun version = run(prefix.filePath("bin/sunnyside"), {"--version"});
    EXPECT_TRUE(version.status == 0 && QRegularExpression("^Sunnyside \\d+\\.\\d+").match(QString(version.out)).hasMatch())
        << version.out.toStdString();
}
