#pragma once

// Little-endian fields of binary files (PE images), read and overwritten in place by tests that
// damage a well-formed file on purpose.

#include <QByteArray>
#include <QtEndian>

namespace vx::test {

inline quint32 get32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

inline void set16(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian<quint16>(quint16(v), b.data() + at);
}

inline void set32(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + at);
}

} // namespace vx::test
