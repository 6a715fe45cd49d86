#include "SGGzip.h"
#include "TestUtil.h"
#include "UException.h"
#include "sgstreams.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <vector>

namespace {

// Text-like data that compresses but is not trivial.
QByteArray sampleText(int size)
{
    QByteArray out;
    int i = 0;
    while (out.size() < size) {
        out += "Board " + QByteArray::number(i * 7919 % 1000) + " faces town " + QByteArray::number(i % 37) + ".\n";
        ++i;
    }
    out.truncate(size);
    return out;
}

// A gzip member made by zlib itself, optionally with the optional header fields.
QByteArray zlibMember(const QByteArray &data, gz_header *header = nullptr)
{
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (header)
        deflateSetHeader(&s, header);
    QByteArray out(int(deflateBound(&s, data.size())) + 256, '\0');
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    out.truncate(int(s.total_out));
    deflateEnd(&s);
    return out;
}

// Decodes exactly one gzip member with zlib; fails the test on anything else.
QByteArray zlibInflateMember(const QByteArray &member)
{
    z_stream s{};
    EXPECT_EQ(inflateInit2(&s, 31), Z_OK);
    QByteArray out(1 << 20, '\0');
    s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(member.constData()));
    s.avail_in = uInt(member.size());
    s.next_out = reinterpret_cast<Bytef *>(out.data());
    s.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&s, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(s.avail_in, 0u) << "bytes after the member";
    out.truncate(int(s.total_out));
    inflateEnd(&s);
    return out;
}

QByteArray pack(TGZip &zip, QByteArray data)
{
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    QByteArray packed;
    QBuffer out(&packed);
    out.open(QIODevice::WriteOnly);
    zip.Compress(in, out);
    return packed;
}

QByteArray unpack(TGZip &zip, QByteArray data)
{
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    QByteArray plain;
    QBuffer out(&plain);
    out.open(QIODevice::WriteOnly);
    zip.UnCompress(in, out);
    return plain;
}

template <typename F>
QString failureOf(F &&body)
{
    try {
        body();
    } catch (const EUError &e) {
        return e.Message();
    }
    return QStringLiteral("<no failure>");
}

// An output that takes only the first Limit bytes.
class TShortDevice : public QIODevice {
public:
    explicit TShortDevice(qint64 Limit) : FLimit(Limit) { open(QIODevice::WriteOnly); }
    QByteArray Data;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 n = std::min(len, FLimit - qint64(Data.size()));
        if (n <= 0)
            return -1;
        Data.append(data, n);
        return n;
    }

private:
    qint64 FLimit;
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

TEST(SGGzip, WritesTheFixedMemberLayout)
{
    TGZip zip;
    // Empty input: header, the empty final deflate block, CRC 0 and length 0.
    EXPECT_EQ(pack(zip, QByteArray()),
              bytes({0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}));

    for (int level : {0, 1, 9}) {
        SCOPED_TRACE(level);
        zip.SetCompressionLevel(level);
        const QByteArray text = sampleText(70000);
        const QByteArray member = pack(zip, text);
        EXPECT_EQ(member.left(10), bytes({0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 0})) << "XFL and OS stay 0 at every level";
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(text.constData()), uInt(text.size())));
        const QByteArray trailer = member.right(8);
        EXPECT_EQ(qFromLittleEndian<quint32>(trailer.constData()), crc);
        EXPECT_EQ(qFromLittleEndian<quint32>(trailer.constData() + 4), quint32(text.size()));
        EXPECT_EQ(zlibInflateMember(member), text);
        if (level == 0)
            EXPECT_GT(member.size(), text.size());
        else
            EXPECT_LT(member.size(), text.size() / 3);
    }
}

TEST(SGGzip, RoundTripsAcrossChunkBoundaries)
{
    // Buffers smaller than, equal to and larger than the data, so chunks split everywhere.
    for (quint32 bufSize : {1u, 7u, 4096u, 262144u}) {
        for (int size : {0, 1, 4096, 4097, 300000}) {
            SCOPED_TRACE(testing::Message() << "buffer " << bufSize << ", size " << size);
            if (bufSize == 1 && size > 5000)
                continue;
            TGZip zip(bufSize);
            const QByteArray text = sampleText(size);
            EXPECT_EQ(unpack(zip, pack(zip, text)), text);
        }
    }
}

