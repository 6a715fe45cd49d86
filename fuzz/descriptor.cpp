// Update descriptors come from the update server: any text must parse without a crash, and
// every file entry the safety rule lets through must land inside the update folder.
#include "UpdateHTTP.h"
#include "UpdateMaster.h"

#include "UException.h"

#include <QDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString baseURL;
    std::vector<TUpdateKeyLine> keyLines;
    QStringList files;
    try {
        TUpdateMaster::ParseDescriptor(UpdateDecodeText(bytes, "text/plain"), baseURL, keyLines, files);
    } catch (const EUError &) {
        if (!baseURL.isEmpty() && !keyLines.empty())
            abort();
        return 0;
    }
    if (baseURL.isEmpty())
        abort();
    static const QString updateDir = QStringLiteral("/prog/update/");
    for (const QString &f : files) {
        if (f.contains(u'\\') || f.contains(u';') || f.contains(u'\n') || f.contains(u'\r'))
            abort(); // the splitting rule leaves none of these in an entry
        if (!TUpdateMaster::IsSafeRelativeName(f))
            continue;
        const QString target = QDir::cleanPath(updateDir + f);
        if (target != QDir::cleanPath(updateDir) && !target.startsWith(updateDir))
            abort();
    }
    return 0;
}
