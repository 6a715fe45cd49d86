#include "FClientCard.h"

#include "UAPIData.h"
#include "UAPIDataArray.h"
#include "UAPIDataLoader.h"
#include "UDialogs.h"
#include "UException.h"
#include "UFDialog.h"
#include "UnitComplex.h"
#include "UnitData.h"
#include "UnitDataCache.h"
#include "UnitError.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The answer code of an action the role may not perform.
constexpr int kRefused = 30;

const QString kDifferent = QStringLiteral("(разные значения)");

QString fieldName(TDataFieldType Type) { return QString(ToName(Type)); }

TOutdoorRole &role() { return Complex->User().Role(); }

// Why the service would not let the card have or keep the data, as the user reads it.
QString refusalText(const TAPIDataAnswer &Answer, const QString &What)
{
    if (Answer.Error() == kRefused)
        return QStringLiteral("%1: у вашей роли нет на это прав.").arg(What);
    QString text = QStringLiteral("%1: сервис ответил с кодом %2.").arg(What).arg(Answer.Error());
    if (!Answer.ErrorStr().isEmpty())
        text += QStringLiteral("\n\r") + Answer.ErrorStr();
    return text;
}

} // namespace

TFClientCard::TFClientCard(const QList<TUDataKey> &Clients, QWidget *parent) : TFormDialog(parent), FClients(Clients)
{
    UAssert(Complex != nullptr, QStringLiteral("Complex must be assigned"));
    setFixedSize(747, 400);
    FEditable = role().GetObjectActionAllow(dot_client, doat_edit);
    SetTaskActionLoad(QStringLiteral("client_view"));
    SetTaskActionProcess(QStringLiteral("client_edit"));
    SetPromtOnCloseChanged(FEditable);

    if (FClients.size() == 1)
        setWindowTitle(QStringLiteral("Карточка клиента"));
    else
        setWindowTitle(QStringLiteral("Карточка клиентов (выбрано: %1)").arg(FClients.size()));

    auto *top = new QVBoxLayout(GBTop);
    LabelHeader = new QLabel;
    QFont bold = KitFont();
    bold.setBold(true);
    LabelHeader->setFont(bold);
    LabelHeader->setWordWrap(true);
    top->addWidget(LabelHeader);

    Tabs = new QTabWidget;
    top->addWidget(Tabs, 1);

    auto *contact = new QWidget;
    auto *contactForm = new QFormLayout(contact);
    AddField(contactForm, dft_title, QStringLiteral("Название:"));
    AddField(contactForm, dft_contact_person, QStringLiteral("Контактное лицо:"));
    AddField(contactForm, dft_contact_person_sale, QStringLiteral("Менеджер клиента по рекламе:"));
    AddField(contactForm, dft_contact_address, QStringLiteral("Адрес:"));
    AddField(contactForm, dft_contact_phone, QStringLiteral("Телефон:"));
    AddField(contactForm, dft_contact_email, QStringLiteral("Электронная почта:"));
    AddField(contactForm, dft_contact_url, QStringLiteral("Сайт:"));
    AddField(contactForm, dft_contact_description, QStringLiteral("Описание:"));
    Tabs->addTab(contact, QStringLiteral("Контакты"));

    auto *req = new QWidget;
    auto *columns = new QHBoxLayout(req);
    auto *left = new QFormLayout;
    auto *right = new QFormLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    AddField(left, dft_req_name_full, QStringLiteral("Полное наименование:"));
    AddField(left, dft_req_name_short, QStringLiteral("Краткое наименование:"));
    AddField(left, dft_req_address, QStringLiteral("Юридический адрес:"));
    AddField(left, dft_req_phone, QStringLiteral("Телефон:"));
    AddField(left, dft_req_inn, QStringLiteral("ИНН:"));
    AddField(left, dft_req_kpp, QStringLiteral("КПП:"));
    AddField(left, dft_req_okpo_ru, QStringLiteral("ОКПО:"));
    AddField(right, dft_req_bank_name, QStringLiteral("Банк:"));
    AddField(right, dft_req_bank_mfo, QStringLiteral("БИК:"));
    AddField(right, dft_req_bank_account, QStringLiteral("Расчётный счёт:"));
    AddField(right, dft_req_bank_ks, QStringLiteral("Корр. счёт:"));
    AddField(right, dft_req_director_name_full, QStringLiteral("Директор:"));
    AddField(right, dft_req_director_name_short, QStringLiteral("Директор (кратко):"));
    AddField(right, dft_req_buh, QStringLiteral("Главный бухгалтер:"));
    Tabs->addTab(req, QStringLiteral("Реквизиты"));

    if (!FEditable) {
        ButtonOk->hide();
        ButtonClose->setText(QStringLiteral("ЗАКРЫТЬ"));
    }
    if (!FFields.empty())
        SetFocus(FFields.front().Edit);
    UpdateEnabled();
}