TEST(SGGzip, ReadsEveryHeaderFormAndMemberSequence)
{
    const QByteArray text = sampleText(5000);
    QByteArray name("board.txt"), comment("a comment"), extra("XY\x04\0abcd", 8);
    struct Case {
        const char *what;
        bool withName, withComment, withExtra, withHcrc;
    } cases[] = {
        {"plain", false, false, false, false},    {"name", true, false, false, false},
        {"comment", false, true, false, false},   {"extra field", false, false, true, false},
        {"header check", false, false, false, true}, {"all of them", true, true, true, true},
    };
    TGZip zip;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gz_header h{};
        h.time = 1234567;
        h.os = 3;
        if (c.withName)
            h.name = reinterpret_cast<Bytef *>(name.data());
        if (c.withComment)
            h.comment = reinterpret_cast<Bytef *>(comment.data());
        if (c.withExtra) {
            h.extra = reinterpret_cast<Bytef *>(extra.data());
            h.extra_len = uInt(extra.size());
        }
        h.hcrc = c.withHcrc;
        EXPECT_EQ(unpack(zip, zlibMember(text, &h)), text);
    }

    // Members one after another make one output; zero padding after the last is ignored.
    const QByteArray second = sampleText(123).toUpper();
    EXPECT_EQ(unpack(zip, pack(zip, text) + zlibMember(second) + pack(zip, QByteArray())), text + second);
    EXPECT_EQ(unpack(zip, pack(zip, text) + QByteArray(512, '\0')), text);
}

TEST(SGGzip, CopiesInputThatIsNotGzip)
{
    TGZip zip;
    for (const QByteArray &plain : {QByteArray(), QByteArray("\x1f"), QByteArray("\x1f\x8a rest"),
                                    QByteArray("plain text, not packed\n"), sampleText(600000)}) {
        SCOPED_TRACE(plain.left(20).toStdString());
        EXPECT_EQ(unpack(zip, plain), plain);
    }
}

