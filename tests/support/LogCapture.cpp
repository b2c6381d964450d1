#include "tests/support/LogCapture.h"

namespace {
LogCapture* current = nullptr;
}

LogCapture::LogCapture()
{
    current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    current = nullptr;
}

bool LogCapture::contains(const QString& fragment) const
{
    for (const QString& line : m_lines)
        if (line.contains(fragment))
            return true;
    return false;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (current)
        current->m_lines.append(message);
}
