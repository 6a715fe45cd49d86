// The updater: reads "update.ini" beside itself, shows its window and runs one action.
#include "MainForm.h"
#include "UCurl.h"
#include "UpdateApply.h"
#include "UpdateDialogs.h"
#include "UpdateTrust.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>

int main(int argc, char **argv)
{
    // Before the logo's download thread can start.
    TUCurl::GlobalInit();
    QApplication app(argc, argv);

    QString dir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(dir);
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';

    // A copy over the program folder that was cut short (the updater killed, the machine off) is
    // completed or undone before anything else, so the programs are never a mixture of two
    // versions. What cannot be settled now is reported by the next copy.
    TUpdateApply::Recover(dir);

    const TIniPairs pairs = ReadIni(dir + QStringLiteral("update.ini"));
    if (pairs.empty())
        return 0;

    QCoreApplication::setApplicationName(QStringLiteral("Обновление..."));
    InstallUpdateDialogs();
    const auto uninstall = qScopeGuard([] { TUMessageBox::SetHandler({}); });

    TMainForm form;
    form.SetStartDir(dir);
    for (const auto &[key, value] : pairs) {
        if (key == QLatin1String("EXENAME")) {
            form.SetExeName(value);
        } else if (key == QLatin1String("HOST")) {
            form.SetUpdateURL(value);
        } else if (key == QLatin1String("PROXY")) {
            form.SetProxy(value);
        } else if (key == QLatin1String("PROXYPORT")) {
            bool ok = false;
            const int port = value.toInt(&ok, 10);
            if (!ok) {
                ShowWarning(QStringLiteral("Неверное значение PROXYPORT в файле update.ini: \"%1\".\n"
                                           "Укажите номер порта прокси-сервера числом.").arg(value));
                return 2;
            }
            form.SetProxyPort(port);
        } else if (key == QLatin1String("PROXYUSER")) {
            form.SetProxyUser(value);
        } else if (key == QLatin1String("PROXYPASSWORD")) {
            form.SetProxyPassword(value);
        } else if (key == QLatin1String("PUBKEY")) {
            QByteArray raw;
            if (!DecodeUpdatePublicKey(value, raw)) {
                ShowWarning(QStringLiteral("Неверное значение PUBKEY в файле update.ini: \"%1\".\n"
                                           "Укажите открытый ключ сайта обновлений, выданный программой updsign.").arg(value));
                return 2;
            }
            form.Engine().SetPublicKey(raw);
        }
    }

    const QStringList args = QCoreApplication::arguments();
    form.Prepare(args.size() > 1 ? args.at(1).toLower() : QString());
    form.show();
    app.exec();
    return 0;
}
