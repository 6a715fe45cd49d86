#include "UIniFile.h"

#include "UCodePage.h"
#include "UConv.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

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
    const QString key = TUConv::UpperCaseAscii(TUConv::Trim(QStringView(Line).left(eq)));
    if (Dict.ContainsKey(key))
        throw EUError(QStringLiteral("Повторяется ключ \"%1\"").arg(key));
    Dict.AddOrSetValue(key, TUConv::Trim(QStringView(Line).mid(eq + 1)));
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
            ParseLine(TUConv::Trim(line), Dict);
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
        ParseLine(TUConv::Trim(line), Dict);
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
