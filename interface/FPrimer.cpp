#include "FPrimer.h"

#include "UCodePage.h"
#include "UFDialog.h"
#include "UDialogs.h"
#include "UIniFile.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <array>

namespace {

const QString kAPI = QStringLiteral("API");
const QString kID = QStringLiteral("ID");
const QString kXID = QStringLiteral("XID");
const QString kProxyHost = QStringLiteral("PROXYHOST");
const QString kProxyPort = QStringLiteral("PROXYPORT");
const QString kProxyUser = QStringLiteral("PROXYUSER");
const QString kProxyPassword = QStringLiteral("PROXYPASSWORD");

QLineEdit *addField(QFormLayout *form, const QString &label, const QString &hint)
{
    auto *edit = new QLineEdit;
    edit->setPlaceholderText(hint);
    form->addRow(label, edit);
    return edit;
}

bool fitsCodePage(const QString &text) { return TUCodePage::ToUnicode(TUCodePage::FromUnicode(text)) == text; }

} // namespace

TFormPrimer::TFormPrimer(const QString &ConfigFile, QWidget *parent) : TFormDialog(parent), FConfigFile(ConfigFile)
{
    setWindowTitle(QStringLiteral("Установка начальных параметров"));
    SetSkipProcess(true);
    auto *top = new QVBoxLayout(GBTop);
    auto *title = new QLabel(QStringLiteral("Параметры подключения рабочего места к сервису."));
    QFont bold = KitFont();
    bold.setBold(true);
    title->setFont(bold);
    top->addWidget(title);
    auto *layout = new QHBoxLayout;
    top->addLayout(layout, 1);

    auto *service = new QGroupBox(QStringLiteral("Сервис"));
    auto *serviceForm = new QFormLayout(service);
    eAPI = addField(serviceForm, QStringLiteral("Адрес сервиса:"), QStringLiteral("сервер[:порт][/путь]"));
    eID = addField(serviceForm, QStringLiteral("Идентификатор базы:"), QString());
    eXID = addField(serviceForm, QStringLiteral("Идентификатор клиента:"), QString());
    layout->addWidget(service);

    auto *proxy = new QGroupBox(QStringLiteral("Прокси-сервер HTTP (необязательно)"));
    auto *proxyForm = new QFormLayout(proxy);
    eProxyHost = addField(proxyForm, QStringLiteral("Сервер:"), QStringLiteral("пусто — без прокси"));
    eProxyPort = addField(proxyForm, QStringLiteral("Порт:"), QStringLiteral("80"));
    eProxyPort->setValidator(new QIntValidator(1, 65535, eProxyPort));
    eProxyUser = addField(proxyForm, QStringLiteral("Пользователь:"), QString());
    eProxyPassword = addField(proxyForm, QStringLiteral("Пароль:"), QString());
    eProxyPassword->setEchoMode(QLineEdit::Password);
    layout->addWidget(proxy);

    for (QLineEdit *edit : {eAPI, eID, eXID, eProxyHost, eProxyPort, eProxyUser, eProxyPassword})
        WatchChanges(edit);
    SetFocus(eAPI);
    UpdateEnabled();
}

void TFormPrimer::LoadData() { LoadConfig(); }

void TFormPrimer::UpdateEnabled()
{
    TFormDialog::UpdateEnabled();
    ButtonOk->setEnabled(IsEnabled());
}

void TFormPrimer::LoadConfig()
{
    TKeyValue<QString> dict;
    if (!TUIniFile::LoadFromFile(FConfigFile, dict))
        return;
    eAPI->setText(dict.GetKeyValue(kAPI));
    eID->setText(dict.GetKeyValue(kID));
    eXID->setText(dict.GetKeyValue(kXID));
    eProxyHost->setText(dict.GetKeyValue(kProxyHost));
    eProxyPort->setText(dict.GetKeyValue(kProxyPort));
    eProxyUser->setText(dict.GetKeyValue(kProxyUser));
    eProxyPassword->setText(dict.GetKeyValue(kProxyPassword));
}

TFormPrimer::TFields TFormPrimer::Fields() const
{
    return {{
        {kAPI, eAPI}, {kID, eID}, {kXID, eXID}, {kProxyHost, eProxyHost},
        {kProxyPort, eProxyPort}, {kProxyUser, eProxyUser}, {kProxyPassword, eProxyPassword},
    }};
}

bool TFormPrimer::SaveConfig()
{
    if (!CheckData())
        return false;
    QString message;
    if (CheckProcessAnswer(message))
        return true;
    TUDialogs::Error(message);
    return false;
}

bool TFormPrimer::CheckData()
{
    const TFields fields = Fields();
    for (const auto &[key, edit] : fields)
        edit->setText(edit->text().trimmed());

    QString api = eAPI->text();
    api.remove(QRegularExpression(QStringLiteral("^[A-Za-z]+://")));
    while (api.endsWith(u'/'))
        api.chop(1);
    eAPI->setText(api);

    if (api.isEmpty() || eID->text().isEmpty() || eXID->text().isEmpty()) {
        TUDialogs::Error(QStringLiteral("Укажите адрес сервиса, идентификатор базы и идентификатор клиента."));
        return false;
    }
    bool portOk = true;
    const int port = eProxyPort->text().toInt(&portOk);
    if (!eProxyPort->text().isEmpty() && (!portOk || port < 1 || port > 65535)) {
        TUDialogs::Error(QStringLiteral("Порт прокси-сервера должен быть числом от 1 до 65535."));
        return false;
    }
    for (const auto &[key, edit] : fields)
        if (!fitsCodePage(edit->text())) {
            TUDialogs::Error(QStringLiteral("Поле %1 содержит символы, которые нельзя сохранить в файле настроек.").arg(key));
            return false;
        }
    return true;
}

bool TFormPrimer::CheckProcessAnswer(QString &Message)
{
    const TFields fields = Fields();
    // Keys this dialog does not know stay in the file.
    TKeyValue<QString> old;
    TUIniFile::LoadFromFile(FConfigFile, old);
    TRecs<QString> rows;
    rows.AddOne(QStringLiteral("Настройки рабочего места; записано программой установки начальных параметров"));
    rows.AddOne(QStringLiteral("Адрес сервиса: сервер, при необходимости с портом и путём, без http:// и без / в конце"));
    rows.AddPair(kAPI, eAPI->text());
    rows.AddOne(QStringLiteral("Идентификатор базы данных и идентификатор клиента"));
    rows.AddPair(kID, eID->text());
    rows.AddPair(kXID, eXID->text());
    rows.AddOne(QString());
    rows.AddOne(QStringLiteral("Прокси-сервер HTTP: пустой PROXYHOST - без прокси; PROXYPORT по умолчанию 80"));
    for (const auto &[key, edit] : fields)
        if (key.startsWith(QLatin1String("PROXY")))
            rows.AddPair(key, edit->text());
    bool otherHeader = false;
    for (const auto &[key, value] : old) {
        bool known = false;
        for (const auto &field : fields)
            known = known || field.first == key;
        if (known)
            continue;
        if (!otherHeader) {
            rows.AddOne(QString());
            rows.AddOne(QStringLiteral("Прочие параметры"));
            otherHeader = true;
        }
        rows.AddPair(key, value);
    }
    try {
        TUIniFile::SaveToFile(FConfigFile, rows);
    } catch (const EUError &e) {
        Message = QStringLiteral("Не удалось сохранить настройки:\n\r%1").arg(e.Message());
        return false;
    }
    Message.clear();
    return true;
}
