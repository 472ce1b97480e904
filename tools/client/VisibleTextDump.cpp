#include "VisibleTextDump.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSaveFile>

namespace tessivar::client {

VisibleTextDump::VisibleTextDump(QQuickWindow* window, const QString& file, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_file(file)
{
    connect(&m_timer, &QTimer::timeout, this, &VisibleTextDump::write);
    m_timer.start(kIntervalMs);
}

void VisibleTextDump::collect(QQuickItem* item, QStringList& lines)
{
    if (!item->isVisible())
        return;
    const QVariant text = item->property("text");
    if (!item->objectName().isEmpty() && text.typeId() == QMetaType::QString)
        lines.append(item->objectName() + QLatin1Char('=')
                     + text.toString().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    for (QQuickItem* child : item->childItems())
        collect(child, lines);
}

void VisibleTextDump::write()
{
    if (!m_window)
        return;
    QStringList lines;
    collect(m_window->contentItem(), lines);
    const QString content = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (content == m_written)
        return;
    QSaveFile file(m_file);
    if (file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) >= 0 && file.commit())
        m_written = content;
}

} // namespace tessivar::client
