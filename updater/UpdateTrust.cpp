#include "UpdateTrust.h"

#include "SGGzip.h"
#include "UConv.h"
#include "UException.h"
#include "UpdateHTTP.h"
#include "UpdateMaster.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

constexpr int kKeySize = 32;
constexpr int kSignatureSize = 64;
const QByteArray kSignatureTag = QByteArrayLiteral("signature ");

bool isHexDigest(const QByteArray &s)
{
    if (s.size() != 64)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool verifyEd25519(const QByteArray &PublicKey, const QByteArray &Message, const QByteArray &Signature)
{
    if (PublicKey.size() != kKeySize || Signature.size() != kSignatureSize)
        return false;
    EVP_PKEY *key = EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                                reinterpret_cast<const unsigned char *>(PublicKey.constData()), kKeySize);
    if (!key)
        return false;
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    bool ok = ctx && EVP_DigestVerifyInit(ctx, nullptr, nullptr, nullptr, key) == 1 &&
              EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char *>(Signature.constData()), Signature.size(),
                               reinterpret_cast<const unsigned char *>(Message.constData()), Message.size()) == 1;
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(key);
    return ok;
}

} // namespace

struct TUSha256::Impl {
    EVP_MD_CTX *Ctx = EVP_MD_CTX_new();
    ~Impl() { EVP_MD_CTX_free(Ctx); }
    void Reset() { EVP_DigestInit_ex(Ctx, EVP_sha256(), nullptr); }
};

TUSha256::TUSha256() : F(std::make_unique<Impl>()) { F->Reset(); }

TUSha256::~TUSha256() = default;

void TUSha256::Add(const char *Data, qint64 Size)
{
    if (Size > 0)
        EVP_DigestUpdate(F->Ctx, Data, static_cast<size_t>(Size));
}

QByteArray TUSha256::HexDigest()
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(F->Ctx, md, &len);
    F->Reset();
    return QByteArray(reinterpret_cast<const char *>(md), static_cast<int>(len)).toHex();
}

QByteArray TUSha256::Hex(const QByteArray &Data)
{
    TUSha256 h;
    h.Add(Data);
    return h.HexDigest();
}

bool TUSha256::File(const QString &FileName, QByteArray &Hash, qint64 *Size)
{
    Hash.clear();
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    TUSha256 h;
    QByteArray buf(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = f.read(buf.data(), buf.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        h.Add(buf.constData(), n);
        total += n;
    }
    Hash = h.HexDigest();
    if (Size)
        *Size = total;
    return true;
}

const TUpdateManifestFile *TUpdateManifest::Find(const QString &Name) const
{
    for (const TUpdateManifestFile &f : Files)
        if (f.Name == Name)
            return &f;
    return nullptr;
}

QByteArray TUpdateManifest::Body() const
{
    QByteArray b = "# update manifest: SHA-256 of the descriptor and of every file as it lands\n";
    b += "descriptor " + DescriptorHash + '\n';
    for (const TUpdateManifestFile &f : Files)
        b += "file " + f.Hash + ' ' + QByteArray::number(f.Size) + ' ' + f.Name.toUtf8() + '\n';
    return b;
}

TUpdateManifestCheck ReadSignedManifest(const QByteArray &Text, const QByteArray &PublicKey, TUpdateManifest &Out,
                                        QString &Detail)
{
    Out = {};
    Detail.clear();
    // The signature line is the last line; everything before it is signed.
    QByteArray text = Text;
    if (text.endsWith('\n'))
        text.chop(1);
    const qsizetype lastLine = text.lastIndexOf('\n') + 1;
    if (!text.mid(lastLine).startsWith(kSignatureTag)) {
        Detail = QStringLiteral("нет строки подписи");
        return TUpdateManifestCheck::Damaged;
    }
    const QByteArray body = text.left(lastLine);
    const QByteArray sigText = text.mid(lastLine + kSignatureTag.size()).trimmed();
    const auto sig = QByteArray::fromBase64Encoding(sigText, QByteArray::AbortOnBase64DecodingErrors);
    if (!sig || sig.decoded.size() != kSignatureSize) {
        Detail = QStringLiteral("подпись не читается");
        return TUpdateManifestCheck::Damaged;
    }
    if (!verifyEd25519(PublicKey, body, sig.decoded))
        return TUpdateManifestCheck::BadSignature;

    // Signed by the site's key; its lines still have to make sense.
    const QList<QByteArray> lines = body.split('\n');
    bool haveDescriptor = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        bool ok = false;
        if (line.startsWith("descriptor ")) {
            Out.DescriptorHash = line.mid(11);
            ok = !haveDescriptor && isHexDigest(Out.DescriptorHash);
            haveDescriptor = true;
        } else if (line.startsWith("file ")) {
            const qsizetype sp1 = 5 + 64;
            const qsizetype sp2 = line.indexOf(' ', sp1 + 1);
            TUpdateManifestFile f;
            f.Hash = line.mid(5, 64);
            if (line.size() > sp1 && line.at(sp1) == ' ' && sp2 > sp1 + 1 && isHexDigest(f.Hash)) {
                f.Size = line.mid(sp1 + 1, sp2 - sp1 - 1).toLongLong(&ok);
                f.Name = QString::fromUtf8(line.mid(sp2 + 1));
                ok = ok && f.Size >= 0 && !f.Name.isEmpty() && !Out.Find(f.Name);
            }
            if (ok)
                Out.Files.push_back(std::move(f));
        }
        if (!ok) {
            Detail = QStringLiteral("строка %1").arg(i + 1);
            Out = {};
            return TUpdateManifestCheck::Damaged;
        }
    }
    if (!haveDescriptor) {
        Detail = QStringLiteral("нет строки descriptor");
        return TUpdateManifestCheck::Damaged;
    }
    return TUpdateManifestCheck::Ok;
}

