#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdint>

// How the client reads members of the service's JSON. The service's scripts send many numbers
// as texts, so wherever a number is read a JSON number and a text holding one ("5", " 2.5 ",
// "1e3", in the machine form of TUConv) give the same value.
class TUJson {
public:
    TUJson() = delete;

    // The number of a JSON number or of a text holding a finite one; false, leaving Value as it
    // was, for anything else (other texts, null, booleans, arrays, objects, an absent member).
    static bool AsNumber(const QJsonValue &Json, double &Value);
    // AsNumber cut to its whole part; Default when that is no number or lies outside 32 bits.
    static int32_t AsInt(const QJsonValue &Json, int32_t Default = 0);
    // AsNumber; Default when that is no number.
    static double AsFloat(const QJsonValue &Json, double Default = 0);
    // A text as it is, a number in its shortest form (whole numbers with all their digits, no
    // exponent); the empty text for anything else.
    static QString AsText(const QJsonValue &Json);
    // True exactly for the text "Y".
    static bool AsYes(const QJsonValue &Json);
};
