#pragma once

#include "UAPIDataArray.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

// Shape of an answer's "data": none, one object, or an array of rows.
enum TAPIDataAnswerType : uint8_t { datNull, datJSONRow, datJSONRows };

struct TAnswerParts;

// One service answer: its code, column names, rows and the free-form "raw" value. Built from
// the answer text; an answer that cannot be read gets code 4 and keeps the whole text in
// ErrorStr. Parsing never throws.
class TAPIDataAnswer {
public:
    // The code of an answer the client could not read.
    static constexpr uint16_t ErrorUnreadable = 4;

    // How the text is read. Stream: one pass, cells taken as they arrive; it declines whatever
    // it would not read exactly like Tree: lenient or malformed JSON, a member given twice,
    // object rows ahead of the column list, an unreadable answer. Tree: the whole document
    // first, then the rows. Auto: Stream, and Tree for what Stream declines, except a text cut
    // short, which neither can read.
    enum class TReader : uint8_t { Auto, Stream, Tree };

    // An unread answer: code 4, no rows.
    TAPIDataAnswer();
    explicit TAPIDataAnswer(const QString &Str);
    // A successful answer without rows.
    static std::unique_ptr<TAPIDataAnswer> CreateSuccess();
    virtual ~TAPIDataAnswer();
    TAPIDataAnswer(const TAPIDataAnswer &) = delete;
    TAPIDataAnswer &operator=(const TAPIDataAnswer &) = delete;

    // Code 4, no columns, rows or raw value; ErrorStr stays.
    virtual void Clear();
    // Reads an answer text; returns the resulting code. Empty text changes nothing.
    uint16_t Parse(const QString &Str) noexcept;
    // The same for the answer's UTF-8 bytes as they came off the wire, without a round trip
    // through UTF-16; an unreadable answer keeps them decoded in ErrorStr.
    uint16_t ParseUtf8(const QByteArray &Utf8, TReader Reader = TReader::Auto) noexcept;
    // An answer as it was received, with the Content-Type it came with: read where it lies when
    // that names UTF-8 and the bytes are such, otherwise decoded by the charset first as Parse
    // reads a text. The bytes are the answer's to use up; they are gone afterwards.
    uint16_t ParseReply(QByteArray &&Bytes, const QByteArray &ContentType) noexcept;

    bool IsGood() const { return FError == 0; }

    uint16_t Error() const { return FError; }
    const QString &ErrorStr() const { return FErrorData; }
    TAPIDataAnswerType DataType() const { return FDataType; }
    const TUAPIKeyList &Field() const { return *FField; }
    int32_t Count() const { return FCount; }
    const TAPIDataArray &Data() const { return *FData; }
    TAPIDataArray &Data() { return *FData; }
    // Shared with whoever copies it; Undefined when the answer has none.
    const QJsonValue &Raw() const { return FRaw; }
    // The raw value handed over whole, not shared: the answer has none from then on.
    QJsonValue TakeRaw() { return std::exchange(FRaw, QJsonValue(QJsonValue::Undefined)); }

private:
    // False when the text is not a readable answer; the answer is left as it was then.
    bool ReadAnswer(const QByteArray &utf8, TReader reader);
    void Take(TAnswerParts &parts);

    uint16_t FError = ErrorUnreadable;
    QString FErrorData;
    TAPIDataAnswerType FDataType = datNull;
    std::unique_ptr<TUAPIKeyList> FField;
    int32_t FCount = 0;
    std::unique_ptr<TAPIDataArray> FData;
    QJsonValue FRaw;
};
