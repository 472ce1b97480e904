#include "MacroModuleData.h"

#include "ImageDataUrl.h"
#include "MiscModuleIds.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QUrl>

namespace {
// Four 32-bit fields in a fixed byte order; the stream version does not change them.
constexpr QDataStream::Version kSequenceStreamVersion = QDataStream::Qt_6_0;
} // namespace

MacroModuleData::MacroModuleData()
    : TessivarModuleInstanceData(kMacroModuleId)
    , m_recorder(this)
{
    qRegisterMetaType<MacroKeyEventList>("std::list<MacroKeyEvent_t>");
    setIcon(QImage(kMiscResources + QStringLiteral("MacroModule/icon-missing_image.png")), QStringLiteral("png"));
    setLocalParameterChangeCallback(
        [this](const QString& key, const QVariant& value) { onLocalParameterChanged(key, value); });
    addHelper(QStringLiteral("MacroRecorder"), &m_recorder);
    QObject::connect(
        &m_recorder, &MacroRecorder::macroRecorded, &m_recorder,
        [this](const MacroKeyEventList& macro) {
            setLocalParameter(QStringLiteral("Sequence"), encodeSequence(macro));
        },
        Qt::DirectConnection);
}

QVariantList MacroModuleData::encodeSequence(const MacroKeyEventList& events)
{
    QVariantList sequence;
    for (const MacroKeyEvent_t& event : events) {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(kSequenceStreamVersion);
        stream << qint32(event.action) << qint32(event.virtualKey) << qint32(event.scanCode) << qint32(event.delay);
        sequence.append(bytes);
    }
    return sequence;
}

MacroKeyEventList MacroModuleData::decodeSequence(const QVariantList& sequence)
{
    MacroKeyEventList events;
    for (const QVariant& entry : sequence) {
        // A short entry reads zeros for its missing fields; none is skipped.
        QDataStream stream(entry.toByteArray());
        stream.setVersion(kSequenceStreamVersion);
        qint32 action = 0, virtualKey = 0, scanCode = 0, delay = 0;
        stream >> action >> virtualKey >> scanCode >> delay;
        events.push_back({action, std::uint32_t(virtualKey), std::uint32_t(scanCode), delay});
    }
    return events;
}

MacroKeyEventList MacroModuleData::decodeSequence() const
{
    return decodeSequence(getLocalParameter(QStringLiteral("Sequence")).toList());
}

void MacroModuleData::setIcon(const QImage& image, const QString& format)
{
    setClientParameter(QStringLiteral("Icon"), image.isNull() ? QString() : imageToDataUrl(image, format));
}

void MacroModuleData::onLocalParameterChanged(const QString& key, const QVariant& value)
{
    if (key != QLatin1String("IconPath"))
        return;
    const QString path = value.toUrl().toLocalFile();
    setIcon(QImage(path), formatWordOf(path));
}
