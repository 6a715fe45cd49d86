#include "sgstreams.h"

#include "UException.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr char Signature[4] = {'S', 's', 'B', '\0'};
constexpr qint64 HeaderLen = 8;
// A length taken from outside input is only trusted as far as bytes actually arrive.
constexpr qint64 LoadChunk = 1 << 20;

} // namespace

TStreamBlock::TStreamBlock()
{
    open(QIODevice::ReadWrite);
}

void TStreamBlock::SaveToStream(QIODevice &s)
{
    const QByteArray &content = buffer();
    const QString failure = QStringLiteral("Stream write error when saving Stream Block.");
    // The length field has 32 bits; a larger block could not be loaded back.
    if (quint64(content.size()) > 0xFFFFFFFFu)
        throw EUError(failure);
    char header[HeaderLen];
    std::memcpy(header, Signature, 4);
    qToLittleEndian<quint32>(quint32(content.size()), header + 4);
    if (s.write(header, HeaderLen) != HeaderLen)
        throw EUError(failure);
    if (!content.isEmpty() && s.write(content) != content.size())
        throw EUError(failure);
}

void TStreamBlock::LoadFromStream(QIODevice &s)
{
    buffer().clear();
    seek(0);
    char header[HeaderLen];
    if (s.read(header, HeaderLen) != HeaderLen || std::memcmp(header, Signature, 4) != 0)
        throw EUError(QStringLiteral("Bad StreamBlock signature."));
    const qint64 len = qFromLittleEndian<quint32>(header + 4);
    QByteArray data;
    if (!s.isSequential() && s.bytesAvailable() >= len)
        data.reserve(len);
    while (data.size() < len) {
        const qint64 want = std::min(len - data.size(), LoadChunk);
        const qsizetype have = data.size();
        data.resize(have + want);
        const qint64 n = s.read(data.data() + have, want);
        data.resize(have + std::max<qint64>(n, 0));
        if (n <= 0)
            throw EUError(QStringLiteral("Stream write error when loading Stream Block."));
    }
    buffer() = std::move(data);
    seek(0);
}