TEST(SGGzip, DamagedInputFailsAtClose)
{
    TGZip zip;
    const QByteArray good = pack(zip, sampleText(20000));
    auto changed = [&](int at, int value) {
        QByteArray b = good;
        b[at < 0 ? b.size() + at : at] = char(value);
        return b;
    };
    const struct {
        const char *what;
        QByteArray input;
    } cases[] = {
        {"CRC mismatch", changed(-8, good.at(good.size() - 8) ^ 1)},
        {"length mismatch", changed(-1, 1)},
        {"method 7", changed(2, 7)},
        {"reserved flag bit", changed(3, 0x20)},
        {"damaged deflate data", changed(12, good.at(12) ^ 0x55)},
        {"truncated data", good.left(good.size() / 2)},
        {"truncated trailer", good.left(good.size() - 3)},
        {"header only", good.left(10)},
        {"magic only", good.left(2)},
        {"good member, then a truncated one", good + good.left(15)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(failureOf([&] { unpack(zip, c.input); }), QStringLiteral("UnCompress(Stream->Stream): gzclose error"));
    }
}

TEST(SGGzip, StreamFailuresKeepTheirLayeredText)
{
    TGZip zip(4096);
    const QByteArray text = sampleText(50000);
    QByteArray packed = pack(zip, text);

    {
        SCOPED_TRACE("unpacked output falls short");
        QBuffer in(&packed);
        in.open(QIODevice::ReadOnly);
        TShortDevice out(5000);
        EXPECT_EQ(failureOf([&] { zip.UnCompress(in, out); }),
                  QStringLiteral("UnCompress(Stream->Stream): Uncompress(gzFile->Stream): write error"));
        EXPECT_EQ(out.Data, text.left(5000)) << "everything up to the shortfall is written";
    }
    {
        SCOPED_TRACE("packed output takes no header");
        QBuffer in(&packed);
        in.open(QIODevice::ReadOnly);
        TShortDevice out(4);
        EXPECT_EQ(failureOf([&] { zip.Compress(in, out); }), QStringLiteral("Compress(Stream->Stream): can't gzopen"));
    }
    {
        SCOPED_TRACE("packed output stops after the header");
        QBuffer in(&packed);
        in.open(QIODevice::ReadOnly);
        TShortDevice out(10);
        EXPECT_EQ(failureOf([&] { zip.Compress(in, out); }), QStringLiteral("Compress(Stream->Stream): gzclose error"));
    }
    {
        SCOPED_TRACE("input not readable");
        QBuffer in(&packed); // never opened
        QByteArray sink;
        QBuffer out(&sink);
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(failureOf([&] { zip.UnCompress(in, out); }),
                  QStringLiteral("UnCompress(Stream->Stream): Uncompress(gzFile->Stream): read error"));
    }
}

TEST(SGGzip, ReportsProgressPerChunkAndAtTheEnd)
{
    TGZip zip(4);
    std::vector<qint32> seen;
    zip.SetOnProgress([&](TGZip *sender, qint32 done) {
        EXPECT_EQ(sender, &zip);
        seen.push_back(done);
    });
    const QByteArray packed = pack(zip, "0123456789");
    EXPECT_EQ(seen, (std::vector<qint32>{4, 8, 10, 10}));
    seen.clear();
    EXPECT_EQ(unpack(zip, packed), QByteArray("0123456789"));
    EXPECT_EQ(seen, (std::vector<qint32>{4, 8, 10, 10}));

    // A failing handler stops the work; its text is layered, and the writer still closes.
    zip.SetOnProgress([](TGZip *, qint32 done) {
        if (done >= 8)
            throw EUError(QStringLiteral("stopped"));
    });
    EXPECT_EQ(failureOf([&] { pack(zip, "0123456789"); }),
              QStringLiteral("Compress(Stream->Stream): Compress(Stream->gzFile): stopped"));
    EXPECT_EQ(failureOf([&] { unpack(zip, packed); }),
              QStringLiteral("UnCompress(Stream->Stream): Uncompress(gzFile->Stream): stopped"));
}

TEST(SGGzip, ReadsInputFromItsStartAndWritesAtTheOutputPosition)
{
    TGZip zip;
    QByteArray text = sampleText(3000);
    QBuffer in(&text);
    in.open(QIODevice::ReadOnly);
    in.seek(1000);
    QByteArray packed("prefix");
    QBuffer out(&packed);
    out.open(QIODevice::ReadWrite);
    out.seek(out.size());
    zip.Compress(in, out);
    ASSERT_TRUE(packed.startsWith("prefix"));
    EXPECT_EQ(zlibInflateMember(packed.mid(6)), text);

    QBuffer packedIn(&packed);
    packedIn.open(QIODevice::ReadOnly);
    packedIn.seek(packed.size());
    QByteArray plain("head:");
    QBuffer plainOut(&plain);
    plainOut.open(QIODevice::ReadWrite);
    plainOut.seek(plain.size());
    zip.UnCompress(packedIn, plainOut); // not gzip at its start: copied whole
    EXPECT_EQ(plain, "head:" + packed);
}

TEST(SGGzip, FileFormsAndSuffixes)
{
    testutil::TempDir dir;
    const QString name = dir.file("data.txt");
    const QByteArray text = sampleText(100000);
    testutil::writeFile(name, text);

    TGZip zip;
    zip.SetEraseSource(true);
    zip.Compress(name);
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_EQ(zlibInflateMember(testutil::readFile(name + ".gz")), text);
    zip.UnCompress(name + TGZip::GZ_SUFFIX());
    EXPECT_FALSE(QFile::exists(name + ".gz"));
    EXPECT_EQ(testutil::readFile(name), text);

    zip.SetEraseSource(false);
    zip.Compress(name, dir.file("other.bin"));
    zip.UnCompress(dir.file("other.bin"), dir.file("back.txt"));
    EXPECT_TRUE(QFile::exists(name));
    EXPECT_EQ(testutil::readFile(dir.file("back.txt")), text);

    const QString upper = dir.file("DATA.GZ");
    QFile::copy(dir.file("other.bin"), upper);
    EXPECT_EQ(failureOf([&] { zip.UnCompress(upper); }),
              "UnCompress(gzip mode): file " + upper + " doesn't have .gz suffix.");

    // A damaged file: the input stays even with EraseSource, the output as far as written.
    zip.SetEraseSource(true);
    QByteArray damaged = testutil::readFile(dir.file("other.bin"));
    damaged.chop(4);
    testutil::writeFile(dir.file("bad.gz"), damaged);
    EXPECT_EQ(failureOf([&] { zip.UnCompress(dir.file("bad.gz")); }),
              QStringLiteral("UnCompress(File->File): UnCompress(Stream->Stream): gzclose error"));
    EXPECT_TRUE(QFile::exists(dir.file("bad.gz")));
    EXPECT_TRUE(QFile::exists(dir.file("bad")));

    const QString missingFailure = failureOf([&] { zip.UnCompress(dir.file("missing.gz")); });
    EXPECT_TRUE(missingFailure.startsWith("UnCompress(File->File): ")) << missingFailure.toStdString();
    EXPECT_TRUE(missingFailure.contains("missing.gz")) << missingFailure.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("missing")));
}

