#include "platform/ui/QtTranslation.h"

#include "platform/foundation/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QString interfaceLanguage(const Bundle& bundle)
{
    const QDir folder(bundle.bundlePath());
    for (const QString& language : Bundle::preferredLanguages())
        if (folder.exists(language + QStringLiteral(".lproj")))
            return language;
    return QStringLiteral("en");
}

bool installQtTranslation(const Bundle& bundle)
{
    const QString language = interfaceLanguage(bundle);
    if (language == QLatin1String("en") || language.startsWith(QLatin1String("en_"))
        || language.startsWith(QLatin1String("en-")))
        return true;
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (auto* old = app->findChild<QTranslator*>(QStringLiteral("qtbase"), Qt::FindDirectChildrenOnly)) {
        if (old->language().startsWith(language.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0)))
            return true;
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(app);
    translator->setObjectName(QStringLiteral("qtbase"));
    QString file = QStringLiteral("qtbase_") + QString(language).replace(QLatin1Char('-'), QLatin1Char('_'));
    // "qtbase_de_AT" falls back to "qtbase_de" by itself.
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        Log::line(lcUi, QStringLiteral("Warning: Qt's own texts stay English: no %1.qm in %2 "
                                       "(Debian: qt6-translations-l10n)").arg(file, folder));
        return false;
    }
    return true;
}
