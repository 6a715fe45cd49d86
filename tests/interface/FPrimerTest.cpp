#include "FPrimer.h"
#include "TestUtil.h"
#include "UCodePage.h"
#include "UDialogs.h"
#include "UIniFile.h"
#include "UFDialog.h"
#include "UnitComplex.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FPrimer : public ::testing::Test {
protected:
    void SetUp() override
    {
        old = TUDialogs::SetHandler([this](const TUMessageBoxRequest &r) {
            messages << r.Msg;
            return mrOk;
        });
    }
    void TearDown() override
    {
        TUDialogs::SetHandler(old);
        QDir::setCurrent(saved);
    }
    void Type(QLineEdit *edit, const QString &text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    QString saved = QDir::currentPath();
    testutil::TempDir dir;
    QString ini = dir.file(QStringLiteral("tessaplan.ini"));
    TUDialogs::THandler old;
    QStringList messages;
};

} // namespace

TEST_F(FPrimer, WrittenSettingsAreWhatDeskstartReads)
{
    TFormPrimer form(ini);
    form.show();
    Type(form.eAPI, QStringLiteral("http://service.example:8080/api/"));
    Type(form.eID, QStringLiteral("17"));
    form.eXID->setText(QStringLiteral("Клиент")); // keyClicks types ASCII only
    Type(form.eProxyHost, QStringLiteral("proxy.local"));
    Type(form.eProxyPort, QStringLiteral("3128"));
    Type(form.eProxyUser, QStringLiteral("user"));
    Type(form.eProxyPassword, QStringLiteral("pa ss=1"));
    QTest::mouseClick(form.ButtonOk, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();

    const QByteArray text = testutil::readFile(ini);
    EXPECT_TRUE(text.startsWith("# ")) << "comment lines";
    EXPECT_TRUE(text.contains("\r\nAPI = service.example:8080/api\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("XID = " + TUCodePage::FromUnicode(u"Клиент") + "\r\n"));

    auto complex = std::make_unique<TComplex>(dir.file(QStringLiteral("deskstart.exe")));
    complex->Vars().SetConfigFileName(QStringLiteral("tessaplan.ini"));
    ASSERT_TRUE(complex->InitVarsFromConfig());
    EXPECT_EQ(complex->Host(), QStringLiteral("http://service.example:8080/api/"));
    EXPECT_EQ(complex->APIAuth().XDB, TUDataKey(17u));
    EXPECT_EQ(complex->APIAuth().XID, TUDataKey(QStringLiteral("клиент")));
    EXPECT_EQ(complex->Proxy().Port, 3128);
    EXPECT_EQ(complex->Proxy().Password, QStringLiteral("pa ss=1"));
    EXPECT_TRUE(complex->Proxy().Auth);
}

TEST_F(FPrimer, IncompleteOrUnsavableInputIsRefused)
{
    const struct {
        const char *name;
        QString api, id, xid, port;
    } cases[] = {
        {"no address", "", "1", "2", ""},
        {"no database", "host", "", "2", ""},
        {"no client", "host", "1", " ", ""},
        {"character outside the code page", "host", "1", "汉", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        TFormPrimer form(ini);
        form.eAPI->setText(c.api);
        form.eID->setText(c.id);
        form.eXID->setText(c.xid);
        form.eProxyPort->setText(c.port);
        EXPECT_FALSE(form.SaveConfig());
        EXPECT_EQ(messages.size(), 1);
        EXPECT_FALSE(QFileInfo::exists(ini));
    }
}

TEST_F(FPrimer, EditsAnExistingFileAndKeepsForeignKeys)
{
    testutil::writeFile(ini, "api=old.host\r\nID=5\r\nXID=6\r\nPROXYPORT=8080\r\nTHEME=dark\r\n");
    TFormPrimer form(ini);
    form.LoadConfig();
    EXPECT_EQ(form.eAPI->text(), QStringLiteral("old.host"));
    EXPECT_EQ(form.eProxyPort->text(), QStringLiteral("8080"));
    form.eID->setText(QStringLiteral("7"));
    ASSERT_TRUE(form.SaveConfig());

    TKeyValue<QString> dict;
    ASSERT_TRUE(TUIniFile::LoadFromFile(ini, dict));
    EXPECT_EQ(dict.GetKeyValue(QStringLiteral("ID")), QStringLiteral("7"));
    EXPECT_EQ(dict.GetKeyValue(QStringLiteral("API")), QStringLiteral("old.host"));
    EXPECT_EQ(dict.GetKeyValue(QStringLiteral("THEME")), QStringLiteral("dark"));
}

TEST_F(FPrimer, BehavesLikeTheKitsDialogs)
{
    const struct {
        const char *name;
        Qt::Key key;
        int result;
        bool written;
    } cases[] = {
        {"Enter is OK", Qt::Key_Return, QDialog::Accepted, true},
        {"Escape cancels", Qt::Key_Escape, QDialog::Rejected, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ini);
        TFormPrimer form(ini);
        EXPECT_EQ(form.ButtonOk->text(), QStringLiteral("OK"));
        EXPECT_EQ(form.ButtonClose->text(), QStringLiteral("ОТМЕНА"));
        form.show();
        EXPECT_TRUE(form.ButtonOk->isEnabled()) << "OK needs no change first";
        form.eAPI->setText(QStringLiteral("host"));
        form.eID->setText(QStringLiteral("1"));
        form.eXID->setText(QStringLiteral("2"));
        QTest::keyClick(form.eID, c.key);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), c.result);
        EXPECT_EQ(QFileInfo::exists(ini), c.written);
    }
}
