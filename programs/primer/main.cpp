// primer (also run as "primerstick.exe"): the workstation's set-up program. Asks for the service
// address, the credentials and the proxy, writes "tessaplan.ini" beside itself and starts
// "deskstart.exe" again so that the new settings are checked at once.
#include "FPrimer.h"
#include "UDialogs.h"
#include "UShell.h"
#include "UVariables.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    TUVariables vars;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QUILLMARSH"));
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        // Nobody could fill the dialog in; a detached run must not wait for ever.
        std::fprintf(stderr, "primer: the set-up dialog needs a display\n");
        return 1;
    }
    TUDialogs::Install();

    TFormPrimer form(vars.StartDir() + QStringLiteral("tessaplan.ini"));
    if (!form.Execute())
        return 1;

    const QString deskstart = vars.StartDir() + QStringLiteral("deskstart.exe");
    if (QFileInfo(deskstart).isFile())
        TUShell::OpenFile(deskstart);
    else
        TUDialogs::Info(QStringLiteral("Настройки сохранены."));
    return 0;
}