bool TFClientCard::Execute(const QList<TUDataKey> &Clients, QWidget *parent)
{
    if (Clients.isEmpty())
        return false;
    TFClientCard card(Clients, parent);
    return card.Execute();
}

QLineEdit *TFClientCard::AddField(QFormLayout *Form, TDataFieldType Type, const QString &Label)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(fieldName(Type));
    Form->addRow(Label, edit);
    FFields.push_back({Type, edit});
    WatchChanges(edit);
    if (Blocked(Type))
        edit->setToolTip(QStringLiteral("Поле закрыто для вашей роли"));
    return edit;
}

QLineEdit *TFClientCard::Edit(TDataFieldType Type) const
{
    for (const TField &f : FFields)
        if (f.Type == Type)
            return f.Edit;
    return nullptr;
}

bool TFClientCard::Blocked(TDataFieldType Type) const { return role().GetObjectFieldDisallow(dot_client, Type); }

QList<TDataFieldType> TFClientCard::ChangedFields() const
{
    QList<TDataFieldType> changed;
    for (const TField &f : FFields)
        if (!Blocked(f.Type) && Helper().GetTag(f.Edit) == tvSet)
            changed << f.Type;
    return changed;
}

QString TFClientCard::KeyList() const
{
    QStringList keys;
    for (const TUDataKey &key : FClients)
        keys << key.ToString();
    return keys.join(u',');
}

void TFClientCard::ClearData()
{
    TFormDialog::ClearData();
    for (const TField &f : FFields) {
        f.Edit->clear();
        f.Edit->setPlaceholderText(QString());
    }
    Helper().SetTagedAll(GBTop, tvUndefined);
    LabelHeader->clear();
}

void TFClientCard::PrepareLoad()
{
    TFormDialog::PrepareLoad();
    // The form closes on a failed load without a word; the core reports only the answers it
    // has a remedy for (an ended session, ...), so the rest is said here.
    const QPointer<TFClientCard> self(this);
    auto closeForm = Task()->OnWork.OnError;
    Task()->OnWork.OnError = [self, closeForm](QObject *Sender, const QString &Msg) {
        if (self && self->IsHeldTask(Sender)) {
            const TAPIDataAnswer *answer = static_cast<TDataLoader *>(Sender)->Answer();
            const QString what = QStringLiteral("Не удалось открыть карточку клиента");
            if (!answer)
                TUDialogs::Error(what + QStringLiteral(":\n\r") + Msg);
            else if (CloseReasonOf(answer->Error()) == ocrNone)
                TUDialogs::Error(refusalText(*answer, what));
        }
        if (closeForm)
            closeForm(Sender, Msg);
    };
    Task()->ParamAdd(fieldName(dft_client), KeyList());
    TaskSubmit();
}

void TFClientCard::LoadData()
{
    const TAPIDataAnswer *answer = Task() ? Task()->Answer() : nullptr;
    if (!answer)
        return;
    const TAPIDataArray &data = answer->Data();
    QList<TUDataKey> found;
    QStringList titles;
    for (const TUDataKey &key : FClients)
        for (int row = 0; row < data.RowCount(); ++row) {
            if (!data.AsDataKey(dft_client, row).TheSame(key))
                continue;
            found << key;
            titles << data.AsStr(dft_title, row);
            for (const TField &f : FFields)
                Helper().SetTaged(f.Edit, data.AsStr(f.Type, row), QString());
            break;
        }
    // A client that has gone from the service is neither shown nor saved.
    FClients = found;
    for (const TField &f : FFields)
        f.Edit->setPlaceholderText(Helper().GetTag(f.Edit) == tvDifferent ? kDifferent : QString());

    QString header;
    if (FClients.isEmpty())
        header = QStringLiteral("Клиент не найден на сервере.");
    else if (FClients.size() == 1)
        header = titles.front();
    else
        header = QStringLiteral("Клиентов: %1 (%2). Изменённые поля получат все; поля с пометкой «%3» не меняются, "
                                "пока их не исправить.")
                     .arg(FClients.size())
                     .arg(titles.join(QStringLiteral(", ")), kDifferent);
    if (!FEditable)
        header += QStringLiteral("\nТолько просмотр: у вашей роли нет права изменять клиентов.");
    LabelHeader->setText(header);
}

