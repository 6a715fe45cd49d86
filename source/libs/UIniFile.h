#pragma once

#include "URecs.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Configuration files of key = value lines in the single-byte code page ("tessaplan.ini").
// Lines are trimmed; lines shorter than 3 characters, "#" comments and lines without "=" are
// skipped; keys are upper-cased (ASCII letters only) and must not repeat; values keep their case.
class TUIniFile {
public:
    TUIniFile() = delete;

    // Empties Dict and reads the file into it. False when the file is missing, is not a plain
    // file, cannot be read or repeats a key; Dict then keeps the pairs read before the fault.
    static bool LoadFromFile(const QString &FileName, TKeyValue<QString> &Dict);
    // Empties Dict and reads the lines of a text (LF, CR or CR LF) into it. False when the text
    // gives no lines; a repeated key raises EUError.
    static bool LoadFromText(const QString &Lines, TKeyValue<QString> &Dict);
    // Writes a file from rows: one item gives a "# " comment (an empty item an empty line), two
    // items "key = value"; other rows are skipped; one empty line closes the file. The file is
    // replaced only once fully written; a file error raises EUError.
    static bool SaveToFile(const QString &FileName, const TRecs<QString> &Data);

    // Adds the pair of one trimmed line to Dict; a repeated key raises EUError.
    static void ParseLine(const QString &Line, TKeyValue<QString> &Dict);

    // The parts both settings readers share ("tessaplan.ini" here, "update.ini" in the updater,
    // which keeps every pair in file order and lets a repeated key through).
    // The text of a settings file; false when it is missing, is not a plain file or cannot be read.
    static bool ReadText(const QString &FileName, QString &Text);
    // The lines of a text, split at LF, CR and CR LF.
    static QStringList SplitLines(const QString &Text);
    // The pair of one line: false for a trimmed line shorter than 3 characters, a "#" comment or
    // a line without "="; else the trimmed text before the first "=", upper-cased (ASCII
    // letters), and the trimmed rest.
    static bool SplitLine(QStringView Line, QString &Key, QString &Value);
};
