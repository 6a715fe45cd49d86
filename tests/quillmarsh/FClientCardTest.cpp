// The client card against the seeded stand-in service: what each role may do with it, saving
// one client and several, and the service's refusals.
#include "FClientCard.h"
#include "QuillFixture.h"

#include "UFDialog.h"

#include <QLineEdit>
#include <QSet>
#include <QTabWidget>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

class ClientCard : public QuillFixture {
protected:
    // Shows the card as Execute does, without waiting for it to close; true once it has loaded.
    static bool Show(TFClientCard &Card)
    {
        Card.SetIsEnabled(false);
        Card.ClearData();
        Card.open();
        return testutil::waitUntil([&] { return !Card.isVisible() || (!Card.Loading() && Card.IsEnabled()); })
               && Card.isVisible();
    }
    static void Type(QLineEdit *Edit, const QString &Text)
    {
        Edit->selectAll();
        QTest::keyClick(Edit, Qt::Key_Backspace);
        QTest::keyClicks(Edit, Text);
    }
    // Presses "OK" and waits until the save has ended one way or the other.
    static bool Save(TFClientCard &Card)
    {
        if (!Card.ButtonOk->isEnabled())
            return false;
        QTest::mouseClick(Card.ButtonOk, Qt::LeftButton);
        return testutil::waitUntil([&] { return !Card.isVisible() || (!Card.Loading() && Card.IsEnabled()); });
    }
    QString Stored(const QString &Client, const char *Field) const
    {
        const auto record = store.Record(u"client"_s, Client);
        return record ? record->value(QLatin1StringView(Field)).toString() : QString();
    }
    // The parameters of the last save request, by name.
    QSet<QString> SentNames() const
    {
        QSet<QString> names;
        const QList<TStandinRequest> requests = svc.Service->Requests();
        for (auto it = requests.rbegin(); it != requests.rend(); ++it)
            if (it->Param(u"action"_s) == u"client_edit"_s) {
                for (const auto &param : it->Params)
                    names << param.first;
                break;
            }
        return names;
    }
};

TEST_F(ClientCard, ViewOnlyWhenTheRoleMayNotEdit)
{
    AddViewer();
    ASSERT_TRUE(SignIn(u"viewer"_s, u"viewer"_s));
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card)) << BoxTexts().join(u'|').toStdString();
    Shot(card, u"quillmarsh-card-readonly.png"_s);

    EXPECT_FALSE(card.Editable());
    EXPECT_FALSE(card.ButtonOk->isVisible());
    EXPECT_EQ(card.ButtonClose->text(), u"ЗАКРЫТЬ"_s);
    EXPECT_EQ(card.Edit(dft_title)->text(), u"ООО «Вкусная точка»"_s);
    EXPECT_EQ(card.Edit(dft_req_inn)->text(), u"7710204151"_s);
    for (const auto &field : card.Fields())
        EXPECT_TRUE(field.Edit->isReadOnly()) << QString(ToName(field.Type)).toStdString();

    Type(card.Edit(dft_contact_phone), u"123"_s);
    EXPECT_EQ(card.Edit(dft_contact_phone)->text(), u"+7 (910) 100-10-20"_s);
    EXPECT_FALSE(card.IsChanged());
    EXPECT_TRUE(Boxes.empty()) << BoxTexts().join(u'|').toStdString();
}

TEST_F(ClientCard, SavesOnlyTheFieldsTheUserChanged)
{
    ASSERT_TRUE(SignIn(u"admin"_s, u"admin"_s));
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card));
    card.Tabs->setCurrentIndex(0);
    Shot(card, u"quillmarsh-card.png"_s);
    ASSERT_TRUE(card.Editable());
    EXPECT_FALSE(card.ButtonOk->isEnabled()) << "nothing changed yet";

    Type(card.Edit(dft_contact_phone), u"+7 (910) 555-00-00"_s);
    Type(card.Edit(dft_req_kpp), u"770199001"_s);
    EXPECT_EQ(card.ChangedFields(), (QList<TDataFieldType>{dft_contact_phone, dft_req_kpp}));
    ASSERT_TRUE(Save(card));

    EXPECT_FALSE(card.isVisible());
    EXPECT_EQ(card.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(u"1"_s, "contact_phone"), u"+7 (910) 555-00-00"_s);
    EXPECT_EQ(Stored(u"1"_s, "req_kpp"), u"770199001"_s);
    EXPECT_EQ(Stored(u"1"_s, "contact_person"), u"Орлова Екатерина"_s);
    EXPECT_EQ(SentNames(), (QSet<QString>{u"sidh"_s, u"action"_s, u"client"_s, u"contact_phone"_s, u"req_kpp"_s}));
    EXPECT_TRUE(Boxes.empty()) << BoxTexts().join(u'|').toStdString();
}

