#include "UException.h"

#include <new>

EUError::EUError(const QString &message) : FMessage(message), FUtf8(message.toStdString()) {}

void UAssert(bool condition, const QString &message)
{
    if (!condition)
        throw EUAssertion(message);
}

QString UErrorText(const std::exception_ptr &Failure)
{
    if (!Failure)
        return {};
    try {
        std::rethrow_exception(Failure);
    } catch (const EUError &e) {
        return e.Message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Недостаточно памяти.");
    } catch (const std::exception &e) {
        const QString what = QString::fromUtf8(e.what());
        return what.isEmpty() ? QStringLiteral("Неизвестная ошибка.") : what;
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка.");
    }
}
