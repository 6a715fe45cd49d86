#pragma once

#include <QString>

#include <cstdint>

// An HTTP proxy setting. A cleared setting (no host or port 0) means a direct connection.
struct THTTPProxy {
    QString Host;
    uint16_t Port = 80;
    bool Auth = false; // Basic proxy authentication with UserName and Password
    QString UserName;
    QString Password;

    void Clear() { *this = THTTPProxy(); }
    bool IsClear() const { return Host.isEmpty() || Port == 0; }
    bool operator==(const THTTPProxy &) const = default;
};
