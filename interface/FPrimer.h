#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// The set-up dialog of the workstation: the service address, the database and client
// identifiers and the proxy, written to the settings file ("tessaplan.ini") with comments.
// Keys of the file that the dialog does not edit are kept.
class TFormPrimer : public QDialog {
    Q_OBJECT
public:
    explicit TFormPrimer(const QString &ConfigFile, QWidget *parent = nullptr);

    // Fills the fields from the settings file when it can be read.
    void LoadConfig();
    // Checks the fields and writes the file; shows what is wrong and gives false otherwise.
    bool SaveConfig();

    QLineEdit *eAPI;
    QLineEdit *eID;
    QLineEdit *eXID;
    QLineEdit *eProxyHost;
    QLineEdit *eProxyPort;
    QLineEdit *eProxyUser;
    QLineEdit *eProxyPassword;
    QPushButton *bOK;
    QPushButton *bCancel;

public slots:
    void accept() override;

private:
    QString FConfigFile;
};
