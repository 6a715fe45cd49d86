#pragma once

#include <QString>

#include <exception>
#include <string>

// The error every operation raises for a failure meant for the user: its text is shown as it is.
class EUError : public std::exception {
public:
    explicit EUError(const QString &message);
    const QString &Message() const { return FMessage; }
    const char *what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// A broken precondition of the caller ("AList must be assigned"): a programming fault, not a
// user error, so callers can tell the two apart.
class EUAssertion : public EUError {
public:
    using EUError::EUError;
};

// Raises EUAssertion with `message` unless `condition` holds.
void UAssert(bool condition, const QString &message);

// The text of any failure, for a place that must report whatever was thrown: the message of
// EUError, a readable text for a lack of memory, what() of another standard exception.
QString UErrorText(const std::exception_ptr &Failure);
