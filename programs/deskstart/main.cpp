// deskstart: checks the workstation (settings, credentials, working folders) and starts the main
// client, or says what is wrong and starts the set-up program where that is the cure.
#include "DeskStart.h"
#include "UCurl.h"
#include "UDialogs.h"
#include "UnitComplex.h"

#include <QApplication>

#include <memory>

int main(int argc, char **argv)
{
    // Before any request task can start a thread.
    TUCurl::GlobalInit();
    // The core exists before the program body and outlives it; its destruction removes the
    // per-run folder.
    auto complex = std::make_unique<TComplex>();
    Complex = complex.get();
    bool passed = false;
    {
        DeskStart::InitVars(*complex);
        QApplication app(argc, argv);
        QApplication::setApplicationName(complex->Vars().ComplexTitle());
        TUDialogs::Install();
        passed = DeskStart::Run(*complex);
        TUMessageBox::SetHandler({});
    }
    Complex = nullptr;
    complex.reset();
    return passed ? 0 : 1;
}
