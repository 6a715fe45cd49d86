#pragma once

#include "FDialog.h"

#include <QString>

#include <array>
#include <utility>

class QLineEdit;

// The set-up dialog of the workstation: the service address, the database and client
// identifiers and the proxy, written to the settings file ("tessaplan.ini") with comments.
// Keys of the file that the dialog does not edit are kept. It loads nothing from the service:
// the fields come from the file when shown, and "OK" checks them and writes the file.
class TFormPrimer : public TFormDialog {
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

    // The fields from the file.
    void LoadData() override;
    // "OK" is there whenever the form is: saving unchanged settings has the programs check
    // them again.
    void UpdateEnabled() override;
    // The fields as they will be written; shows what is wrong.
    bool CheckData() override;
    // Writes the file; false with the reason when it cannot.
    bool CheckProcessAnswer(QString &Message) override;

private:
    using TFields = std::array<std::pair<QString, QLineEdit *>, 7>;
    // Every field with its key in the file.
    TFields Fields() const;

    QString FConfigFile;
};
