// Sunnyside's entry: the command line, then (later) the main window.

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    Log::setUp();
    QCoreApplication app(argc, argv);
    const QVariantMap info = Bundle::mainBundle().infoDictionary();
    QCoreApplication::setApplicationName(info.value(QStringLiteral("CFBundleName"), QStringLiteral("Sunnyside")).toString());
    QCoreApplication::setApplicationVersion(info.value(QStringLiteral("CFBundleVersion")).toString());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Turns a photograph into a desktop picture for your screen."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    if (QCoreApplication::applicationVersion().isEmpty())
        return 1; // the bundle's error line says why
    parser.showVersion();
}
