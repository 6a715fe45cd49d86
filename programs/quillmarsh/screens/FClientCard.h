#pragma once

#include "FDialog.h"
#include "UAPIDataFields.h"
#include "URecs.h"

#include <QList>
#include <QString>

#include <vector>

class QLabel;
class QLineEdit;
class QTabWidget;

// The card of one client or of several at once: contact and requisites on two tabs, loaded with
// "client_view" and saved with "client_edit" (one request naming every client, keys separated by
// commas). The card is editable when the role may edit clients, view-only otherwise; fields the
// role blocks stay locked and are never sent.
//
// Several clients follow the form helper's multi-record rules: a field shows the value they all
// share, or stays empty and says that the values differ; only the fields the user changed are
// sent, and each client gets them.
class TFClientCard : public TFormDialog {
    Q_OBJECT
public:
    explicit TFClientCard(const QList<TUDataKey> &Clients, QWidget *parent = nullptr);
    // Shows the card modally; true when a change was saved.
    static bool Execute(const QList<TUDataKey> &Clients, QWidget *parent = nullptr);

    // One input of the card.
    struct TField {
        TDataFieldType Type;
        QLineEdit *Edit;
    };

    const QList<TUDataKey> &Clients() const { return FClients; }
    bool Editable() const { return FEditable; }
    // The input of that field; none when the card has no such field.
    QLineEdit *Edit(TDataFieldType Type) const;
    const std::vector<TField> &Fields() const { return FFields; }
    // Whether the role blocks the field: it stays locked and is not sent.
    bool Blocked(TDataFieldType Type) const;
    // The fields the user changed, as the save sends them.
    QList<TDataFieldType> ChangedFields() const;

    QTabWidget *Tabs;
    QLabel *LabelHeader;

    void ClearData() override;
    void PrepareLoad() override;
    void LoadData() override;
    void UpdateEnabled() override;
    bool CanSave() override;
    // The changed values that the service's formats allow (a title, the digits of requisites);
    // shows what is wrong.
    bool CheckData() override;
    void PrepareProcess() override;
    bool CheckProcessAnswer(QString &Message) override;
    void HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message) override;

    using TFormDialog::Execute;

private:
    QLineEdit *AddField(class QFormLayout *Form, TDataFieldType Type, const QString &Label);
    // The keys as the service takes several at once.
    QString KeyList() const;
    // The saved values into the cache's list of clients, so lists show them before a reload.
    void UpdateCache() const;

    QList<TUDataKey> FClients;
    bool FEditable = false;
    std::vector<TField> FFields;
    // The last save's answer asked for the core's remedy (the session ended, ...): the card
    // closes without a message of its own, the core has shown one.
    bool FCloseAfterFailure = false;
};
