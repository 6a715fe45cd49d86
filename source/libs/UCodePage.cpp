#include "UCodePage.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace {

// Windows-1251 is a fixed single-byte table: build both directions once from the platform
// codec and convert with plain lookups afterwards (no codec state shared between threads).
struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::array<unsigned char, 65536> fromUnicode{}; // 0 = no mapping (except U+0000)

    Tables()
    {
        QStringDecoder dec(TUCodePage::Name());
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            QString s = dec.decode(QByteArrayView(&c, 1));
            dec.resetState();
            toUnicode[b] = (s.size() == 1 && !dec.hasError()) ? char16_t(s.at(0).unicode()) : char16_t(0xFFFD);
        }
        for (int b = 255; b > 0; --b)
            if (toUnicode[b] != 0xFFFD)
                fromUnicode[toUnicode[b]] = static_cast<unsigned char>(b);
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

QByteArray TUCodePage::FromUnicode(QStringView text)
{
    const Tables &t = tables();
    QByteArray out(text.size(), Qt::Uninitialized);
    char *p = out.data();
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        const unsigned char b = t.fromUnicode[u];
        *p++ = (b || u == 0) ? char(b) : '?';
    }
    return out;
}

QString TUCodePage::ToUnicode(QByteArrayView bytes)
{
    const Tables &t = tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *p = out.data();
    for (char c : bytes)
        *p++ = QChar(t.toUnicode[static_cast<unsigned char>(c)]);
    return out;
}

char TUCodePage::FromUnicodeChar(char16_t u)
{
    const unsigned char b = tables().fromUnicode[u];
    return (b || u == 0) ? char(b) : '?';
}

char16_t TUCodePage::ToUnicodeChar(unsigned char b)
{
    return tables().toUnicode[b];
}

namespace {

// The charset a Content-Type header names, as written; empty when it names none.
QByteArray charsetOf(const QByteArray &contentType)
{
    static const QRegularExpression charsetRe(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9._:-]+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const auto m = charsetRe.match(QString::fromLatin1(contentType));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

} // namespace

std::optional<QString> TUCodePage::ToUnicodeAs(const QByteArray &bytes, const QByteArray &contentType)
{
    const QByteArray charset = charsetOf(contentType);
    if (charset.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder.decode(bytes));
}

bool TUCodePage::NamesUtf8(const QByteArray &contentType)
{
    const QByteArray charset = charsetOf(contentType);
    return !charset.isEmpty() && QStringConverter::encodingForName(charset.constData()) == QStringConverter::Utf8;
}
