// The main() of every test executable: a private home for the user's files,
// a widgets application on Qt's offscreen platform, then GoogleTest.

#include "platform/foundation/Log.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char* argv[])
{
    // Nothing a test does may touch the real user's settings or pictures.
    QTemporaryDir home;
    for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_PICTURES_DIR"})
        qunsetenv(var);
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    Log::setUp();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // Leaks are looked for now, while every thread is settled: at exit Qt's
    // threads (D-Bus, the worker pool) may be ending while the check stops
    // them, and the check itself then crashes now and then.
    __lsan_do_leak_check();
#endif
    return result;
}
