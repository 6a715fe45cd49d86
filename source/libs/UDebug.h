#pragma once

#include <QString>

// The debug log: "debug.log" in the folder that was current when the program loaded (the core
// changes the current folder later), one line per event, no levels.
class TUDebug {
public:
    TUDebug() = delete;

    // Appends "dd.mm.yyyy hh:mm:ss: Msg" in the single-byte code page with CR LF; creates the
    // file when missing. A file that cannot be written raises EUError. Any thread: lines are
    // written one at a time.
    static void Log(const QString &Msg);

    static QString LogFile();
    // Points the log elsewhere (tests, programs that keep their log beside themselves).
    static void SetLogFile(const QString &FileName);
};
