#include "UDialogs.h"

#include "UFDialogListSelect.h"
#include "UFDialogRadioSelect.h"
#include "UFDialogText.h"

#include <QDir>
#include <QFileDialog>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QWidget>

#include <utility>

namespace {

QMutex captionsLock; // guards captions and buttonCaptions

TUDialogsCaptions captions = {
    QStringLiteral("Предупреждение"), QStringLiteral("Ошибка"), QStringLiteral("Информация"),
    QStringLiteral("Подтверждение"), QString(),
};

TUDialogButtonCaptions buttonCaptions = {
    QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("OK"), QStringLiteral("Отмена"),
    QStringLiteral("Прервать"), QStringLiteral("Повтор"), QStringLiteral("Пропустить"),
    QStringLiteral("Все"), QStringLiteral("Нет для всех"), QStringLiteral("Да для всех"),
    QStringLiteral("Справка"), QStringLiteral("Закрыть"),
};

QMessageBox::Icon iconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::ButtonRole roleOf(TMsgDlgBtn button)
{
    switch (button) {
    case mbYes: case mbAll: case mbYesToAll: return QMessageBox::YesRole;
    case mbNo: case mbNoToAll: return QMessageBox::NoRole;
    case mbCancel: case mbAbort: case mbClose: return QMessageBox::RejectRole;
    case mbHelp: return QMessageBox::HelpRole;
    default: return QMessageBox::AcceptRole;
    }
}

// Messages break lines with LF CR (or CR LF); the box shows each pair as one break.
QString plainLines(QString text)
{
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

const char *const kButtonProperty = "UDialogsButton";

} // namespace

void TUDialogs::Locale(const TUDialogsCaptions &Captions)
{
    QMutexLocker lock(&captionsLock);
    for (int i = mtWarning; i <= mtConfirmation; ++i)
        captions[size_t(i)] = Captions[size_t(i)];
}

void TUDialogs::Locale(const TUDialogButtonCaptions &ButtonCaptions)
{
    QMutexLocker lock(&captionsLock);
    for (size_t i = 0; i < ButtonCaptions.size(); ++i)
        if (!ButtonCaptions[i].isEmpty())
            buttonCaptions[i] = ButtonCaptions[i];
}

QString TUDialogs::Caption(TMsgDlgType DlgType)
{
    if (DlgType >= mtCustom)
        return QCoreApplication::applicationName();
    QMutexLocker lock(&captionsLock);
    return captions[DlgType];
}

QString TUDialogs::ButtonCaption(TMsgDlgBtn Button)
{
    QMutexLocker lock(&captionsLock);
    return Button < buttonCaptions.size() ? buttonCaptions[Button] : QString();
}

std::unique_ptr<QMessageBox> TUDialogs::CreateBox(const TUMessageBoxRequest &Request)
{
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(Caption(Request.DlgType));
    box->setIcon(iconOf(Request.DlgType));
    box->setTextFormat(Qt::PlainText);
    box->setText(plainLines(Request.Msg));
    box->setWindowModality(Qt::ApplicationModal);
    const TMsgDlgButtons buttons = Request.Buttons.IsEmpty() ? TMsgDlgButtons{mbOK} : Request.Buttons;
    for (int i = mbYes; i <= mbClose; ++i) {
        const auto b = TMsgDlgBtn(i);
        if (!buttons.Contains(b))
            continue;
        QPushButton *button = box->addButton(ButtonCaption(b), roleOf(b));
        button->setProperty(kButtonProperty, i);
        if (b == Request.DefaultButton)
            box->setDefaultButton(button);
    }
    return box;
}

TModalResult TUDialogs::ShowBox(const TUMessageBoxRequest &Request)
{
    const std::unique_ptr<QMessageBox> box = CreateBox(Request);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    if (!clicked)
        return mrNone;
    return ModalResultOf(TMsgDlgBtn(clicked->property(kButtonProperty).toInt()));
}

void TUDialogs::Install()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    SetHandler(&ShowBox);
}

bool TUDialogs::RadioSelect(QWidget *AOwner, const QString &Promt, TUDataSource *Source, TUDataKey &Selected)
{
    TUFormDialogRadioSelect form(AOwner);
    form.SetDataSource(Source);
    form.SetPromt(Promt);
    form.SetSelectedStart(Selected);
    if (form.Execute()) {
        Selected = form.Selected();
        return true;
    }
    Selected.Clear();
    return false;
}

std::unique_ptr<TFormDialogListSelect> TUDialogs::ListSelect(QWidget *AOwner, const QString &Promt)
{
    auto form = std::make_unique<TFormDialogListSelect>(AOwner);
    form->SetPromt(Promt);
    return form;
}

bool TUDialogs::TextInput(QWidget *AOwner, const QString &Promt, QString &Value)
{
    TUFormDialogText form(AOwner);
    form.SetPromt(Promt);
    form.SetText(Value);
    if (form.Execute()) {
        Value = form.Text();
        return true;
    }
    Value.clear();
    return false;
}

bool TUDialogs::TextInput(QWidget *AOwner, const QString &Promt, QStringList &Lines)
{
    TUFormDialogText form(AOwner);
    form.SetPromt(Promt);
    form.SetLines(Lines);
    if (form.Execute()) {
        Lines = form.Lines();
        return true;
    }
    Lines.clear();
    return false;
}

namespace {

QMutex browserLock; // guards browser

bool platformBrowser(QWidget *parent, const QString &caption, const QString &root, QString &directory)
{
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, caption, directory.isEmpty() ? root : directory);
    if (chosen.isEmpty())
        return false;
    directory = chosen;
    return true;
}

TUDialogs::TDirectoryBrowser browser = &platformBrowser;

} // namespace

TUDialogs::TDirectoryBrowser TUDialogs::SetDirectoryBrowser(TDirectoryBrowser Browser)
{
    QMutexLocker lock(&browserLock);
    return std::exchange(browser, Browser ? std::move(Browser) : TDirectoryBrowser(&platformBrowser));
}

QString TUDialogs::DirectoryResult(const QString &Folder, QChar Separator)
{
    if (Folder.isEmpty())
        return {};
    QString out = Folder;
    out.replace(u'/', Separator);
    if (!out.endsWith(Separator))
        out += Separator;
    return out;
}

QString TUDialogs::SelectDirectoryDialog(QWidget *FocusControl, const QString &Caption, const QString &Root,
                                         const QString &Directory)
{
    TDirectoryBrowser ask;
    {
        QMutexLocker lock(&browserLock);
        ask = browser;
    }
    QString folder = Directory;
    if (!ask(FocusControl ? FocusControl->window() : nullptr, Caption, Root, folder) || folder.isEmpty())
        return {};
    const QString result = DirectoryResult(folder, QDir::separator());
    if (FocusControl && FocusControl->isVisible() && FocusControl->isEnabled() && FocusControl->focusPolicy() != Qt::NoFocus)
        FocusControl->setFocus();
    return result;
}