TEST_F(ClientCard, MalformedChangesAreRefusedBeforeSending)
{
    ASSERT_TRUE(SignIn(u"admin"_s, u"admin"_s));
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card));
    const struct {
        TDataFieldType Field;
        QString Bad, Good;
    } cases[] = {
        {dft_title, u""_s, u"Vkusnaya tochka"_s},
        {dft_req_inn, u"77102041"_s, u"771020415112"_s},
        {dft_req_kpp, u"77O101001"_s, u"770101002"_s},
        {dft_req_bank_ks, u"3010181040000000022"_s, u""_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString(ToName(c.Field)).toStdString());
        Boxes.clear();
        Type(card.Edit(c.Field), c.Bad);
        QTest::mouseClick(card.ButtonOk, Qt::LeftButton);
        EXPECT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(card.isVisible());
        EXPECT_TRUE(card.IsEnabled());
        Type(card.Edit(c.Field), c.Good);
    }
    EXPECT_TRUE(SentNames().isEmpty());
    Boxes.clear();
    ASSERT_TRUE(Save(card));
    EXPECT_EQ(card.result(), QDialog::Accepted) << BoxTexts().join(u'|').toStdString();
    EXPECT_EQ(Stored(u"1"_s, "req_inn"), u"771020415112"_s);
    EXPECT_EQ(Stored(u"1"_s, "req_bank_ks"), u""_s);
}

TEST_F(ClientCard, FieldBlockedForTheRoleIsLockedAndNeverSent)
{
    // The bookkeeper's role may edit clients but not their contact mail address.
    ASSERT_TRUE(SignIn(u"buh"_s, u"buh"_s));
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card));
    ASSERT_TRUE(card.Editable());

    QLineEdit *mail = card.Edit(dft_contact_email);
    EXPECT_TRUE(card.Blocked(dft_contact_email));
    EXPECT_FALSE(mail->isEnabled());
    EXPECT_EQ(mail->text(), u"marketing@vkusnaya-tochka.ru"_s);
    EXPECT_TRUE(card.Edit(dft_req_bank_name)->isEnabled());

    // Even a text put there by other means stays out of the save (the service refuses a change
    // of a blocked field).
    mail->setText(u"other@example.ru"_s);
    Type(card.Edit(dft_req_buh), u"Ivanova"_s);
    ASSERT_TRUE(Save(card));
    EXPECT_EQ(card.result(), QDialog::Accepted) << BoxTexts().join(u'|').toStdString();
    EXPECT_FALSE(SentNames().contains(u"contact_email"_s));
    EXPECT_EQ(Stored(u"1"_s, "req_buh"), u"Ivanova"_s);
    EXPECT_EQ(Stored(u"1"_s, "contact_email"), u"marketing@vkusnaya-tochka.ru"_s);
}

