#include "UException.h"

EUError::EUError(const QString &message) : FMessage(message), FUtf8(message.toStdString()) {}

void UAssert(bool condition, const QString &message)
{
    if (!condition)
        throw EUAssertion(message);
}