TEST(SGGzip, TextFormsGoThroughTheCodePage)
{
    TGZip zip;
    const QString text = QStringLiteral("Щит №5 на улице Ленина, сторона А; ") + QString::fromLatin1(sampleText(2000));
    const QString packed = zip.CompressStr(text);
    EXPECT_EQ(packed.left(3), QString::fromLatin1("\x1f") + QChar(0x2039) + QChar(8)) << "0x8B is U+2039 in the code page";
    EXPECT_EQ(zip.UnCompressStr(packed), text);
    EXPECT_EQ(zip.UnCompressStr(QStringLiteral("не сжато")), QStringLiteral("не сжато"));
}

TEST(SGGzip, BlocksCarryOneMemberEach)
{
    TGZip zip;
    QByteArray first = sampleText(10000), second("second");
    QByteArray stream;
    QBuffer blocks(&stream);
    blocks.open(QIODevice::ReadWrite);
    for (QByteArray *data : {&first, &second}) {
        QBuffer in(data);
        in.open(QIODevice::ReadOnly);
        zip.CompressAsBlock(in, blocks);
    }
    ASSERT_TRUE(stream.startsWith(QByteArray("SsB\0", 4)));
    const quint32 len = qFromLittleEndian<quint32>(stream.constData() + 4);
    EXPECT_EQ(zlibInflateMember(stream.mid(8, len)), first);

    blocks.seek(0);
    for (const QByteArray &expected : {first, second}) {
        QByteArray plain;
        QBuffer out(&plain);
        out.open(QIODevice::WriteOnly);
        zip.UnCompressFromBlock(blocks, out);
        EXPECT_EQ(plain, expected);
    }
    EXPECT_TRUE(blocks.atEnd());
}

TEST(SGGzip, BlockFraming)
{
    {
        SCOPED_TRACE("empty block");
        TStreamBlock block;
        QByteArray stream("x");
        QBuffer s(&stream);
        s.open(QIODevice::ReadWrite);
        s.seek(1);
        block.SaveToStream(s);
        EXPECT_EQ(stream, QByteArray("xSsB\0\0\0\0\0", 9));
        s.write("tail");
        s.seek(1);
        TStreamBlock loaded;
        loaded.write("old content");
        loaded.LoadFromStream(s);
        EXPECT_EQ(loaded.size(), 0);
        EXPECT_EQ(s.pos(), 9);
    }
    {
        SCOPED_TRACE("content read from its start, loaded block positioned at its start");
        TStreamBlock block;
        block.write("payload");
        QByteArray stream;
        QBuffer s(&stream);
        s.open(QIODevice::ReadWrite);
        block.SaveToStream(s);
        EXPECT_EQ(stream, QByteArray("SsB\0\7\0\0\0payload", 15));
        s.seek(0);
        TStreamBlock loaded;
        loaded.LoadFromStream(s);
        EXPECT_EQ(loaded.pos(), 0);
        EXPECT_EQ(loaded.readAll(), "payload");
    }

    const struct {
        const char *what;
        QByteArray stream;
        QString failure;
    } bad[] = {
        {"wrong signature", QByteArray("SsB\1\0\0\0\0", 8), "Bad StreamBlock signature."},
        {"short header", QByteArray("SsB\0\0", 5), "Bad StreamBlock signature."},
        {"empty stream", QByteArray(), "Bad StreamBlock signature."},
        {"payload short", QByteArray("SsB\0\x10\0\0\0abc", 11), "Stream write error when loading Stream Block."},
        {"length near 4 GiB", QByteArray("SsB\0\xff\xff\xff\xff", 8) + QByteArray(100, 'a'),
         "Stream write error when loading Stream Block."},
    };
    for (const auto &c : bad) {
        SCOPED_TRACE(c.what);
        QByteArray data = c.stream;
        QBuffer s(&data);
        s.open(QIODevice::ReadOnly);
        TStreamBlock block;
        block.write("old");
        EXPECT_EQ(failureOf([&] { block.LoadFromStream(s); }), c.failure);
        EXPECT_EQ(block.size(), 0);
    }

    TStreamBlock block;
    block.write("data");
    TShortDevice shortOut(10);
    EXPECT_EQ(failureOf([&] { block.SaveToStream(shortOut); }), QStringLiteral("Stream write error when saving Stream Block."));
}
