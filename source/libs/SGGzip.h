#pragma once

#include <QString>

#include <functional>
#include <memory>

class QIODevice;

// Packs and unpacks gzip data between streams, files, texts and blocks. The member layout it
// writes is fixed (no name, no time, XFL and OS 0); it reads any RFC 1952 member, several in a
// row, and passes input that is not gzip through unchanged. Every failure throws EUError.
// One object per thread; it may be reused for any number of operations.
class TGZip {
public:
    // DoneBytes: input bytes taken so far when packing, unpacked bytes when unpacking.
    using TZipProgressEvent = std::function<void(TGZip *Sender, qint32 DoneBytes)>;

    TGZip();
    explicit TGZip(quint32 BufSize);
    ~TGZip();
    TGZip(const TGZip &) = delete;
    TGZip &operator=(const TGZip &) = delete;

    bool EraseSource() const { return FEraseSource; }
    void SetEraseSource(bool Value) { FEraseSource = Value; }
    int CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(int Value);
    quint32 BufferSize() const { return FBufLen; }
    void SetBufferSize(quint32 Value);
    void SetOnProgress(TZipProgressEvent Value) { FOnProgress = std::move(Value); }

    // Stream forms read the input from its start and write at the output's current position.
    void Compress(QIODevice &InFile, QIODevice &OutFile);
    void UnCompress(QIODevice &InFile, QIODevice &OutFile);
    void Compress(const QString &InFileName, const QString &OutFileName);
    void UnCompress(const QString &InFileName, const QString &OutFileName);
    void Compress(const QString &FileName);
    void UnCompress(const QString &FileName);
    // Through the single-byte code page, which maps every byte value to a character.
    QString CompressStr(const QString &Str);
    QString UnCompressStr(const QString &Str);
    void CompressAsBlock(QIODevice &InPStr, QIODevice &BlockStr);
    void UnCompressFromBlock(QIODevice &BlockStr, QIODevice &OutStr);

    static QString GZ_SUFFIX();

private:
    void Progress(qint64 Total);
    void CompressToGz(QIODevice &InFile, QIODevice &OutFile);
    void UnCompressFromGz(QIODevice &InFile, QIODevice &OutFile);
    // Str's code-page bytes through one of the stream forms, back as a code-page text.
    QString ThroughStreams(const QString &Str, void (TGZip::*Direction)(QIODevice &, QIODevice &));
    // The copy loop of both directions: chunks from Read to Write under Prefix, with progress;
    // Close runs on every path and its failure takes the place of any earlier one.
    void Pump(const QString &Prefix, const std::function<qint64(char *, qint64)> &Read,
              const std::function<void(const char *, qint64)> &Write, const std::function<bool()> &Close);

    bool FEraseSource = false;
    int FCompressionLevel = 9;
    std::unique_ptr<char[]> FBuf;
    quint32 FBufLen = 0;
    TZipProgressEvent FOnProgress;
};
