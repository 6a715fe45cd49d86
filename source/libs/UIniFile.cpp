#include "UIniFile.h"

#include "UCodePage.h"
#include "UConv.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QStringList TUIniFile::SplitLines(const QString &Text)
{
    QString t = Text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}

bool TUIniFile::SplitLine(QStringView Line, QString &Key, QString &Value)
{
    const QString line = TUConv::Trim(Line);
    if (line.size() < 3 || line.startsWith(u'#'))
        return false;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    Key = TUConv::UpperCaseAscii(TUConv::Trim(line.left(eq)));
    Value = TUConv::Trim(line.mid(eq + 1));
    return true;
}

bool TUIniFile::ReadText(const QString &FileName, QString &Text)
{
    Text.clear();
    if (FileName.isEmpty() || !QFileInfo(FileName).isFile())
        return false;
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    Text = TUCodePage::ToUnicode(bytes);
    return true;
}

void TUIniFile::ParseLine(const QString &Line, TKeyValue<QString> &Dict)
{
    QString key, value;
    if (!SplitLine(Line, key, value))
        return;
    if (Dict.ContainsKey(key))
        throw EUError(QStringLiteral("Повторяется ключ \"%1\"").arg(key));
    Dict.AddOrSetValue(key, value);
}

bool TUIniFile::LoadFromFile(const QString &FileName, TKeyValue<QString> &Dict)
{
    Dict.Clear();
    QString text;
    if (!ReadText(FileName, text))
        return false;
    try {
        for (const QString &line : SplitLines(text))
            ParseLine(line, Dict);
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
    for (const QString &line : SplitLines(Lines))
        ParseLine(line, Dict);
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
