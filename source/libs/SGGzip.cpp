#include "SGGzip.h"

#include "UCodePage.h"
#include "UException.h"
#include "sgstreams.h"

#include <QBuffer>
#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 DefaultBufLen = 262144;
// Size of the private input (reader) or output (writer) buffer of one gzip member stream.
constexpr qint64 StreamBufLen = 131072;
constexpr int WindowBits = 15;
constexpr int MemLevel = 8;

// The input stream failed under the reader; zlib's state is sound, so closing still succeeds.
struct TStepError {
    QString Text;
};

QString LibraryText(const z_stream &strm, int err)
{
    return QStringLiteral("Stream: ") + QString::fromLatin1(strm.msg ? strm.msg : zError(err));
}

// Writes one gzip member to a stream: our fixed header, raw deflate data, CRC-32 and length.
class TGzWriter {
public:
    TGzWriter(QIODevice &Out, int Level) : FOut(Out)
    {
        if (deflateInit2(&FStrm, Level, Z_DEFLATED, -WindowBits, MemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
            throw EUError(QStringLiteral("can't gzopen"));
        static const char header[10] = {'\x1f', '\x8b', 8, 0, 0, 0, 0, 0, 0, 0};
        if (FOut.write(header, sizeof header) != qint64(sizeof header)) {
            deflateEnd(&FStrm);
            throw EUError(QStringLiteral("can't gzopen"));
        }
        FInit = true;
        FObuf = std::make_unique_for_overwrite<unsigned char[]>(StreamBufLen);
        FStrm.next_out = FObuf.get();
        FStrm.avail_out = uInt(StreamBufLen);
    }
    ~TGzWriter()
    {
        if (FInit)
            deflateEnd(&FStrm);
    }

    // False when the data could not be taken; ErrorText() says why.
    bool Write(const char *Data, qint64 Len)
    {
        if (FFailed)
            return false;
        FCrc = crc32_z(FCrc, reinterpret_cast<const Bytef *>(Data), size_t(Len));
        FLen += quint32(Len);
        FStrm.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Data));
        // qint64 chunks may exceed uInt; feed them in parts.
        while (Len > 0 && !FFailed) {
            const uInt part = uInt(std::min<qint64>(Len, 1 << 30));
            FStrm.avail_in = part;
            while (FStrm.avail_in > 0 && !FFailed)
                Deflate(Z_NO_FLUSH);
            Len -= part;
        }
        return !FFailed;
    }

    // Finishes the member; false when the writer had failed or the rest cannot be written.
    bool Close()
    {
        if (FFailed)
            return false;
        int ret;
        do
            ret = Deflate(Z_FINISH);
        while (ret == Z_OK && !FFailed);
        if (FFailed || ret != Z_STREAM_END || !Flush())
            return false;
        unsigned char trailer[8];
        for (int i = 0; i < 4; ++i) {
            trailer[i] = static_cast<unsigned char>(FCrc >> (8 * i));
            trailer[4 + i] = static_cast<unsigned char>(FLen >> (8 * i));
        }
        return FOut.write(reinterpret_cast<const char *>(trailer), 8) == 8;
    }

    const QString &ErrorText() const { return FErrorText; }

private:
    int Deflate(int Flush)
    {
        const int ret = deflate(&FStrm, Flush);
        if (ret == Z_STREAM_ERROR) {
            Fail(LibraryText(FStrm, ret));
            return ret;
        }
        if (FStrm.avail_out == 0 && !this->Flush())
            return Z_ERRNO;
        return ret;
    }

    bool Flush()
    {
        const qint64 have = StreamBufLen - FStrm.avail_out;
        if (have > 0 && FOut.write(reinterpret_cast<const char *>(FObuf.get()), have) != have) {
            Fail(QStringLiteral("Stream: ") + QString::fromLatin1(zError(Z_ERRNO)));
            return false;
        }
        FStrm.next_out = FObuf.get();
        FStrm.avail_out = uInt(StreamBufLen);
        return true;
    }

    void Fail(const QString &Text)
    {
        FFailed = true;
        FErrorText = Text;
    }

