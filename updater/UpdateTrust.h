#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// Signed updates. An update site may publish, beside its descriptor, a manifest: the SHA-256 of
// the descriptor's bytes and of every listed file as it lands in the program folder (a ".gz"
// entry under its name without ".gz", unpacked), signed with an Ed25519 key. Its text:
//
//   # comment lines
//   descriptor <sha-256, 64 hex digits>
//   file <sha-256> <size in bytes> <name as it lands, "/" between folders>
//   ...
//   signature <base64 of the Ed25519 signature over every byte before this line>
//
// Lines end with LF; the signature line is the last one.

// Incremental SHA-256.
class TUSha256 {
public:
    TUSha256();
    ~TUSha256();
    TUSha256(const TUSha256 &) = delete;
    TUSha256 &operator=(const TUSha256 &) = delete;
    void Add(const char *Data, qint64 Size);
    void Add(const QByteArray &Data) { Add(Data.constData(), Data.size()); }
    // Lower-case hex digest; the hasher is ready for new data afterwards.
    QByteArray HexDigest();

    static QByteArray Hex(const QByteArray &Data);
    // Hex digest of a whole file; false (Hash empty) when it cannot be read.
    static bool File(const QString &FileName, QByteArray &Hash, qint64 *Size = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> F;
};

struct TUpdateManifestFile {
    QString Name;
    QByteArray Hash; // lower-case hex
    qint64 Size = 0;
};

struct TUpdateManifest {
    QByteArray DescriptorHash;
    std::vector<TUpdateManifestFile> Files;

    const TUpdateManifestFile *Find(const QString &Name) const;
    // The signed part of the text (everything before the signature line).
    QByteArray Body() const;
};

enum class TUpdateManifestCheck { Ok, Damaged, BadSignature };

// Parses Text and checks its signature with PublicKey (32 raw bytes). Damaged: Detail names the
// line that does not parse.
TUpdateManifestCheck ReadSignedManifest(const QByteArray &Text, const QByteArray &PublicKey, TUpdateManifest &Out,
                                        QString &Detail);

// Public key text as written in "update.ini": base64 of the 32 raw key bytes. False when the
// text is not such a key.
bool DecodeUpdatePublicKey(const QString &Text, QByteArray &Raw);

// The site owner's key, for the signing tool.
class TUpdateSigningKey {
public:
    TUpdateSigningKey();
    ~TUpdateSigningKey();
    TUpdateSigningKey(const TUpdateSigningKey &) = delete;
    TUpdateSigningKey &operator=(const TUpdateSigningKey &) = delete;

    bool Generate();
    // PEM (PKCS #8) private key files.
    bool Load(const QString &FileName);
    bool Save(const QString &FileName) const;
    bool IsSet() const { return FKey != nullptr; }
    QByteArray PublicKey() const; // 32 raw bytes
    QString PublicKeyText() const; // as "update.ini" takes it
    QByteArray Sign(const QByteArray &Message) const;
    // The complete manifest text, signed.
    QByteArray SignManifest(const TUpdateManifest &Manifest) const;

private:
    struct evp_pkey_st *FKey = nullptr;
};

// The manifest of a site folder: Descriptor is the descriptor's bytes, its files lie below
// Folder (ending with "/") under their entries' names; ".gz" files are hashed unpacked.
// False with Error naming the entry that is missing, unreadable or unsafe.
bool MakeSiteManifest(const QByteArray &Descriptor, const QString &Folder, TUpdateManifest &Out, QString &Error);
