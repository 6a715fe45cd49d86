#include "UEncode.h"

#include "UCodePage.h"
#include "UException.h"

#include <openssl/evp.h>

#include <memory>

QString TUEncode::MD5(const QString &Str)
{
    const QByteArray bytes = TUCodePage::FromUnicode(Str);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1
        || EVP_DigestUpdate(ctx.get(), bytes.constData(), size_t(bytes.size())) != 1
        || EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        throw EUError(QStringLiteral("MD5 is not available"));
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString TUEncode::Encode(const QString &Str, const QString &Key)
{
    return MD5(MD5(Str) + Key);
}