    QIODevice &FOut;
    z_stream FStrm{};
    bool FInit = false;
    bool FFailed = false;
    QString FErrorText;
    std::unique_ptr<unsigned char[]> FObuf;
    uLong FCrc = crc32_z(0, nullptr, 0);
    quint32 FLen = 0; // modulo 2^32, as the trailer carries it
};

// Reads gzip members one after another from a stream, or the stream itself when it does not
// begin with a gzip member. zlib parses the header and checks CRC and length.
class TGzReader {
public:
    explicit TGzReader(QIODevice &In) : FIn(In)
    {
        if (inflateInit2(&FStrm, WindowBits + 16) != Z_OK)
            throw EUError(QStringLiteral("can't gzopen"));
        FInit = true;
        FIbuf = std::make_unique_for_overwrite<unsigned char[]>(StreamBufLen);
        FStrm.next_in = FIbuf.get();
        FStrm.avail_in = 0;
    }
    ~TGzReader()
    {
        if (FInit)
            inflateEnd(&FStrm);
    }

    // Bytes produced, 0 at the end, -1 on failure (ErrorText() says why).
    qint64 Read(char *Out, qint64 Len)
    {
        if (FFailed)
            return -1;
        try {
            for (;;) {
                switch (FMode) {
                case mLook:
                    Look();
                    break;
                case mCopy:
                    return Copy(Out, Len);
                case mInflate: {
                    const qint64 n = Inflate(Out, Len);
                    if (n != 0 || FFailed)
                        return FFailed ? -1 : n;
                    break;
                }
                case mEnd:
                    return 0;
                }
            }
        } catch (const TStepError &e) {
            FFailed = true;
            FErrorText = e.Text;
            return -1;
        }
    }

    // False when zlib ended in an error state (damaged or truncated input).
    bool Close() const { return !FLibraryError; }
    const QString &ErrorText() const { return FErrorText; }

private:
    enum TMode { mLook, mCopy, mInflate, mEnd };

    // Tops the input buffer up to at least Want bytes unless the input ends first.
    void Fill(uInt Want)
    {
        if (FStrm.avail_in >= Want)
            return;
        if (FStrm.avail_in > 0 && FStrm.next_in != FIbuf.get())
            std::memmove(FIbuf.get(), FStrm.next_in, FStrm.avail_in);
        FStrm.next_in = FIbuf.get();
        while (FStrm.avail_in < Want && !FInEnd) {
            const qint64 n = FIn.read(reinterpret_cast<char *>(FIbuf.get()) + FStrm.avail_in,
                                      StreamBufLen - FStrm.avail_in);
            if (n < 0)
                throw TStepError{QStringLiteral("read error")};
            if (n == 0)
                FInEnd = true;
            FStrm.avail_in += uInt(n);
        }
    }

    // Decides what follows: another member, plain data (only at the very start), or the end.
    // Bytes after the last member that do not start a member are ignored, as zlib's gzread does.
    void Look()
    {
        Fill(2);
        const bool magic = FStrm.avail_in >= 2 && FStrm.next_in[0] == 0x1f && FStrm.next_in[1] == 0x8b;
        if (magic)
            FMode = mInflate;
        else if (FMembers == 0 && FStrm.avail_in > 0)
            FMode = mCopy;
        else
            FMode = mEnd;
    }

    qint64 Copy(char *Out, qint64 Len)
    {
        if (FStrm.avail_in > 0) {
            const qint64 n = std::min<qint64>(Len, FStrm.avail_in);
            std::memcpy(Out, FStrm.next_in, size_t(n));
            FStrm.next_in += n;
            FStrm.avail_in -= uInt(n);
            return n;
        }
        if (FInEnd)
            return 0;
        const qint64 n = FIn.read(Out, Len);
        if (n < 0)
            throw TStepError{QStringLiteral("read error")};
        if (n == 0)
            FInEnd = true;
        return n;
    }

