#include "support/LogCapture.h"

namespace {

LogCapture* s_current = nullptr;

} // namespace

LogCapture::LogCapture()
{
    s_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!s_current)
        return;
    s_current->m_entries.append({type, message});
    // Debug lines are kept for the checks but not printed: the transport is chatty.
    if (type != QtDebugMsg && s_current->m_previous)
        s_current->m_previous(type, context, message);
}

int LogCapture::count(QtMsgType type, const QRegularExpression& pattern) const
{
    int n = 0;
    for (const Entry& entry : m_entries)
        n += (entry.type == type && pattern.match(entry.text).hasMatch()) ? 1 : 0;
    return n;
}

int LogCapture::count(QtMsgType type, const QString& contains) const
{
    int n = 0;
    for (const Entry& entry : m_entries)
        n += (entry.type == type && entry.text.contains(contains)) ? 1 : 0;
    return n;
}

void LogCapture::clear()
{
    m_entries.clear();
}

const QList<LogCapture::Entry>& LogCapture::entries() const
{
    return m_entries;
}
