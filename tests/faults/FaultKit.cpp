#include "tests/faults/FaultKit.h"
#include "tests/platform/desktop/DesktopTestKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTimer>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

void handTreeTo(const QString& root, uid_t user)
{
    (void)::chown(QFile::encodeName(root).constData(), user, user);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        (void)::lchown(QFile::encodeName(it.next()).constData(), user, user);
}

// Compiled shaders, shared by every run of the test process (compiling them
// costs most of a run), readable by the runs as nobody too.
QString sharedShaderCache()
{
    static QTemporaryDir cache;
    ::chmod(QFile::encodeName(cache.path()).constData(), 01777);
    return cache.path();
}

} // namespace

Machine::Machine()
{
    for (const char* folder : {"home", "bin", "photos", "tmp", "run"})
        QDir(root()).mkdir(QString::fromLatin1(folder));
    QFile::setPermissions(root() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : sessionVariables)
        m_environment.remove(QString::fromLatin1(name));
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        m_environment.remove(QString::fromLatin1(name));
    // ASAN_OPTIONS: what is on disk is checked here, not leaks (the other suites
    // check those); LeakSanitizer's tracer can crash at exit on the renderer threads' TLS.
    for (const auto& [name, value] : std::initializer_list<std::pair<QString, QString>>{
             {"HOME", home()}, {"XDG_CONFIG_HOME", home() + "/.config"}, {"XDG_CACHE_HOME", home() + "/.cache"},
             {"XDG_DATA_HOME", home() + "/.local/share"}, {"XDG_RUNTIME_DIR", root() + "/run"}, {"TMPDIR", root() + "/tmp"},
             {"PATH", root() + "/bin:" + qEnvironmentVariable("PATH")}, {"MESA_SHADER_CACHE_DIR", sharedShaderCache()},
             {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=0"}})
        m_environment.insert(name, value);
}

Machine::~Machine()
{
    // Folders a test made read-only, made removable again.
    QDirIterator it(root(), QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        ::chmod(QFile::encodeName(it.next()).constData(), 0700);
}

QString Machine::photo(const QString& name)
{
    QImage image(160, 100, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x, 60 + y, 150));
    const QString path = root() + "/photos/" + name;
    image.save(path, "PNG");
    return path;
}

std::unique_ptr<QProcess> Machine::start(const QStringList& arguments, const ChildFaults& faults, const QString& program)
{
    const bool asNobody = faults.ordinaryUser && ::geteuid() == 0;
    if (asNobody)
        handTreeTo(root(), nobody);
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    process->setWorkingDirectory(root());
    const qint64 limit = faults.fileSizeLimit;
    const bool killed = faults.killedPastLimit;
    process->setChildProcessModifier([limit, killed, asNobody] {
        ::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        if (limit >= 0) {
            const rlimit size{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &size);
        }
        if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(125);
    });
    process->start(program.isEmpty() ? QCoreApplication::applicationDirPath() + "/sunnyside" : program, arguments);
    return process;
}

Outcome finish(QProcess& process, int timeoutMs)
{
    if (process.state() != QProcess::NotRunning) {
        QEventLoop loop; // sleeps until the process ends or the limit passes
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}
