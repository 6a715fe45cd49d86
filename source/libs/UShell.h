#pragma once

#include <QString>

#include <functional>

// Opening files, folders, web addresses and mail messages through the desktop shell. Every
// request goes through one replaceable handler, so tests and headless runs can record what
// would have been started instead of starting it.
class TUShell {
public:
    // target, parameters, working folder -> whether the shell accepted the request
    using THandler = std::function<bool(const QString &Target, const QString &Params, const QString &Dir)>;

    static bool OpenFile(const QString &FileName, const QString &Params = {}, const QString &Dir = {});
    static bool OpenPath(const QString &Path);
    static bool OpenURL(const QString &URL);
    static bool OpenMailTo(const QString &Email, const QString &Subject, const QString &Body);

    // Installs a handler (an empty one restores the platform's); returns the previous one.
    static THandler SetHandler(THandler Handler);
    // The platform's own "open": an executable file starts as a detached process in its own
    // folder (or Dir); anything else opens with the desktop's default handler.
    static bool PlatformOpen(const QString &Target, const QString &Params, const QString &Dir);
};
