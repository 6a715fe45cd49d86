#include "UVariables.h"

#include "UIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <array>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr std::array<const char16_t *, 3> kLanguageCodes = {u"ru", u"ua", u"en"};
constexpr std::array<const char16_t *, 5> kCountryCodes = {u"ru", u"ua", u"en", u"kz", u"by"};
static_assert(kLanguageCodes.size() == lnEN + 1 && kCountryCodes.size() == clBY + 1);

template <typename T, std::size_t N>
bool fromCode(const std::array<const char16_t *, N> &codes, const QString &code, T &value)
{
    const QString c = code.trimmed().toLower();
    for (std::size_t i = 0; i < N; ++i)
        if (c == QStringView(codes[i])) {
            value = T(i);
            return true;
        }
    return false;
}

template <std::size_t N>
QString toCode(const std::array<const char16_t *, N> &codes, std::size_t i)
{
    return QString::fromUtf16(codes[i < N ? i : 0]);
}

} // namespace

QString ToCode(TLanguage value) { return toCode(kLanguageCodes, value); }
QString ToCode(TCountry value) { return toCode(kCountryCodes, value); }
bool LanguageFromCode(const QString &Code, TLanguage &Value) { return fromCode(kLanguageCodes, Code, Value); }
bool CountryFromCode(const QString &Code, TCountry &Value) { return fromCode(kCountryCodes, Code, Value); }

TUVariables::TUVariables() : TUVariables(RunningExeFile()) {}

TUVariables::TUVariables(const QString &ExeFileName)
{
    const QFileInfo exe(ExeFileName);
    QString dir = exe.absolutePath();
    QDir::setCurrent(dir);
    dir = QDir::toNativeSeparators(dir);
    if (!dir.endsWith(u'\\') && !dir.endsWith(u'/'))
        dir += QDir::separator();
    FStartDir = dir;
    FMainExeFileName = exe.fileName();
    FDefaultTempDir = FStartDir + QStringLiteral("temp") + QDir::separator();
    FTempDir = FDefaultTempDir;
    FTemplateDir = FStartDir + QStringLiteral("template") + QDir::separator();
}

QString TUVariables::RunningExeFile()
{
    // Also asked before the application object exists.
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
#ifdef Q_OS_WIN
    wchar_t buffer[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, DWORD(std::size(buffer)));
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer, int(n)));
#else
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#endif
}

bool TUVariables::ConfigFileLoad(const QString &FileName, TKeyValue<QString> &Dict) const
{
    return TUIniFile::LoadFromFile(FileName, Dict);
}

bool TUVariables::ConfigTextLoad(const QString &Lines, TKeyValue<QString> &Dict) const
{
    return TUIniFile::LoadFromText(Lines, Dict);
}

bool TUVariables::ConfigFileWrite(const QString &FileName, const TRecs<QString> &Data) const
{
    return TUIniFile::SaveToFile(FileName, Data);
}

QString TUVariables::VersionBreak() const
{
    QString r;
    for (const QChar c : FVersion) {
        if (!r.isEmpty())
            r += u'.';
        r += c;
    }
    return r;
}