    qint64 Inflate(char *Out, qint64 Len)
    {
        FStrm.next_out = reinterpret_cast<Bytef *>(Out);
        FStrm.avail_out = uInt(std::min<qint64>(Len, 1 << 30));
        const uInt start = FStrm.avail_out;
        while (FStrm.avail_out > 0) {
            if (FStrm.avail_in == 0) {
                Fill(1);
                if (FStrm.avail_in == 0) {
                    LibraryFail(QStringLiteral("Stream: unexpected end of file"));
                    break;
                }
            }
            const int ret = inflate(&FStrm, Z_NO_FLUSH);
            if (ret == Z_STREAM_END) {
                ++FMembers;
                inflateReset(&FStrm);
                FMode = mLook;
                break;
            }
            if (ret != Z_OK && ret != Z_BUF_ERROR) {
                LibraryFail(LibraryText(FStrm, ret));
                break;
            }
        }
        return qint64(start - FStrm.avail_out);
    }

    void LibraryFail(const QString &Text)
    {
        FFailed = FLibraryError = true;
        FErrorText = Text;
    }

    QIODevice &FIn;
    z_stream FStrm{};
    bool FInit = false;
    bool FInEnd = false;
    bool FFailed = false;
    bool FLibraryError = false;
    QString FErrorText;
    TMode FMode = mLook;
    int FMembers = 0;
    std::unique_ptr<unsigned char[]> FIbuf;
};

// Runs Body and puts Prefix before the text of an EUError or other exception it throws.
template <typename F>
void WithPrefix(const QString &Prefix, F &&Body)
{
    try {
        Body();
    } catch (const EUError &e) {
        throw EUError(Prefix + e.Message());
    } catch (const std::exception &e) {
        throw EUError(Prefix + QString::fromLocal8Bit(e.what()));
    }
}

void RewindInput(QIODevice &In)
{
    if (In.isOpen() && !In.isSequential())
        In.seek(0);
}

QString OpenError(const QFile &File)
{
    return QStringLiteral("Cannot open file \"%1\": %2").arg(File.fileName(), File.errorString());
}

} // namespace

TGZip::TGZip() : TGZip(DefaultBufLen) {}

TGZip::TGZip(quint32 BufSize)
{
    SetBufferSize(BufSize);
}

TGZip::~TGZip() = default;

void TGZip::SetCompressionLevel(int Value)
{
    UAssert(Value >= 0 && Value <= 9, QStringLiteral("CompressionLevel must be 0..9"));
    FCompressionLevel = Value;
}

void TGZip::SetBufferSize(quint32 Value)
{
    // A zero-sized buffer would read nothing and pass an empty result off as success.
    UAssert(Value > 0, QStringLiteral("BufferSize must be positive"));
    FBuf.reset();
    FBuf = std::make_unique_for_overwrite<char[]>(Value);
    FBufLen = Value;
}

QString TGZip::GZ_SUFFIX()
{
    return QStringLiteral(".gz");
}

void TGZip::Progress(qint64 Total)
{
    if (FOnProgress)
        FOnProgress(this, static_cast<qint32>(Total));
}

void TGZip::Pump(const QString &Prefix, const std::function<qint64(char *, qint64)> &Read,
                 const std::function<void(const char *, qint64)> &Write, const std::function<bool()> &Close)
{
    QString failure;
    try {
        WithPrefix(Prefix, [&] {
            qint64 total = 0;
            for (;;) {
                const qint64 n = Read(FBuf.get(), FBufLen);
                total += n;
                Progress(total);
                if (n == 0)
                    break;
                Write(FBuf.get(), n);
            }
        });
    } catch (const EUError &e) {
        failure = e.Message();
    }
    // A writer or reader in its error state cannot close, and that says it all.
    if (!Close())
        throw EUError(QStringLiteral("gzclose error"));
    if (!failure.isNull())
        throw EUError(failure);
}

void TGZip::CompressToGz(QIODevice &InFile, QIODevice &OutFile)
{
    TGzWriter writer(OutFile, FCompressionLevel);
    RewindInput(InFile);
    Pump(QStringLiteral("Compress(Stream->gzFile): "),
         [&](char *buf, qint64 len) {
             const qint64 n = InFile.read(buf, len);
             if (n < 0)
                 throw EUError(QStringLiteral("read error"));
             return n;
         },
         [&](const char *buf, qint64 n) {
             if (!writer.Write(buf, n))
                 throw EUError(QStringLiteral("gzwrite error: ") + writer.ErrorText());
         },
         [&] { return writer.Close(); });
}

