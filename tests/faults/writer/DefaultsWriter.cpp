// faults_defaults_writer FILE: rewrites the defaults file FILE without end,
// each version one value "N:" followed by 64 Ki copies of one letter, so a
// reader can tell a whole version from a torn one. Prints "ready" once the
// first version is written. Ends only when killed.

#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    UserDefaults defaults(QString::fromLocal8Bit(argv[1]));
    for (qint64 n = 1;; ++n) {
        defaults.setObject(QStringLiteral("%1:").arg(n) + QString(65536, QChar(char16_t(u'a' + n % 26))), QStringLiteral("payload"));
        if (n == 1) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
