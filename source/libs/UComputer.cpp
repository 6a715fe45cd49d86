#include "UComputer.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The first 8 hexadecimal digits of an identifier, upper-cased; empty when it has fewer.
QString first8Hex(const QString &id)
{
    QString r;
    for (const QChar c : id) {
        if (c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'))
            r += c.toUpper();
        if (r.size() == 8)
            return r;
    }
    return {};
}

} // namespace

QString TUComputer::HDDVolumeInfo(const QString &Vol)
{
#ifdef Q_OS_WIN
    DWORD serial = 0;
    if (!GetVolumeInformationW(reinterpret_cast<LPCWSTR>(Vol.utf16()), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return {};
    return QStringLiteral("%1").arg(qulonglong(serial), 8, 16, QLatin1Char('0')).toUpper();
#else
    // The file-system UUID of the device mounted there (for FAT volumes it is the serial).
    if (Vol.isEmpty())
        return {};
    const QStorageInfo storage(Vol);
    if (!storage.isValid())
        return {};
    const QString device = QFileInfo(QString::fromLocal8Bit(storage.device())).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const QFileInfoList links = QDir(QStringLiteral("/dev/disk/by-uuid")).entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo &link : links)
        if (link.canonicalFilePath() == device)
            return first8Hex(link.fileName());
    return {};
#endif
}

QString TUComputer::WinComputerName()
{
#ifdef Q_OS_WIN
    wchar_t buffer[16];
    DWORD size = 16;
    if (!GetComputerNameW(buffer, &size))
        return {};
    return QString::fromWCharArray(buffer, int(size));
#else
    return QSysInfo::machineHostName().left(15);
#endif
}

QString TUComputer::MachineID()
{
    return first8Hex(QString::fromLatin1(QSysInfo::machineUniqueId()));
}