void TGZip::UnCompressFromGz(QIODevice &InFile, QIODevice &OutFile)
{
    RewindInput(InFile);
    TGzReader reader(InFile);
    Pump(QStringLiteral("Uncompress(gzFile->Stream): "),
         [&](char *buf, qint64 len) {
             const qint64 n = reader.Read(buf, len);
             if (n < 0)
                 throw EUError(reader.ErrorText());
             return n;
         },
         [&](const char *buf, qint64 n) {
             if (OutFile.write(buf, n) != n)
                 throw EUError(QStringLiteral("write error"));
         },
         [&] { return reader.Close(); });
}

void TGZip::Compress(QIODevice &InFile, QIODevice &OutFile)
{
    WithPrefix(QStringLiteral("Compress(Stream->Stream): "), [&] { CompressToGz(InFile, OutFile); });
}

void TGZip::UnCompress(QIODevice &InFile, QIODevice &OutFile)
{
    WithPrefix(QStringLiteral("UnCompress(Stream->Stream): "), [&] { UnCompressFromGz(InFile, OutFile); });
}

namespace {

// Opens both files (unbuffered: the copy loops move large chunks themselves), runs Body on
// them, closes them on every path and erases the input after success when asked to.
template <typename F>
void FileToFile(const QString &InFileName, const QString &OutFileName, bool EraseSource, F &&Body)
{
    {
        QFile in(InFileName);
        if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw EUError(OpenError(in));
        QFile out(OutFileName);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw EUError(OpenError(out));
        Body(in, out);
        out.close();
        if (out.error() != QFileDevice::NoError)
            throw EUError(out.errorString());
    }
    if (EraseSource)
        QFile::remove(InFileName);
}

} // namespace

void TGZip::Compress(const QString &InFileName, const QString &OutFileName)
{
    WithPrefix(QStringLiteral("Compress(File->File): "), [&] {
        FileToFile(InFileName, OutFileName, FEraseSource,
                   [this](QIODevice &in, QIODevice &out) { Compress(in, out); });
    });
}

void TGZip::UnCompress(const QString &InFileName, const QString &OutFileName)
{
    WithPrefix(QStringLiteral("UnCompress(File->File): "), [&] {
        FileToFile(InFileName, OutFileName, FEraseSource,
                   [this](QIODevice &in, QIODevice &out) { UnCompress(in, out); });
    });
}

void TGZip::Compress(const QString &FileName)
{
    Compress(FileName, FileName + GZ_SUFFIX());
}

void TGZip::UnCompress(const QString &FileName)
{
    const QString suffix = GZ_SUFFIX();
    if (!FileName.endsWith(suffix, Qt::CaseSensitive))
        throw EUError(QStringLiteral("UnCompress(gzip mode): file ") + FileName + QStringLiteral(" doesn't have ") +
                      suffix + QStringLiteral(" suffix."));
    UnCompress(FileName, FileName.left(FileName.size() - suffix.size()));
}

QString TGZip::ThroughStreams(const QString &Str, void (TGZip::*Direction)(QIODevice &, QIODevice &))
{
    QByteArray src = TUCodePage::FromUnicode(Str);
    QByteArray dst;
    QBuffer in(&src);
    QBuffer out(&dst);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    (this->*Direction)(in, out);
    return TUCodePage::ToUnicode(dst);
}

QString TGZip::CompressStr(const QString &Str)
{
    return ThroughStreams(Str, &TGZip::Compress);
}

QString TGZip::UnCompressStr(const QString &Str)
{
    return ThroughStreams(Str, &TGZip::UnCompress);
}

void TGZip::CompressAsBlock(QIODevice &InPStr, QIODevice &BlockStr)
{
    TStreamBlock block;
    Compress(InPStr, block);
    block.SaveToStream(BlockStr);
}

void TGZip::UnCompressFromBlock(QIODevice &BlockStr, QIODevice &OutStr)
{
    TStreamBlock block;
    block.LoadFromStream(BlockStr);
    UnCompress(block, OutStr);
}
