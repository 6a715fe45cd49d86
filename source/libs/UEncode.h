#pragma once

#include <QString>

// Digests of request signatures.
class TUEncode {
public:
    TUEncode() = delete;

    // MD5 of the text's single-byte (Windows-1251) bytes as 32 lower-case hexadecimal digits.
    static QString MD5(const QString &Str);
    // MD5(MD5(Str) + Key): the key salts the outer digest and is never sent.
    static QString Encode(const QString &Str, const QString &Key);
};
