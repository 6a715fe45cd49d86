#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The system's single-byte code page (Windows-1251) for the files it keeps, text keys and
// packed texts. Characters the code page lacks become "?".
class TUCodePage {
public:
    static QByteArray FromUnicode(QStringView text);
    static QString ToUnicode(QByteArrayView bytes);
    // One character each way, without building a text (keys convert on hot paths).
    static char FromUnicodeChar(char16_t u);
    static char16_t ToUnicodeChar(unsigned char b);
    // Bytes in the charset a Content-Type header names ("text/plain; charset=..."); nothing when
    // it names none, or one the text codecs do not know.
    static std::optional<QString> ToUnicodeAs(const QByteArray &bytes, const QByteArray &contentType);
    // Whether that charset is UTF-8, so that ToUnicodeAs would decode the bytes as UTF-8.
    static bool NamesUtf8(const QByteArray &contentType);
    // The code page's name as the text codecs know it.
    static const char *Name() { return "windows-1251"; }
};
