#include "MainForm.h"

#include "UpdateDialogs.h"
#include "UpdateHTTP.h"

#include "UException.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

QFont verdana(int pixels, bool bold)
{
    QFont f(QStringLiteral("Verdana"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace

TMainForm::TMainForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      fUM(std::make_unique<TUpdateMaster>())
{
    setWindowTitle(QStringLiteral("Обновление программы..."));
    setFixedSize(745, 195);
    setFont(verdana(11, false));
    setStyleSheet(QStringLiteral("color: black"));

    Logo = new QLabel(this);
    Logo->setGeometry(8, 8, 300, 150);
    Logo->setAlignment(Qt::AlignCenter);
    Logo->setFocusPolicy(Qt::NoFocus);

    eTitle = new QLabel(QStringLiteral("..."), this);
    eTitle->setGeometry(314, 8, 423, 25);
    eTitle->setAlignment(Qt::AlignCenter);
    eTitle->setFrameStyle(QFrame::Box | QFrame::Plain);
    eTitle->setFont(verdana(19, true));

    eURL = new QLabel(this);
    eURL->setGeometry(314, 39, 423, 25);
    eURL->setFont(verdana(13, true));
    eURL->setStyleSheet(QStringLiteral("color: navy"));
    eURL->installEventFilter(this);

    eState = new QLabel(this);
    eState->setGeometry(314, 133, 272, 25);
    eState->setFont(verdana(13, true));
    eState->setStyleSheet(QStringLiteral("color: maroon"));
    eState->setFocusPolicy(Qt::StrongFocus);

    bCancel = new QPushButton(QStringLiteral("ОТМЕНА"), this);
    bCancel->setGeometry(592, 125, 145, 33);
    bCancel->setFont(verdana(11, true));
    bCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(bCancel, &QPushButton::clicked, this, &TMainForm::CancelClick);

    Progress = new QProgressBar(this);
    Progress->setGeometry(8, 164, 729, 22);
    Progress->setTextVisible(false);
    Progress->setRange(0, 100);
    Progress->setValue(0);

    Timer = new QTimer(this);
    Timer->setInterval(2000);
    // A coarse timer may fire up to a tenth of a second either side of the two seconds.
    Timer->setTimerType(Qt::PreciseTimer);
    Timer->setSingleShot(false);
    connect(Timer, &QTimer::timeout, this, [this] {
        Timer->stop();
        SetLogoSize();
        ProcessAction();
    });

    fUM->SetCallback([this](TUpdateMasterState s, qint32 b, qint32 m) { UpdateCallback(s, b, m); });
    fUM->SetOnKeysChange([this] { KeysChange(); });
    fPrepare.clear();
    SetLogoSize();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm() { StopLogo(); }

QString TMainForm::StateText(TUpdateMasterState State)
{
    switch (State) {
    case umsDownload: return QStringLiteral("загрузка...");
    case umsExtract: return QStringLiteral("распаковка...");
    case umsClear: return QStringLiteral("очистка...");
    case umsRun: return QStringLiteral("запуск...");
    case umsNone: break;
    }
    return {};
}

void TMainForm::SetLogoSize() { Logo->resize(300, 150); }

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    eState->setFocus();
    Timer->start();
    SetLogoSize();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    fUM->Terminate();
    QCoreApplication::processEvents();
    QCoreApplication::quit();
    event->accept();
}

void TMainForm::ProcessAction()
{
    Progress->setRange(0, 100);
    Progress->setValue(0);
    eState->clear();
    try {
        if (fPrepare == QLatin1String("-download")) {
            fUM->DownloadUpdate();
        } else if (fPrepare == QLatin1String("-do")) {
            fUM->DoUpdate();
            fUM->ClearUpdate();
        } else if (fPrepare == QLatin1String("-execute")) {
            fUM->RunMainProgram();
        } else {
            ActionUpdate();
        }
    } catch (...) {
        // The engine keeps its own failures; this is one of the window's. Said, then the
        // application ends below as always.
        ShowWarning(UErrorText(std::current_exception()));
    }
    QCoreApplication::quit();
}

void TMainForm::ActionUpdate()
{
    if (fUM->DownloadUpdate() && fUM->DoUpdate()) {
        fUM->ClearUpdate();
        if (!fUM->Keys().WhatsNewURL.isEmpty())
            ShellOpen(this, fUM->Keys().WhatsNewURL);
        if (AskYesNo(QStringLiteral("Запустить программу?")))
            fUM->RunMainProgram();
    } else if (!fUM->Error().isEmpty() && !fUM->Terminated()) {
        ShowWarning(fUM->Error());
    }
}

void TMainForm::UpdateCallback(TUpdateMasterState state, qint32 bytes, qint32 maxbytes)
{
    if (maxbytes < 1) {
        // No size announced: an empty bar (a range of 0..0 would animate as "busy" here).
        Progress->setRange(0, 1);
        Progress->setValue(0);
    } else {
        Progress->setMaximum(maxbytes);
        Progress->setValue(maxbytes < bytes ? 0 : bytes);
    }
    eState->setText(StateText(state));
    QCoreApplication::processEvents();
}

void TMainForm::KeysChange()
{
    SetLogoSize();
    const TUpdateMasterKeys &k = fUM->Keys();
    if (!k.LogoURL.isEmpty())
        LoadLogo(k.LogoURL);
    if (!k.Title.isEmpty())
        eTitle->setText(k.Title);
    if (!k.URL.isEmpty())
        eURL->setText(k.URL);
}

void TMainForm::LoadLogo(const QString &URL)
{
    StopLogo();
    fLogoStop = false;
    QPointer<QLabel> logo(Logo);
    const TUpdateProxy proxy = fUM->ProxySettings();
    fLogoThread = std::thread([this, logo, URL, proxy] {
        QByteArray data;
        try {
            QBuffer sink(&data);
            sink.open(QIODevice::WriteOnly);
            TUpdateHTTPHooks hooks;
            hooks.Aborted = [this] { return fLogoStop.load(); };
            if (UpdateHTTPGet(URL, sink, proxy, hooks).Code != 200)
                return;
        } catch (...) {
            return; // no picture: the area stays blank
        }
        QImage image;
        if (!image.loadFromData(data))
            return; // not a picture: the area stays blank
        QMetaObject::invokeMethod(qApp, [logo, image] {
            if (logo)
                logo->setPixmap(QPixmap::fromImage(image.scaled(300, 150, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        }, Qt::QueuedConnection);
    });
}

void TMainForm::StopLogo()
{
    fLogoStop = true;
    if (fLogoThread.joinable())
        fLogoThread.join();
}

void TMainForm::CancelClick()
{
    bCancel->setEnabled(false);
    fUM->Terminate();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == eURL) {
        switch (event->type()) {
        case QEvent::Enter: {
            QFont f = eURL->font();
            f.setUnderline(true);
            eURL->setFont(f);
            eURL->setCursor(Qt::PointingHandCursor);
            break;
        }
        case QEvent::Leave: {
            QFont f = eURL->font();
            f.setUnderline(false);
            eURL->setFont(f);
            eURL->unsetCursor();
            break;
        }
        case QEvent::MouseButtonRelease:
            if (!eURL->text().isEmpty())
                ShellOpen(this, eURL->text());
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
