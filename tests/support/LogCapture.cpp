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

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (current)
        current->m_lines.append(message);
}
