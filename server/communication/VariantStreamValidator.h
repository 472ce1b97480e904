#pragma once

#include <QByteArrayView>
#include <QString>

namespace tessivar::communication {

// Walks bytes that claim to hold a QVariantMap as QDataStream version 19 writes it,
// without building any value, before Qt is allowed to read them.
//
// Qt reads a list by reserving the count it announces, so a list that claims 2^32-1
// entries makes it try to allocate tens of GiB before noticing that the bytes are
// missing. The walker accepts every value type Qt writes into such a map (Gui types
// while the Gui module is loaded) and the few Qt types written by name; it refuses any
// other named (user) type. It requires every
// announced count and length to be backed by the bytes that follow, and bounds the
// nesting; what it accepts, Qt reads with allocations bounded by the input size.
class VariantStreamValidator
{
public:
    explicit VariantStreamValidator(QByteArrayView data);

    bool ValidateVariantMap();
    // The same walk for one value that starts at `position`, for data that holds several
    // values back to back (a dashboard file); Position() is then just past it.
    bool ValidateVariantMapAt(qsizetype position);
    bool ValidateStringListAt(qsizetype position);
    // Why the last validation failed; empty after a success.
    QString Error() const;
    // How many bytes the last successful validation walked (Qt reads exactly as many).
    qsizetype Position() const;

private:
    bool SkipVariant(int depth);
    bool SkipTypedValue(quint32 typeId, int depth);
    bool SkipMap(int depth);
    bool SkipList(int depth);
    bool SkipStringList();
    bool SkipByteArrayList();
    bool SkipString();
    bool SkipByteArray();
    bool SkipBitArray();
    bool SkipDateTime();
    bool SkipColor();
    bool SkipTimeZone();
    bool SkipGuiValue(quint32 typeId);
    bool SkipCountedItems(qsizetype itemSize);
    bool SkipFont();
    bool SkipImage();
    bool SkipJsonValue();
    bool SkipEasingCurve();
    bool SkipNamedType();

    bool ReadUInt32(quint32& value);
    bool ReadInt8(qint8& value);
    bool Skip(quint64 size);
    bool CheckCount(quint32 count, qsizetype minimumItemSize);
    qsizetype Remaining() const;
    bool Fail(const char* reason);

    QByteArrayView m_data;
    qsizetype m_position = 0;
    QString m_error;
};

} // namespace tessivar::communication
