#include "UpdateDialogs.h"

#include "UIniFile.h"
#include "UShell.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// Without a screen (the "offscreen" platform of headless runs) nobody can answer a dialog.
bool personAtScreen()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

TIniPairs ReadIni(const QString &FileName)
{
    TIniPairs pairs;
    QString text;
    if (!TUIniFile::ReadText(FileName, text))
        return pairs;
    QString key, value;
    for (const QString &line : TUIniFile::SplitLines(text))
        if (TUIniFile::SplitLine(line, key, value))
            pairs.emplace_back(key, value);
    return pairs;
}

TFormYesNo::TFormYesNo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    eText = new QLabel(this);
    QFont textFont(QStringLiteral("Tahoma"));
    textFont.setPixelSize(12);
    eText->setFont(textFont);
    eText->setStyleSheet(QStringLiteral("color: black"));
    eText->setWordWrap(true);
    eText->setAlignment(Qt::AlignCenter);
    eText->setMinimumWidth(260);

    gbBottom = new QWidget(this);
    bYes = new QPushButton(QStringLiteral("ДА"), gbBottom);
    bNo = new QPushButton(QStringLiteral("НЕТ"), gbBottom);
    for (QPushButton *b : {bYes, bNo}) {
        b->setFixedSize(120, 33);
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    bYes->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    bNo->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    bYes->setDefault(true);
    connect(bYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(bNo, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(bYes, bNo);

    auto *bottom = new QHBoxLayout(gbBottom);
    bottom->addStretch();
    bottom->addWidget(bYes);
    bottom->addWidget(bNo);
    bottom->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(eText, 1);
    layout->addWidget(gbBottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFormYesNo::Execute(const QString &caption, const QString &promt)
{
    setWindowTitle(caption);
    eText->setText(promt);
    return exec() == QDialog::Accepted;
}

void TFormYesNo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    bYes->setFocus();
}

TModalResult ShowUpdateBox(const TUMessageBoxRequest &Request)
{
    const QString caption = QCoreApplication::applicationName();
    if (Request.DlgType == mtConfirmation) {
        TFormYesNo form;
        return form.Execute(caption, Request.Msg) ? mrYes : mrNo;
    }
    // Also on the error stream, for administrators who run the updater from a script.
    std::fprintf(stderr, "%s\n", Request.Msg.toLocal8Bit().constData());
    QMessageBox::warning(nullptr, caption, Request.Msg);
    return mrOk;
}

void InstallUpdateDialogs()
{
    if (personAtScreen())
        TUMessageBox::SetHandler(&ShowUpdateBox);
}

bool AskYesNo(const QString &Prompt) { return TUMessageBox::YesNo(Prompt); }

void ShowWarning(const QString &Text) { TUMessageBox::Error(Text); }

bool ShellOpen(QWidget *Owner, const QString &Target)
{
    Q_UNUSED(Owner);
    return !Target.isEmpty() && TUShell::OpenURL(Target);
}
