#include "TestUtil.h"
#include "UEncode.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(UEncode, MD5OfSingleByteText)
{
    const struct {
        QString text;
        QString digest;
    } cases[] = {
        {QString(), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e")},
        {QStringLiteral("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72")},
        // Windows-1251 bytes, not UTF-8
        {QStringLiteral("Привет"), QStringLiteral("43a3f987a7af93811b7682e43ed0752a")},
    };
    const QRegularExpression form(QStringLiteral("^[0-9a-f]{32}$"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString digest = TUEncode::MD5(c.text);
        EXPECT_EQ(digest, c.digest);
        EXPECT_TRUE(form.match(digest).hasMatch());
    }
}

TEST(UEncode, EncodeSaltsTheOuterDigest)
{
    EXPECT_EQ(TUEncode::Encode(QStringLiteral("abc"), QStringLiteral("key")), QStringLiteral("ddbad925462a5263f8e981e9be42e0a0"));
    EXPECT_NE(TUEncode::Encode(QStringLiteral("abc"), QStringLiteral("key")), TUEncode::Encode(QStringLiteral("abc"), QStringLiteral("kez")));
}
