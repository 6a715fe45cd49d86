#include "TestUtil.h"
#include "UCodePage.h"

#include <gtest/gtest.h>

TEST(UCodePage, CyrillicRoundTripsThroughSingleBytes)
{
    const QString text = QStringLiteral("Щит №5, ёлка «Ъ» – Привет");
    const QByteArray bytes = TUCodePage::FromUnicode(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes.at(0)), 0xD9); // Щ
    EXPECT_EQ(TUCodePage::ToUnicode(bytes), text);
}

TEST(UCodePage, EveryByteMapsBack)
{
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QByteArray back = TUCodePage::FromUnicode(TUCodePage::ToUnicode(all));
    EXPECT_EQ(back, all);
}

TEST(UCodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(TUCodePage::FromUnicode(QStringLiteral("a€中")), QByteArray("a\x88?"));
}