TEST_F(ClientCard, SeveralClientsShowWhatTheyShareAndEachGetsTheChange)
{
    ASSERT_TRUE(SignIn(u"admin"_s, u"admin"_s));
    TFClientCard card({TUDataKey(1), TUDataKey(2)});
    ASSERT_TRUE(Show(card));

    // The same bank for both; different people.
    EXPECT_EQ(card.Edit(dft_req_bank_name)->text(), u"ПАО «Северный банк»"_s);
    EXPECT_EQ(card.Helper().GetTag(card.Edit(dft_req_bank_name)), tvNoChange);
    QLineEdit *person = card.Edit(dft_contact_person);
    EXPECT_EQ(person->text(), QString());
    EXPECT_EQ(card.Helper().GetTag(person), tvDifferent);
    EXPECT_FALSE(person->placeholderText().isEmpty());

    Type(card.Edit(dft_req_bank_ks), u"30101810000000000999"_s);
    Type(card.Edit(dft_contact_address), u"Moscow, Tverskaya 1"_s);
    card.Tabs->setCurrentIndex(1);
    Shot(card, u"quillmarsh-card-several.png"_s);
    ASSERT_TRUE(Save(card));
    EXPECT_EQ(card.result(), QDialog::Accepted) << BoxTexts().join(u'|').toStdString();

    for (const QString &client : {u"1"_s, u"2"_s}) {
        SCOPED_TRACE(client.toStdString());
        EXPECT_EQ(Stored(client, "req_bank_ks"), u"30101810000000000999"_s);
        EXPECT_EQ(Stored(client, "contact_address"), u"Moscow, Tverskaya 1"_s);
    }
    // Untouched differing values stay each client's own.
    EXPECT_EQ(Stored(u"1"_s, "contact_person"), u"Орлова Екатерина"_s);
    EXPECT_EQ(Stored(u"2"_s, "contact_person"), u"Громов Павел"_s);
    EXPECT_FALSE(SentNames().contains(u"contact_person"_s));
}

TEST_F(ClientCard, RefusalsAreShownAndNeverLoseTheInput)
{
    // A role that may list clients but not view one: the card says so and closes.
    const QJsonObject listOnly{
        {"role_object", QJsonArray{QJsonObject{{"obj_id", "client"}, {"obj_owner_test", "N"}}}}};
    svc.Service->AddUser(u"lister"_s, u"lister"_s, u"Список Иван"_s, QString(), u"8"_s, listOnly);
    ASSERT_TRUE(SignIn(u"lister"_s, u"lister"_s));
    {
        TFClientCard card({TUDataKey(1)});
        EXPECT_FALSE(Show(card));
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Boxes[0].Msg.contains(u"нет на это прав"_s)) << Boxes[0].Msg.toStdString();
    }
    complex->UserClose();
    Boxes.clear();

    // The rights changed at the service after sign-in: the save is refused there.
    AddViewer();
    ASSERT_TRUE(SignIn(u"viewer"_s, u"viewer"_s));
    complex->User().Role().SetObjectActionAllow(dot_client, doat_edit, true);
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card));
    Type(card.Edit(dft_contact_phone), u"+7 000"_s);
    ASSERT_TRUE(Save(card));

    EXPECT_TRUE(card.isVisible());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Msg.startsWith(u"Изменения не сохранены"_s)) << Boxes[0].Msg.toStdString();
    EXPECT_EQ(card.Edit(dft_contact_phone)->text(), u"+7 000"_s);
    EXPECT_TRUE(card.ButtonOk->isEnabled());
    EXPECT_EQ(Stored(u"1"_s, "contact_phone"), u"+7 (910) 100-10-20"_s);
}

TEST_F(ClientCard, SessionEndedWhileSavingGoesToErrorProcessing)
{
    ASSERT_TRUE(SignIn(u"admin"_s, u"admin"_s));
    TFClientCard card({TUDataKey(1)});
    ASSERT_TRUE(Show(card));
    Type(card.Edit(dft_contact_phone), u"+7 111"_s);
    svc.Service->ExpireSessions();
    ASSERT_TRUE(Save(card));

    // The core says what happened and offers its remedy; the card adds nothing and closes.
    EXPECT_FALSE(card.isVisible());
    EXPECT_EQ(card.result(), QDialog::Rejected);
    EXPECT_EQ(Errors, (std::vector<TOutdoorCloseReason>{ocrReconnect}));
    EXPECT_EQ(Boxes.size(), 1u) << BoxTexts().join(u'|').toStdString();
    EXPECT_EQ(Stored(u"1"_s, "contact_phone"), u"+7 (910) 100-10-20"_s);
}

} // namespace
