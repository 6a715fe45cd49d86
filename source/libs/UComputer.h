#pragma once

#include <QString>

// Identifies the workstation. Never fails: what cannot be read is the empty text.
class TUComputer {
public:
    TUComputer() = delete;

    // Serial number of the volume whose root is Vol ("c:\" on Windows, "/" elsewhere) as 8
    // upper-case hexadecimal digits; empty when it cannot be read.
    static QString HDDVolumeInfo(const QString &Vol);
    // The computer's name, at most 15 characters (the platform's 16-character buffer).
    static QString WinComputerName();
    // The machine's own identifier as 8 upper-case hexadecimal digits, for volumes without a
    // serial (network and overlay roots); empty when the platform keeps none.
    static QString MachineID();
};
