#include "UMessageBox.h"

#include <QMutex>

#include <cstdio>
#include <iterator>

namespace {

QMutex handlerLock; // guards handler()
TUMessageBox::THandler &handler()
{
    static TUMessageBox::THandler h;
    return h;
}

} // namespace

TModalResult ModalResultOf(TMsgDlgBtn Button)
{
    static constexpr TModalResult results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore,
                                               mrAll, mrNoToAll, mrYesToAll, mrHelp, mrClose};
    static_assert(std::size(results) == mbClose + 1);
    return Button <= mbClose ? results[Button] : mrNone;
}

TModalResult TUMessageBox::Show(const TUMessageBoxRequest &Request)
{
    THandler h;
    {
        QMutexLocker lock(&handlerLock);
        h = handler();
    }
    if (h)
        return h(Request);
    QString text = Request.Msg;
    text.replace(u'\r', QString());
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return mrNone;
}

TUMessageBox::THandler TUMessageBox::SetHandler(THandler Handler)
{
    QMutexLocker lock(&handlerLock);
    THandler old = std::move(handler());
    handler() = std::move(Handler);
    return old;
}

bool TUMessageBox::YesNo(const QString &Msg)
{
    return Show({mtConfirmation, Msg, {mbYes, mbNo}, mbYes}) == mrYes;
}

TModalResult TUMessageBox::Custom(const QString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton)
{
    return Show({DlgType, Msg, Buttons, DefaultButton});
}

void TUMessageBox::Error(const QString &Msg) { Show({mtWarning, Msg, {mbOK}, mbOK}); }

void TUMessageBox::CriticalError(const QString &Msg) { Show({mtError, Msg, {mbOK}, mbOK}); }

void TUMessageBox::Info(const QString &Msg) { Show({mtInformation, Msg, {mbOK}, mbOK}); }
