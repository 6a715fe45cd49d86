#include "UEvent.h"

void TWorkEvent::Clear() { *this = TWorkEvent(); }

void TWorkEvent::DoStart(qint64 Total) const
{
    if (OnStart)
        OnStart(Total);
}

void TWorkEvent::DoEnd() const
{
    if (OnEnd)
        OnEnd();
}

void TWorkEvent::DoError(QObject *Sender, const QString &Msg) const
{
    if (OnError)
        OnError(Sender, Msg);
}

bool TWorkEvent::DoSuccess(QObject *Sender) const
{
    if (!OnSuccess)
        return false;
    try {
        OnSuccess(Sender);
    } catch (...) {
        return false;
    }
    return true;
}

void TWorkEvent::DoUpdate(qint64 Current) const
{
    if (OnUpdate)
        OnUpdate(Current);
}

void TWorkEvent::DoTerminate(QObject *Sender) const
{
    if (OnTerminate)
        OnTerminate(Sender);
}
