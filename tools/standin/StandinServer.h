#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
}

// A certificate with its private key, both PEM, for a stand-in that answers "https://".
struct TStandinCertificate {
    QByteArray CertificatePem;
    QByteArray KeyPem;
    // A fresh self-signed certificate for 127.0.0.1 and "localhost", valid for a day; empty
    // when it could not be made.
    static TStandinCertificate SelfSigned();
};

// A real HTTP server on 127.0.0.1 (a free port) standing in for the update server and, later,
// the hosted service. It serves the files of a folder and answers chosen paths with chosen
// status codes; tests add their own routes through Http() before Start().
class TStandinServer {
public:
    // With Tls (not owned, read here only) it answers "https://" (BaseURL says so); Start fails
    // when the certificate does not load.
    explicit TStandinServer(const TStandinCertificate *Tls = nullptr);
    ~TStandinServer();
    TStandinServer(const TStandinServer &) = delete;
    TStandinServer &operator=(const TStandinServer &) = delete;

    // Serves Folder's files under "/" + Prefix + "/". A request for "name.gz" that has no such
    // file but has "name" is answered with "name" packed as gzip.
    // Add before Start().
    void ServeFolder(const QString &Prefix, const QString &Folder);
    // Answers Path (for example "/update/update.txt") with Code and Body instead.
    void SetStatus(const QString &Path, int Code, const QByteArray &Body = {});

    // Answers Path by announcing AnnouncedSize bytes, sending SentBytes of them, and then
    // sending nothing more until the server stops (at most ten seconds).
    void ServeStalled(const QString &Path, qint64 AnnouncedSize, qint64 SentBytes);
    // Answers Path by announcing Body's size, sending SentBytes of it and closing the connection.
    void ServeCut(const QString &Path, const QByteArray &Body, qint64 SentBytes);

    // Routes of the caller's own; add them before Start().
    httplib::Server &Http() { return *FHttp; }

    // Binds to 127.0.0.1 (Port 0: any free port) and serves on a thread of its own.
    bool Start(int Port = 0);
    void Stop();
    int Port() const { return FPort; }
    QString BaseURL() const;
    // How many requests reached the server (after overrides and routes).
    int RequestCount() const;

private:
    void HandleFile(const QString &folder, const httplib::Request &req, httplib::Response &res);

    std::unique_ptr<httplib::Server> FHttp;
    std::thread FThread;
    int FPort = 0;
    bool FTls = false;
    std::atomic<bool> FStopping{false};
    mutable std::mutex FLock; // guards FStatus, FRequests
    std::map<QString, std::pair<int, QByteArray>> FStatus;  // path -> code, body
    int FRequests = 0;
};

// Packs bytes as one gzip member (for answers and test data).
QByteArray StandinGzip(const QByteArray &Data);
