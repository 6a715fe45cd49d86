#include "UpdateDialogs.h"

#include "UCodePage.h"
#include "UConv.h"
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

TUpdateDialogHooks &hooks()
{
    static TUpdateDialogHooks h;
    return h;
}

} // namespace

TIniPairs ReadIni(const QString &FileName)
{
    TIniPairs pairs;
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return pairs;
    const QByteArray all = f.readAll();
    for (const QByteArray &raw : all.split('\n')) {
        const QString line = TUConv::Trim(TUCodePage::ToUnicode(raw));
        if (line.size() < 3 || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        pairs.emplace_back(TUConv::UpperCaseAscii(TUConv::Trim(line.left(eq))), TUConv::Trim(line.mid(eq + 1)));
    }
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

TUpdateDialogHooks SetUpdateDialogHooks(TUpdateDialogHooks Hooks)
{
    TUpdateDialogHooks old = std::move(hooks());
    hooks() = std::move(Hooks);
    return old;
}

bool AskYesNo(const QString &Prompt)
{
    if (hooks().AskYesNo)
        return hooks().AskYesNo(Prompt);
    if (!personAtScreen())
        return false;
    TFormYesNo form;
    return form.Execute(QCoreApplication::applicationName(), Prompt);
}

void ShowWarning(const QString &Text)
{
    if (hooks().ShowWarning)
        return hooks().ShowWarning(Text);
    // Also on the error stream, for administrators who run the updater from a script.
    std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
    if (!personAtScreen())
        return;
    QMessageBox::warning(nullptr, QCoreApplication::applicationName(), Text);
}

bool ShellOpen(QWidget *Owner, const QString &Target)
{
    Q_UNUSED(Owner);
    return !Target.isEmpty() && TUShell::OpenURL(Target);
}
