#include "UIniFile.h"

#include "UCodePage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool isBlank(QChar c) { return c.unicode() <= u' '; }

// Blanks and control characters off both ends, as the files' writers pad them.
QString trimmed(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

QString asciiUpper(QString s)
{
    for (QChar &c : s)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return s;
}

// The text split at LF, CR and CR LF.
QStringList splitLines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}

} // namespace

void TUIniFile::ParseLine(const QString &Line, TKeyValue<QString> &Dict)
{
    if (Line.size() < 3 || Line.startsWith(u'#'))
        return;
    const qsizetype eq = Line.indexOf(u'=');
    if (eq < 0)
        return;
    const QString key = asciiUpper(trimmed(QStringView(Line).left(eq)));
    if (Dict.ContainsKey(key))
        throw EUError(QStringLiteral("Повторяется ключ \"%1\"").arg(key));
    Dict.AddOrSetValue(key, trimmed(QStringView(Line).mid(eq + 1)));
}

bool TUIniFile::LoadFromFile(const QString &FileName, TKeyValue<QString> &Dict)
{
    Dict.Clear();
    if (FileName.isEmpty() || !QFileInfo(FileName).isFile())
        return false;
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    try {
        for (const QString &line : splitLines(TUCodePage::ToUnicode(bytes)))
            ParseLine(trimmed(line), Dict);
    } catch (const EUError &) {
        return false;
    }
    return true;
}

bool TUIniFile::LoadFromText(const QString &Lines, TKeyValue<QString> &Dict)
{
    Dict.Clear();
    if (Lines.isEmpty())
        return false;
    for (const QString &line : splitLines(Lines))
        ParseLine(trimmed(line), Dict);
    return true;
}

bool TUIniFile::SaveToFile(const QString &FileName, const TRecs<QString> &Data)
{
    QByteArray out;
    for (const TRec<QString> *row : Data) {
        if (!row)
            continue;
        if (row->Count() == 1)
            out += row->Items(0).isEmpty() ? QByteArray() : "# " + TUCodePage::FromUnicode(row->Items(0));
        else if (row->Count() == 2)
            out += TUCodePage::FromUnicode(row->Items(0)) + " = " + TUCodePage::FromUnicode(row->Items(1));
        else
            continue;
        out += "\r\n";
    }
    out += "\r\n";

    QSaveFile file(FileName);
    file.setDirectWriteFallback(true); // a writable file in a folder that takes no new files
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EUError(QStringLiteral("Ошибка записи файла \"%1\": %2").arg(FileName, file.errorString()));
    return true;
}
