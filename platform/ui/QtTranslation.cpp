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
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    const QString language = interfaceLanguage(bundle);
    const QString file = QStringLiteral("qtbase_") + QString(language).replace(QLatin1Char('-'), QLatin1Char('_'));
    auto* old = app->findChild<QTranslator*>(QStringLiteral("qtbase"), Qt::FindDirectChildrenOnly);
    if (old && old->property("file").toString() == file)
        return true;
    if (old) { // another language than before
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    if (language.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0) == QLatin1String("en"))
        return true; // Qt's own texts are English
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(app);
    translator->setObjectName(QStringLiteral("qtbase"));
    translator->setProperty("file", file);
    // "qtbase_de_AT" falls back to "qtbase_de" by itself.
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        Log::line(lcUi, QStringLiteral("Warning: Qt's own texts stay English: no %1.qm in %2 "
                                       "(Debian: qt6-translations-l10n)").arg(file, folder));
        return false;
    }
    return true;
}
