#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Puts a set of files into the program folder all at once. Every new file is first written
// beside its target (name + ".update-new"); once all are written, each target is renamed to
// name + ".update-old" and the new file renamed into its place; the old files go only when all
// are in. A small journal in "update/.apply/" says how far an apply got, so one interrupted by a
// killed process is completed (all new files were written) or rolled back (they were not) by
// Recover the next time the updater starts.
class TUpdateApply {
public:
    // Dir: the program folder, ending with "/".
    explicit TUpdateApply(const QString &Dir);
    ~TUpdateApply();
    TUpdateApply(const TUpdateApply &) = delete;
    TUpdateApply &operator=(const TUpdateApply &) = delete;

    static QString JournalName(const QString &Dir);
    static const QString NewSuffix;
    static const QString OldSuffix;
    // Completes or rolls back an interrupted apply. False when one is still left (its journal
    // stays for the next try).
    static bool Recover(const QString &Dir);

    // Records the relative names of the files to replace. False when a target cannot be replaced
    // by a file (a folder is in the way) or the journal cannot be written.
    bool Begin(const QStringList &RelNames);
    // Writes the new content of file I (of Begin's list) beside its target. ExpectedHash, when
    // not empty, is the SHA-256 (hex) the content must have; HashMismatch tells that failure
    // apart from a failed write.
    bool Stage(qsizetype I, const QString &Source, bool MakeExecutable, const QByteArray &ExpectedHash,
               bool &HashMismatch);
    // Puts every staged file into place. On failure the old files are restored.
    bool Commit();
    // Drops an apply that was not committed: the staged files go, the targets were not touched.
    void Abandon();

    // Whether the staged files and the journal are flushed to the disk before the commit (on by
    // default; a killed process needs no flush, a power cut does).
    void SetDurable(bool Value) { FDurable = Value; }

private:
    struct TItem {
        QString Rel;
        bool Existed = false;
    };
    enum class TState { Stage, Commit, Rollback };
    static bool WriteJournal(const QString &Dir, TState State, const std::vector<TItem> &Items, bool Durable);
    static bool ReadJournal(const QString &Dir, TState &State, std::vector<TItem> &Items);
    static bool RollForward(const QString &Dir, const std::vector<TItem> &Items);
    static void RollBack(const QString &Dir, const std::vector<TItem> &Items);
    static void DropStaged(const QString &Dir, const std::vector<TItem> &Items);
    static void DropOld(const QString &Dir, const std::vector<TItem> &Items);

    QString FDir;
    std::vector<TItem> FItems;
    bool FActive = false;
    bool FDurable = true;
    QByteArray FBuffer; // the copy buffer, shared by all files
};
