// Arbitrary bytes as a packed stream and as a sequence of blocks: failures must be EUError,
// never a crash, a hang or unbounded memory.
#include "SGGzip.h"
#include "UException.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

// Counts what it is given and keeps nothing, so a highly packed input costs no memory.
class TSink : public QIODevice {
public:
    TSink() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override { return len; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A small buffer makes chunk boundaries fall inside headers and trailers.
    static TGZip zip(1024);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        TSink out;
        try {
            zip.UnCompress(in, out);
        } catch (const EUError &) {
        }
    }
    {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        TSink out;
        try {
            while (!in.atEnd())
                zip.UnCompressFromBlock(in, out);
        } catch (const EUError &) {
        }
    }
    return 0;
}
