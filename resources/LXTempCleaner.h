#pragma once
// The register of temporary files: every file placed in the temporary folder
// is registered here and deleted, with its folder once that is empty, when
// the application terminates (Application::willTerminateNotification()) or
// the register is destroyed.
// Main thread.

#include <QList>
#include <QString>
#include <QUrl>

class LXTempCleaner {
public:
    // The process's register, made on first use, kept for the whole process.
    static LXTempCleaner& sharedTempCleaner();

    LXTempCleaner();
    ~LXTempCleaner();
    LXTempCleaner(const LXTempCleaner&) = delete;
    LXTempCleaner& operator=(const LXTempCleaner&) = delete;

    static void addURL(const QUrl& url) { sharedTempCleaner().add(url); }
    static void addFile(const QString& path) { sharedTempCleaner().add(QUrl::fromLocalFile(path)); }

    void add(const QUrl& url);
    // Deletes every registered file (errors ignored) and each folder left
    // empty by it, then forgets them.
    void flush();

    const QList<QUrl>& registered() const { return m_urls; }

private:
    QList<QUrl> m_urls;
};
