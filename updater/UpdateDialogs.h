#pragma once

#include "UMessageBox.h"

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QWidget;

using TIniPairs = std::vector<std::pair<QString, QString>>;

// "update.ini": the lines of TUIniFile, but every pair in file order and a repeated key allowed
// (the later one wins where the pairs are applied). A file that cannot be read gives no pairs.
TIniPairs ReadIni(const QString &FileName);

// The updater's question dialog: a prompt and the buttons "ДА" and "НЕТ".
class TFormYesNo : public QDialog {
    Q_OBJECT
public:
    explicit TFormYesNo(QWidget *parent = nullptr);
    bool Execute(const QString &caption, const QString &promt);

    QLabel *eText;
    QWidget *gbBottom;
    QPushButton *bYes;
    QPushButton *bNo;

protected:
    void showEvent(QShowEvent *event) override;
};

// The updater's questions and warnings pass through the programs' message-box seam
// (TUMessageBox), so tests and runs without a person answer them: without a handler a question
// counts as "НЕТ" and a warning goes to the standard error stream.
// The updater's own boxes: a question in TFormYesNo, a warning in a standard box (and on the
// error stream); both with the application title as caption.
TModalResult ShowUpdateBox(const TUMessageBoxRequest &Request);
// Makes the seam show ShowUpdateBox where a person can answer (not on "offscreen" or "minimal").
void InstallUpdateDialogs();
// Asks; true on "ДА".
bool AskYesNo(const QString &Prompt);
void ShowWarning(const QString &Text);
// Opens a web page or file through the desktop shell; an empty target gives false.
bool ShellOpen(QWidget *Owner, const QString &Target);
