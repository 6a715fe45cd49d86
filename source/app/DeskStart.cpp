#include "DeskStart.h"

#include "UException.h"
#include "UMessageBox.h"
#include "UShell.h"
#include "UnitComplex.h"

#include <QFileInfo>

namespace DeskStart {

void InitVars(TComplex &AComplex)
{
    TOutdoorVariables &vars = AComplex.Vars();
    vars.SetVersion(QStringLiteral("4920"));
    vars.SetComplexTitle(QStringLiteral("QUILLMARSH"));
    vars.SetConfigFileName(QStringLiteral("tessaplan.ini"));
}

bool Check(TComplex &AComplex)
{
    TOutdoorVariables &vars = AComplex.Vars();
    bool runSetup = false;
    try {
        AComplex.InitLanguage();
        if (!AComplex.InitVarsFromConfig()) {
            runSetup = true;
            throw EUError(QStringLiteral("Не найден файл настроек программы.\n\r"
                                         "Выполните установку начальных параметров в следующем окне..."));
        }
        if (!AComplex.APIAuth().IsSet()) {
            runSetup = true;
            throw EUError(QStringLiteral("Неверно указаны настройки приложения!\n\r"
                                         "Выполните установку начальных параметров в следующем окне..."));
        }
        if (!AComplex.InitDirs())
            throw EUError(QStringLiteral("Ошибка записи на диск!\n\rПриложение будет закрыто!"));
    } catch (const std::exception &e) {
        const auto *error = dynamic_cast<const EUError *>(&e);
        const QString msg = error ? error->Message() : QString::fromLocal8Bit(e.what());
        if (!msg.isEmpty())
            TUMessageBox::Error(msg);
        if (runSetup)
            TUShell::OpenFile(vars.StartDir() + vars.ExeInit());
        return false;
    }
    return true;
}

bool Run(TComplex &AComplex)
{
    if (!Check(AComplex))
        return false;
    const TOutdoorVariables &vars = AComplex.Vars();
    for (const TOutdoorAppType ap : {oatMain, oatStick}) {
        const QString exe = vars.StartDir() + TOutdoorVariables::ExeMainClient(ap);
        if (QFileInfo(exe).isFile()) {
            TUShell::OpenPath(exe);
            break;
        }
    }
    return true;
}

} // namespace DeskStart
