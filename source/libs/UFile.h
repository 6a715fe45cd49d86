#pragma once

#include <QFileInfo>
#include <QString>

// Local file helpers; all class-level, no state.
class TUFile {
public:
    TUFile() = delete;

    // Deletes everything inside Dir, which stays. Links are removed as links, never followed;
    // sub-folders whose names begin with a full stop are left alone; failures are ignored.
    static void ClearDir(const QString &Dir);
    // The first entry matching FileName (which may hold the wildcards * and ?), any kind.
    static bool FileInfo(const QString &FileName, QFileInfo &SR);
    // 0 when there is no such entry.
    static qint64 FileSize(const QString &FileName);
    // The file's text in the single-byte code page; empty when it cannot be opened. With
    // Enters every line, the last included, ends with LF CR.
    static QString ReadAllFile(const QString &FileName, bool Enters);
    // Name without folder and without its last extension.
    static QString ExtractSimpleFileName(const QString &FileName);
    static QString FileNamePrepare(const QString &FileName);
    static QString PathPrepare(const QString &Path);
    // Appends Str and CR LF to FileName (created when missing), in the single-byte code page.
    static void Log(const QString &Str, const QString &FileName);
};
