#pragma once

#include "StandinServer.h"
#include "StandinService.h"
#include "TestUtil.h"
#include "UEvent.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <mutex>

// Every notice of a TWorkEvent as one line, with whether it ran in the main thread.
class TEventLog {
public:
    void Add(const QString &line)
    {
        std::lock_guard lock(FLock);
        const bool main = QThread::currentThread() == QCoreApplication::instance()->thread();
        FLines << line;
        FThreads << (main ? QStringLiteral("main") : QStringLiteral("worker"));
    }
    QStringList Lines() const
    {
        std::lock_guard lock(FLock);
        return FLines;
    }
    QStringList Threads() const
    {
        std::lock_guard lock(FLock);
        return FThreads;
    }
    // Lines with runs of repeated "update" lines folded into one, since their count depends on
    // timing; totals of zero and non-zero are told apart the same way.
    QStringList Shape() const
    {
        QStringList out;
        for (const QString &l : Lines()) {
            QString s = l;
            if (s.startsWith(QStringLiteral("update")))
                s = QStringLiteral("update");
            else if (s.startsWith(QStringLiteral("start ")) && s != QStringLiteral("start 0"))
                s = QStringLiteral("start n");
            if (s == QStringLiteral("update") && !out.isEmpty() && out.last() == s)
                continue;
            out << s;
        }
        return out;
    }
    // Handlers that write into this log.
    TWorkEvent Handlers(bool withSuccess = true)
    {
        TWorkEvent e;
        e.OnStart = [this](qint64 t) { Add(QStringLiteral("start %1").arg(t)); };
        e.OnUpdate = [this](qint64 c) { Add(QStringLiteral("update %1").arg(c)); };
        e.OnEnd = [this] { Add(QStringLiteral("end")); };
        e.OnError = [this](QObject *, const QString &m) { Add(QStringLiteral("error ") + m); };
        if (withSuccess)
            e.OnSuccess = [this](QObject *) { Add(QStringLiteral("success")); };
        e.OnTerminate = [this](QObject *) { Add(QStringLiteral("terminate")); };
        return e;
    }

private:
    mutable std::mutex FLock; // guards FLines, FThreads
    QStringList FLines;
    QStringList FThreads;
};

// The stand-in service on a loopback server of its own.
struct TServiceFixture {
    TStandinServer Server;
    std::unique_ptr<TStandinService> Service = std::make_unique<TStandinService>(Server);

    bool Start() { return Server.Start(); }
    QString URL(const QString &script) const { return Server.BaseURL() + script; }
};

// A socket listening on 127.0.0.1 at a free port, closed with the object. The system completes
// up to about Backlog connections by itself, whether or not anybody accepts them.
class TLoopbackListener {
public:
    explicit TLoopbackListener(int Backlog)
    {
        FSocket = ::socket(AF_INET, SOCK_STREAM, 0);
        FAddress.sin_family = AF_INET;
        FAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FSocket, reinterpret_cast<sockaddr *>(&FAddress), sizeof FAddress);
        ::listen(FSocket, Backlog);
        socklen_t len = sizeof FAddress;
        ::getsockname(FSocket, reinterpret_cast<sockaddr *>(&FAddress), &len);
    }
    ~TLoopbackListener() { ::close(FSocket); }
    TLoopbackListener(const TLoopbackListener &) = delete;
    TLoopbackListener &operator=(const TLoopbackListener &) = delete;

    int Socket() const { return FSocket; }
    int Port() const { return int(ntohs(FAddress.sin_port)); }
    const sockaddr_in &Address() const { return FAddress; }

private:
    int FSocket = -1;
    sockaddr_in FAddress{};
};

inline int FreeLoopbackPort() { return testutil::freeLoopbackPort(); }