bool DecodeUpdatePublicKey(const QString &Text, QByteArray &Raw)
{
    Raw.clear();
    const auto r = QByteArray::fromBase64Encoding(Text.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!r || r.decoded.size() != kKeySize)
        return false;
    EVP_PKEY *key = EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                                reinterpret_cast<const unsigned char *>(r.decoded.constData()), kKeySize);
    if (!key)
        return false;
    EVP_PKEY_free(key);
    Raw = r.decoded;
    return true;
}

TUpdateSigningKey::TUpdateSigningKey() = default;

TUpdateSigningKey::~TUpdateSigningKey() { EVP_PKEY_free(FKey); }

bool TUpdateSigningKey::Generate()
{
    EVP_PKEY_free(FKey);
    FKey = nullptr;
    EVP_PKEY_CTX *ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    if (ctx && EVP_PKEY_keygen_init(ctx) == 1)
        EVP_PKEY_keygen(ctx, &FKey);
    EVP_PKEY_CTX_free(ctx);
    return FKey != nullptr;
}

bool TUpdateSigningKey::Load(const QString &FileName)
{
    EVP_PKEY_free(FKey);
    FKey = nullptr;
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pem = f.readAll();
    BIO *bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    if (bio) {
        FKey = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
        BIO_free(bio);
    }
    if (FKey && EVP_PKEY_get_id(FKey) != EVP_PKEY_ED25519) {
        EVP_PKEY_free(FKey);
        FKey = nullptr;
    }
    return FKey != nullptr;
}

bool TUpdateSigningKey::Save(const QString &FileName) const
{
    if (!FKey)
        return false;
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return false;
    QByteArray pem;
    if (PEM_write_bio_PrivateKey(bio, FKey, nullptr, nullptr, 0, nullptr, nullptr) == 1) {
        char *data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, static_cast<int>(n));
    }
    BIO_free(bio);
    if (pem.isEmpty())
        return false;
    QSaveFile f(FileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Only the owner may read the secret.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(pem);
    return f.commit();
}

QByteArray TUpdateSigningKey::PublicKey() const
{
    if (!FKey)
        return {};
    QByteArray raw(kKeySize, Qt::Uninitialized);
    size_t len = kKeySize;
    if (EVP_PKEY_get_raw_public_key(FKey, reinterpret_cast<unsigned char *>(raw.data()), &len) != 1 || len != kKeySize)
        return {};
    return raw;
}

QString TUpdateSigningKey::PublicKeyText() const { return QString::fromLatin1(PublicKey().toBase64()); }

QByteArray TUpdateSigningKey::Sign(const QByteArray &Message) const
{
    if (!FKey)
        return {};
    QByteArray sig(kSignatureSize, Qt::Uninitialized);
    size_t len = kSignatureSize;
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    const bool ok = ctx && EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, FKey) == 1 &&
                    EVP_DigestSign(ctx, reinterpret_cast<unsigned char *>(sig.data()), &len,
                                   reinterpret_cast<const unsigned char *>(Message.constData()), Message.size()) == 1;
    EVP_MD_CTX_free(ctx);
    return ok && len == kSignatureSize ? sig : QByteArray();
}

QByteArray TUpdateSigningKey::SignManifest(const TUpdateManifest &Manifest) const
{
    const QByteArray body = Manifest.Body();
    const QByteArray sig = Sign(body);
    if (sig.isEmpty())
        return {};
    return body + kSignatureTag + sig.toBase64() + '\n';
}

namespace {

// Feeds what is written to it into a hasher and counts it.
class THashSink : public QIODevice {
public:
    explicit THashSink(TUSha256 &Hash) : FHash(Hash) { open(QIODevice::WriteOnly); }
    qint64 Count = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *Data, qint64 Size) override
    {
        FHash.Add(Data, Size);
        Count += Size;
        return Size;
    }

private:
    TUSha256 &FHash;
};

} // namespace

bool MakeSiteManifest(const QByteArray &Descriptor, const QString &Folder, TUpdateManifest &Out, QString &Error)
{
    Out = {};
    Error.clear();
    Out.DescriptorHash = TUSha256::Hex(Descriptor);
    const QStringList entries = TUpdateMaster::SplitDescriptor(UpdateDecodeText(Descriptor, {}));
    for (qsizetype i = 1; i < entries.size(); ++i) {
        if (entries.at(i).contains(u'='))
            continue; // a key line
        const QString entry = TUConv::Trim(entries.at(i));
        if (entry.isEmpty())
            continue;
        if (!TUpdateMaster::IsSafeRelativeName(entry)) {
            Error = QStringLiteral("unsafe file name \"%1\"").arg(entry);
            return false;
        }
        TUpdateManifestFile f;
        f.Name = TUpdateMaster::LandingName(entry);
        if (Out.Find(f.Name))
            continue;
        const QString path = Folder + entry;
        if (TUpdateMaster::IsGZipFile(entry)) {
            QFile in(path);
            TUSha256 hash;
            THashSink sink(hash);
            try {
                if (!in.open(QIODevice::ReadOnly))
                    throw EUError(in.errorString());
                TGZip().UnCompress(in, sink);
            } catch (const EUError &e) {
                Error = QStringLiteral("%1: %2").arg(path, e.Message());
                return false;
            }
            f.Hash = hash.HexDigest();
            f.Size = sink.Count;
        } else if (!TUSha256::File(path, f.Hash, &f.Size)) {
            Error = QStringLiteral("%1: cannot be read").arg(path);
            return false;
        }
        Out.Files.push_back(std::move(f));
    }
    return true;
}
