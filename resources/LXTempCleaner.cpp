#include "resources/LXTempCleaner.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LXTempCleaner& LXTempCleaner::sharedTempCleaner()
{
    static LXTempCleaner* cleaner = new LXTempCleaner;
    return *cleaner;
}

LXTempCleaner::LXTempCleaner()
{
    NotificationCenter::defaultCenter().addObserver(this, Application::willTerminateNotification(), nullptr,
                                                    [this](const Notification&) { flush(); });
}

LXTempCleaner::~LXTempCleaner()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    flush();
}

void LXTempCleaner::add(const QUrl& url)
{
    if (url.isLocalFile())
        m_urls.append(url);
}

void LXTempCleaner::flush()
{
    for (const QUrl& url : std::as_const(m_urls)) {
        const QString path = url.toLocalFile();
        QFile::remove(path);
        QDir folder = QFileInfo(path).absoluteDir();
        if (folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            folder.rmdir(folder.absolutePath());
    }
    m_urls.clear();
}
