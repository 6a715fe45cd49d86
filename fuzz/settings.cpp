// Settings files are edited by hand: both readers ("tessaplan.ini", "update.ini") must take any
// bytes, agree on the pairs, and what the first reads must write back and read again unchanged.
#include "UpdateDialogs.h"

#include "UCodePage.h"
#include "UConv.h"
#include "UIniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

void write(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("settings.ini"));
    write(name, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    TKeyValue<QString> dict;
    const bool read = TUIniFile::LoadFromFile(name, dict);
    const TIniPairs pairs = ReadIni(name);

    std::set<QString> keys;
    bool repeated = false;
    for (const auto &[key, value] : pairs) {
        if (key != TUConv::UpperCaseAscii(TUConv::Trim(key)) || value != TUConv::Trim(value))
            abort(); // keys and values come trimmed, keys upper-cased
        repeated |= !keys.insert(key).second;
    }
    // A repeated key is what makes the first reader refuse a readable file.
    if (read == repeated)
        abort();
    if (!read)
        return 0;
    if (dict.Count() != int(pairs.size()))
        abort();
    TRecs<QString> rows;
    for (const auto &[key, value] : pairs) {
        QString got;
        if (!dict.TryGetValue(key, got) || got != value)
            abort();
        // Only what the code page can hold comes back unchanged.
        if (TUCodePage::ToUnicode(TUCodePage::FromUnicode(key + value)) != key + value)
            return 0;
        rows.AddPair(key, value);
    }
    TUIniFile::SaveToFile(name, rows);
    TKeyValue<QString> again;
    if (!TUIniFile::LoadFromFile(name, again) || again.Count() != dict.Count())
        abort();
    for (const auto &[key, value] : pairs) {
        QString got;
        if (!again.TryGetValue(key, got) || got != value)
            abort();
    }
    return 0;
}