void TFClientCard::UpdateEnabled()
{
    TFormDialog::UpdateEnabled();
    for (const TField &f : FFields) {
        const bool blocked = Blocked(f.Type);
        // View-only fields stay enabled, so their text can be selected and copied.
        f.Edit->setEnabled(IsEnabled() && !blocked);
        f.Edit->setReadOnly(!FEditable || blocked);
    }
}

bool TFClientCard::CanSave() { return FEditable && !FClients.isEmpty() && TFormDialog::CanSave(); }

void TFClientCard::PrepareProcess()
{
    TFormDialog::PrepareProcess();
    FCloseAfterFailure = false;
    Task()->ParamAdd(fieldName(dft_client), KeyList());
    for (TDataFieldType type : ChangedFields())
        Task()->ParamAdd(fieldName(type), Helper().UnQuoteText(Edit(type)));
    TaskSubmit();
}

bool TFClientCard::CheckData()
{
    // Only what the user changed is judged: values the service already holds are its own.
    struct TRule {
        TDataFieldType Type;
        QList<int> Digits; // allowed lengths of an all-digit value; empty: any text
        const char *Message;
    };
    static const TRule rules[] = {
        {dft_title, {}, "Название клиента не может быть пустым."},
        {dft_req_inn, {10, 12}, "ИНН состоит из 10 или 12 цифр."},
        {dft_req_kpp, {9}, "КПП состоит из 9 цифр."},
        {dft_req_bank_mfo, {9}, "БИК состоит из 9 цифр."},
        {dft_req_bank_account, {20}, "Расчётный счёт состоит из 20 цифр."},
        {dft_req_bank_ks, {20}, "Корреспондентский счёт состоит из 20 цифр."},
    };
    const QList<TDataFieldType> changed = ChangedFields();
    for (const TRule &rule : rules) {
        if (!changed.contains(rule.Type))
            continue;
        const QString value = Helper().GetText(Edit(rule.Type));
        bool good = !value.isEmpty();
        if (!rule.Digits.isEmpty())
            good = value.isEmpty()
                   || (rule.Digits.contains(int(value.size()))
                       && std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }));
        if (!good) {
            TUDialogs::Error(QString::fromUtf8(rule.Message));
            Tabs->setCurrentWidget(Edit(rule.Type)->parentWidget());
            TryFocus(Edit(rule.Type));
            return false;
        }
    }
    return true;
}

bool TFClientCard::CheckProcessAnswer(QString &Message)
{
    Message.clear();
    const TAPIDataAnswer *answer = Task() ? Task()->Answer() : nullptr;
    if (!answer) {
        Message = QStringLiteral("Сервис не ответил; изменения не сохранены.");
        return false;
    }
    if (answer->Error() != 0) {
        if (CloseReasonOf(answer->Error()) != ocrNone)
            FCloseAfterFailure = true; // the core has said what happened and what to do
        else
            Message = refusalText(*answer, QStringLiteral("Изменения не сохранены"));
        return false;
    }
    if (answer->Data().RowCount() == 0) {
        Message = QStringLiteral("Клиент не найден на сервере; изменения не сохранены.");
        return false;
    }
    UpdateCache();
    return true;
}

void TFClientCard::HandleProcessError(const QString &Msg, bool &CloseForm, QString &Message)
{
    CloseForm = FCloseAfterFailure;
    FCloseAfterFailure = false;
    Message = Msg;
    // A request that brought no answer at all failed on its way.
    if (!Msg.isEmpty() && Task() && !Task()->Answer())
        Message = QStringLiteral("Изменения не сохранены:\n\r") + Msg;
}

void TFClientCard::UpdateCache() const
{
    TUDataSource *clients = Complex->Cache().GetData(ctClient);
    const QList<TDataFieldType> changed = ChangedFields();
    for (const TUDataKey &key : FClients) {
        TDataClient *item = nullptr;
        if (!clients || !clients->TryGetValue(key, item))
            continue;
        if (changed.contains(dft_title))
            item->SetTitle(Helper().GetText(Edit(dft_title)));
        if (changed.contains(dft_contact_email))
            item->SetContactEmail(Helper().GetText(Edit(dft_contact_email)));
    }
}
