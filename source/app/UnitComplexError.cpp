// Error processing of the core object: every finished request's answer code becomes one
// reaction of the whole program, in the main thread.
#include "UnitComplex.h"

#include "UAPIData.h"
#include "UAPIDataLoader.h"
#include "UDebug.h"
#include "UHandOver.h"
#include "UMessageBox.h"
#include "UShell.h"

#include <QScopeGuard>

namespace {

QString systemErrorMessage(const QString &supportEmail)
{
    return QStringLiteral("Системная ошибка...\n\rОбратитесь в поддержку: ") + supportEmail;
}

} // namespace

void TComplex::TaskDone(QObject *Sender)
{
    auto *task = qobject_cast<TDataLoader *>(Sender);
    // Without an answer the request failed in transport; its owner reports that.
    if (!task || !task->Answer())
        return;
    const TOutdoorCloseReason reason = CloseReasonOf(task->Answer()->Error());
    if (reason != ocrNone)
        ProcessError(task, reason);
}

void TComplex::ShowOnce(TOutdoorCloseReason Err, bool Silent, const QString &Msg)
{
    if (FLastError == Err)
        return;
    // A box of another reason may be open below this one: it is guarded again once this closes.
    const TOutdoorCloseReason below = FLastError;
    FLastError = Err;
    const auto restore = qScopeGuard([this, below] { FLastError = below; });
    if (!Silent)
        TUMessageBox::Error(Msg);
}

bool TComplex::ProcessError(TDataLoader *Task, TOutdoorCloseReason Err)
{
    // Dialogs and FLastError belong to the main thread, while the document tracking thread sends
    // its requests synchronously from its own: their reports are handed over and waited for.
    // Once the core is going away, nothing is processed any more.
    bool result = false;
    FHandOver->Send([&] { result = ProcessErrorInMain(Task, Err); });
    return result;
}

bool TComplex::ProcessErrorInMain(TDataLoader *Task, TOutdoorCloseReason Err)
{
    const bool silent = Task && Task->Silent();
    bool result = true;
    if (Err != ocrNone && Err != ocrAuthUser)
        TUDebug::Log(QString(ToName(Err)));
    switch (Err) {
    case ocrReconnect:
        if (!silent)
            TUMessageBox::Error(QStringLiteral("Сеанс закрыт. Требуется повторный вход!"));
        break;
    case ocrSystem:
        ShowOnce(Err, silent, systemErrorMessage(FVars->SupportEmail()));
        break;
    case ocrAuth:
        if (!silent)
            TUMessageBox::Error(QStringLiteral("Неверные настройки подключения...\n\r"
                                               "Выполните установку начальных параметров в следующем окне..."));
        // The set-up program is the remedy even when nobody was told; a failed start is not reported.
        TUShell::OpenFile(FVars->StartDir() + FVars->ExeInit());
        break;
    case ocrAuthUser:
        // The code that sent the sign-in reports the refusal itself.
        result = false;
        break;
    case ocrIPDenied:
        if (!silent)
            TUMessageBox::Error(QStringLiteral("Доступ запрещён для данного IP адреса!"));
        break;
    case ocrVersionOld:
        if (!silent && TUMessageBox::YesNo(QStringLiteral("Версия программы устарела...\n\rВыполнить обновление?")))
            TUShell::OpenFile(FVars->StartDir() + TOutdoorVariables::ExeUpdate());
        break;
    case ocrConnect:
        ShowOnce(Err, silent, QStringLiteral("Проблема с подключением к серверу...\n\rПроверьте наличие Интернета!"));
        break;
    case ocrNone:
        result = false;
        break;
    }
    if (Err != ocrNone && FOnError)
        FOnError(Err);
    return result;
}
