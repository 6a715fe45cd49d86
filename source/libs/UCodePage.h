#pragma once

#include <QByteArray>
#include <QString>

// The system's single-byte code page (Windows-1251) for the files it keeps, text keys and
// packed texts. Characters the code page lacks become "?".
class TUCodePage {
public:
    static QByteArray FromUnicode(QStringView text);
    static QString ToUnicode(QByteArrayView bytes);
    // The code page's name as the text codecs know it.
    static const char *Name() { return "windows-1251"; }
};
