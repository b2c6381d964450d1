// What a package installs beside the program: desktop entry and metainfo as
// their validators read them, the manual page and completion against --help,
// and `cmake --install`'s tree.

#include "tests/support/Files.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kSource = QStringLiteral(SUNNYSIDE_SOURCE_DIR);
const QString kAppId = QStringLiteral(SUNNYSIDE_APP_ID);

struct ProgramRun {
    int status = -1;
    QString output; // standard output and error together
};

ProgramRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// The option names --help lists ("--render", "-h", ...), sorted.
QStringList helpOptions()
{
    QStringList names;
    const QString help = run(QStringLiteral(SUNNYSIDE_PROGRAM), {QStringLiteral("--help")}).output;
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
    int ran = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tool);
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(row.tool));
        if (tool.isEmpty()) {
            std::printf("%s is not installed (scripts/bootstrap installs it): not checked\n", row.tool);
            continue;
        }
        ++ran;
        const ProgramRun result = run(tool, row.arguments);
        EXPECT_EQ(result.status, 0) << result.output.toStdString();
        // Hints and infos count: a second main category, a missing content rating.
        EXPECT_FALSE(result.output.contains(QRegularExpression(QStringLiteral("(^|\\n)(E|W|I): |: (hint|warning|error): "))))
            << result.output.toStdString();
    }
    if (!ran)
        GTEST_SKIP() << "neither desktop-file-validate nor appstreamcli is installed";
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
        EXPECT_EQ(shown.output, QString()); // groff's warnings
    }

    const ProgramRun completed = run(QStringLiteral("bash"),
                              {"-c", "source \"$0\"; COMP_WORDS=(sunnyside -); COMP_CWORD=1; _sunnyside; "
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"",
                               kSource + "/data/sunnyside.bash-completion"});
    QStringList offered = completed.output.split('\n', Qt::SkipEmptyParts);
    offered.sort();
    EXPECT_EQ(offered.join(' '), options.join(' '));
}

TEST(Packaging, InstallPutsManualPageAndCompletionBesideTheProgram)
{
    QTemporaryDir prefix;
    const ProgramRun installed = run(QStringLiteral(SUNNYSIDE_CMAKE), {"--install", SUNNYSIDE_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.status, 0) << installed.output.toStdString();
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
    EXPECT_TRUE(version.status == 0 && QRegularExpression("^Sunnyside \\d+\\.\\d+").match(version.output).hasMatch())
        << version.output.toStdString();
}
