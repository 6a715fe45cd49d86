#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QWidget;

using TIniPairs = std::vector<std::pair<QString, QString>>;

// "update.ini": key = value lines in the single-byte code page; trimmed lines shorter than 3
// characters, "#" comments and lines without "=" are skipped; keys are upper-cased. A file that
// cannot be opened gives no pairs.
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

// The updater's questions and warnings pass through these, so tests (and runs without a
// person) can answer them. An empty hook shows the real dialog.
struct TUpdateDialogHooks {
    std::function<bool(const QString &Prompt)> AskYesNo;
    std::function<void(const QString &Text)> ShowWarning;
};
TUpdateDialogHooks SetUpdateDialogHooks(TUpdateDialogHooks Hooks);

// Asks with the application title as caption; true on "ДА".
bool AskYesNo(const QString &Prompt);
void ShowWarning(const QString &Text);
// Opens a web page or file through the desktop shell; an empty target gives false.
bool ShellOpen(QWidget *Owner, const QString &Target);
