#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <condition_variable>
#include <mutex>

class TStandinServer;

// One request as it reached the stand-in service, byte for byte.
struct TStandinRequest {
    QByteArray Method;
    QByteArray Path;
    QByteArray Query;                       // the raw query, without "?"
    QMap<QByteArray, QByteArray> Headers;   // names in lower case
    QByteArray Body;                        // empty for multipart posts: see Parts
    // Form or query parameters, decoded, in their order; multipart parts as sent (still encoded).
    QList<QPair<QString, QString>> Params;
    QList<QPair<QString, QByteArray>> Parts; // multipart: file name and Content-Type of each part

    QString Param(const QString &Name) const;
};

// The hosted service's scripts on a stand-in server: "connect.php", "query.php" and
// "filebase_get.php". Every answer is the service's JSON envelope echoing the parameters as one
// row; test parameters starting with "standin_" make it misbehave:
//   standin_code=N        "code": N
//   standin_status=N      HTTP status N, the envelope as the body
//   standin_text=T        T as the whole answer body instead of the envelope
//   standin_size=N        pads the answer with a "raw" text to at least N bytes
//   standin_charset=C     Content-Type names C; windows-1251 texts are sent in that code page
//   standin_encoding=E    Content-Encoding E with a gzip body (or the plain one with standin_raw=1)
//   standin_stall=1       sends the first half of the answer, then nothing until released
//   standin_cut=1         sends the first half of the answer and closes the connection
// Without standin_encoding, an answer is packed as gzip when the request accepts it.
// "filebase_get.php" streams the file added under the request's "fid" and "fhash", else 404.
class TStandinService {
public:
    // Adds the routes to Server, which must not have started yet.
    explicit TStandinService(TStandinServer &Server);
    // Releases stalled answers and stops the server (its handlers use this object).
    ~TStandinService();
    TStandinService(const TStandinService &) = delete;
    TStandinService &operator=(const TStandinService &) = delete;

    void AddFile(const QString &Fid, const QString &FHash, const QString &Path);
    // Lets stalled answers end (by closing their connections).
    void ReleaseStalled();

    QList<TStandinRequest> Requests() const;
    TStandinRequest LastRequest() const;
    // Answers have been stalled since the start (for tests that wait for a transfer to hang).
    int StalledCount() const;

private:
    TStandinServer &FServer;
    mutable std::mutex FLock; // guards all fields below
    std::condition_variable FRelease;
    bool FReleased = false;
    int FStalled = 0;
    QList<TStandinRequest> FRequests;
    QMap<QString, QPair<QString, QString>> FFiles; // fid -> fhash, path
};
