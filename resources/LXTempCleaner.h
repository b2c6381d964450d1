#pragma once
// The register of temporary files: every file placed in the temporary folder
// is registered here and deleted, with its folder once that is empty, when
// the application terminates (kApplicationWillTerminateNotification) or
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
    static QUrl fileURLForName(const QString& name) { return sharedTempCleaner().urlForName(name); }
    // The copy's path relative to the temporary folder ("<folder>/<file>");
    // empty when the copy failed.
    static QString tempCopyFor(const QUrl& source, const QString& baseName = {});
    // A free name "<10 random characters>.<extension>" directly in the
    // temporary folder; nothing is made or registered.
    static QUrl tempURLWithExtension(const QString& extension);

    void add(const QUrl& url);
    // `name` in a new folder of its own in the temporary folder, registered
    // (the file itself is not made). Empty, after a "Warning: " line, for a
    // name that is not one plain file name.
    QUrl urlForName(const QString& name);
    // A copy of the resource file `source` in resourcePath(), named
    // "ALX-X#<counter, 3 digits>#<baseName or the source's name>[#<options>].<ext>",
    // registered. Empty, after a "Warning: " line, when the copy fails; the
    // counter moves on either way.
    QUrl tempCopyURLFor(const QUrl& source, const QString& baseName = {});
    // Deletes every registered file inside the temporary folder (errors
    // ignored) and each folder left empty by it, never the temporary folder
    // itself (other running copies share it), then forgets them.
    void flush();

    const QList<QUrl>& registered() const { return m_urls; }
    // This register's folder for temporary resource copies, made on first use.
    QString resourcePath();
    quint64 resourceCounter() const { return m_resourceCounter; }

private:
    QList<QUrl> m_urls;
    QString m_resourcePath;
    quint64 m_resourceCounter = 0;
};
