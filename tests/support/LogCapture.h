#pragma once
// Records the log lines written while it lives (and still prints nothing), so
// a test can assert the exact messages. One at a time; main thread.

#include "tests/support/Printers.h"

#include <QStringList>
#include <QtMessageHandler>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& fragment) const { return !m_lines.filter(fragment).isEmpty(); }
    void clear() { m_lines.clear(); }

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString&);
    QtMessageHandler m_previous;
    QStringList m_lines;
};
