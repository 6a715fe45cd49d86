// The main client: connects the workstation to the service, signs the user in and shows the
// reference lists, the clients and the documents of the session.
#include "UCurl.h"
#include "UDebug.h"
#include "UDialogs.h"
#include "UMainClient.h"
#include "UnitComplex.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

// The program's own course in the debug log, for whoever started it (the demo waits on these
// lines); a log that cannot be written does not stop the program.
void note(const QString &Line)
{
    try {
        TUDebug::Log(Line);
    } catch (const std::exception &) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Before any request task can start a thread.
    TUCurl::GlobalInit();
    // The core exists before the program body and outlives it; its destruction removes the
    // per-run folder.
    auto complex = std::make_unique<TComplex>();
    Complex = complex.get();
    int rc = 1;
    {
        TMainClient::InitVars(*complex);
        QApplication app(argc, argv);
        QApplication::setApplicationName(complex->Vars().ComplexTitle());
        TUDialogs::Install();
        note(QStringLiteral("Main client started, process %1").arg(QCoreApplication::applicationPid()));
        {
            TMainClient client(*complex);
            if (client.Start()) {
                note(QStringLiteral("Main client connected to %1").arg(complex->Host()));
                const QString platform = QGuiApplication::platformName();
                if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
                    // Nobody could type a password here: the connection is the whole run.
                    std::printf("quillmarsh: connected to %s (%s); the sign-in needs a display\n",
                                qPrintable(complex->Vars().Organization().Title), qPrintable(complex->Host()));
                    rc = 0;
                } else {
                    QObject::connect(&client, &TMainClient::Finished, &app, &QApplication::quit);
                    client.ShowSignIn();
                    rc = app.exec();
                }
            }
        }
        note(QStringLiteral("Main client ended"));
        TUMessageBox::SetHandler({});
    }
    Complex = nullptr;
    complex.reset();
    return rc;
}
