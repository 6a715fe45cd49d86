#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

// A handler bound to its owner that is told which object raised the notice.
using TNotifyEvent = std::function<void(QObject *Sender)>;

// How long-running work reports to its owner. Every slot may be empty; the record is copied by
// value, so handlers must capture what they need. Do* call the slot when it is set and let a
// failure raised by the handler pass to the caller, except DoSuccess (see there).
struct TWorkEvent {
    std::function<void(qint64 Total)> OnStart; // 0 when no amount is given
    std::function<void()> OnEnd;
    std::function<void(QObject *Sender, const QString &Msg)> OnError;
    TNotifyEvent OnSuccess;
    std::function<void(qint64 Current)> OnUpdate;
    TNotifyEvent OnTerminate;

    void Clear();
    void DoStart(qint64 Total) const;
    void DoEnd() const;
    void DoError(QObject *Sender, const QString &Msg) const;
    // False when OnSuccess is empty or raised; the handler's failure is swallowed, so a fault in
    // an owner's success handling never turns a finished request into a failed one.
    bool DoSuccess(QObject *Sender) const;
    void DoUpdate(qint64 Current) const;
    void DoTerminate(QObject *Sender) const;
};
