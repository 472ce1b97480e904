// The QDataStream content of a variant map inside a message, fed raw: the walker that
// guards Qt's reader, Qt's reader itself, and what the logs and the handlers do with
// the map. Whatever the walker accepts, Qt must read to exactly the same end.

#include "core/ApplicationConstants.h"
#include "communication/JsonValues.h"
#include "communication/PlainMapStream.h"
#include "communication/VariantStreamValidator.h"
#include "support/Streamed.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QDebug>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext&, const QString&)
{
}

void readAsQtDoes(const QByteArray& bytes, qsizetype walkedLength)
{
    QVariantMap map;
    QDataStream stream(bytes);
    stream.setVersion(tessivar::kDataStreamVersion);
    stream >> map;
    if (stream.status() != QDataStream::Ok)
        return;
    if (stream.device()->pos() != walkedLength)
        std::abort();  // the walker's idea of the layout differs from Qt's
    QString printed;
    QDebug(&printed) << map;
    QJsonObject::fromVariantMap(map);
}

// The direct reader and writer of plain maps must agree with Qt to the byte: compared
// as Qt writes the maps back, which tells a NaN's bits and a null string from an empty one.
void checkPlainStream(const QByteArray& bytes)
{
    using namespace tessivar::communication;
    using tessivar::test::streamed;
    const std::optional<QVariantMap> plain = PlainMapStream::Read(bytes);
    if (!plain)
        return;
    QDataStream stream(bytes);
    stream.setVersion(tessivar::kDataStreamVersion);
    QVariantMap map;
    stream >> map;
    if (stream.status() != QDataStream::Ok || streamed(map) != streamed(*plain))
        std::abort();
    const std::optional<QByteArray> written = PlainMapStream::Write(*plain);
    if (!written || *written != streamed(*plain))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(discardMessages);
    // Colours are readable only while the Gui module is loaded: make sure it is.
    static const QColor loadsGui(Qt::red);
    return loadsGui.isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessivar::communication;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    VariantStreamValidator validator(bytes);
    if (validator.ValidateVariantMap())
        readAsQtDoes(bytes, validator.Position());
    checkPlainStream(bytes);
    const QJsonObject encoded{{QStringLiteral("MapData"), QString::fromLatin1(bytes.toBase64())}};
    const QVariantMap map = JsonValues::ReadMap(encoded);
    JsonValues::WriteMap(map);
    return 0;
}
