// updsign: the update site's key pair and the signed manifest of a site folder.
//
//   updsign keygen KEYFILE                   new secret key in KEYFILE; prints the PUBKEY line
//   updsign pubkey KEYFILE                   prints the PUBKEY line of an existing key
//   updsign sign KEYFILE DESCRIPTOR [FOLDER] writes DESCRIPTOR.manifest for the files listed in
//                                            DESCRIPTOR, found below FOLDER (default: the
//                                            descriptor's folder)
#include "UpdateTrust.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: updsign keygen KEYFILE\n"
                         "       updsign pubkey KEYFILE\n"
                         "       updsign sign KEYFILE DESCRIPTOR [FOLDER]\n");
    return 1;
}

int fail(const QString &Text)
{
    std::fprintf(stderr, "updsign: %s\n", Text.toLocal8Bit().constData());
    return 1;
}

void printPubKey(const TUpdateSigningKey &Key)
{
    std::printf("PUBKEY=%s\n", Key.PublicKeyText().toLatin1().constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return usage();
    const QString &command = args.at(1);
    const QString &keyFile = args.at(2);
    TUpdateSigningKey key;

    if (command == QLatin1String("keygen") && args.size() == 3) {
        if (QFileInfo::exists(keyFile))
            return fail(QStringLiteral("%1 exists; a key is never overwritten").arg(keyFile));
        if (!key.Generate() || !key.Save(keyFile))
            return fail(QStringLiteral("cannot write the key to %1").arg(keyFile));
        printPubKey(key);
        return 0;
    }
    if (!key.Load(keyFile))
        return fail(QStringLiteral("%1 is not an Ed25519 private key").arg(keyFile));
    if (command == QLatin1String("pubkey") && args.size() == 3) {
        printPubKey(key);
        return 0;
    }
    if (command != QLatin1String("sign") || args.size() < 4 || args.size() > 5)
        return usage();

    const QString descriptor = args.at(3);
    QString folder = args.size() == 5 ? args.at(4) : QFileInfo(descriptor).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QFile in(descriptor);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(descriptor, in.errorString()));
    TUpdateManifest manifest;
    QString error;
    if (!MakeSiteManifest(in.readAll(), folder, manifest, error))
        return fail(error);
    const QByteArray text = key.SignManifest(manifest);
    QSaveFile out(descriptor + QStringLiteral(".manifest"));
    if (text.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        return fail(QStringLiteral("cannot write %1.manifest").arg(descriptor));
    std::printf("%s.manifest: %zu files signed\n", descriptor.toLocal8Bit().constData(), manifest.Files.size());
    return 0;
}
