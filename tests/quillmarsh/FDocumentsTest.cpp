// The documents panel against the seeded stand-in service: a template opened from the document
// cache, edited on disk and sent back by tracking, and what the panel says about it.
#include "FDocuments.h"
#include "QuillFixture.h"

#include "UFDialog.h"
#include "UnitData.h"
#include "UnitDocManager.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

class Documents : public QuillFixture {
protected:
    void SetUp() override
    {
        QuillFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(SignIn(u"ivanov"_s, u"Щит2026"_s));
        panel = std::make_unique<TFDocuments>();
        panel->SetRefreshInterval(20);
        panel->resize(720, 340);
        panel->show();
    }
    void TearDown() override
    {
        panel.reset();
        QuillFixture::TearDown();
    }

    // Presses "ОТКРЫТЬ" on that template and waits for the shell to be asked to open something.
    bool Open(uint32_t Template)
    {
        for (int i = 0; i < panel->List->topLevelItemCount(); ++i)
            if (panel->List->topLevelItem(i)->data(0, Qt::UserRole).toString() == QString::number(Template))
                panel->List->setCurrentItem(panel->List->topLevelItem(i));
        const qsizetype before = Opened.size();
        QTest::mouseClick(panel->ButtonOpen, Qt::LeftButton);
        return testutil::waitUntil([&] { return Opened.size() > before || !Boxes.empty(); }) && Opened.size() > before;
    }
    TUAPIFile FileOf(uint32_t Template) const
    {
        TDataDocTemplate *tpl = nullptr;
        complex->Cache().GetData(ctDocTemplate)->TryGetValue(TUDataKey(Template), tpl);
        return tpl ? tpl->FileData() : TUAPIFile();
    }
    // What a person does in an office program: the copy changes, with a later time.
    static QByteArray Edit(const QString &Copy)
    {
        const QByteArray edited = testutil::readFile(Copy).replace("}\r\n", "\\par Edited.\\par}\r\n");
        testutil::saveLater(Copy, edited, 5);
        return edited;
    }
    int Downloads() const
    {
        int n = 0;
        for (const TStandinRequest &r : svc.Service->Requests())
            n += r.Path.endsWith("filebase_get.php");
        return n;
    }
    bool Says(const QString &Text) const
    {
        return testutil::waitUntil([&] { return panel->LabelTracking->text().contains(Text); });
    }

    std::unique_ptr<TFDocuments> panel;
};

TEST_F(Documents, OpenedTemplateEditedOnDiskGoesBackByItself)
{
    ASSERT_EQ(panel->List->topLevelItemCount(), 4);
    EXPECT_EQ(panel->List->topLevelItem(0)->text(0), u"Договор на размещение рекламы"_s);
    EXPECT_EQ(panel->List->topLevelItem(0)->text(2), u"нет"_s);

    const TUAPIFile file = FileOf(1);
    const QString copy = complex->Vars().CacheDocDir() + file.FileName();
    ASSERT_TRUE(Open(1)) << BoxTexts().join(u'|').toStdString();
    EXPECT_EQ(Opened, QStringList{copy});
    EXPECT_TRUE(testutil::readFile(copy).startsWith("{\\rtf1"));
    EXPECT_FALSE(panel->Loading());
    EXPECT_TRUE(testutil::waitUntil([&] { return panel->List->topLevelItem(0)->text(2) == u"есть"_s; }));

    const QByteArray edited = Edit(copy);
    const QString newHash = QString::fromLatin1(QCryptographicHash::hash(edited, QCryptographicHash::Md5).toHex());
    ASSERT_TRUE(testutil::waitUntil(
        [&] { return store.Record(u"doc_template"_s, u"1"_s)->value(u"fhash"_s).toString() == newHash; },
        std::chrono::seconds(20)));
    EXPECT_EQ(testutil::readFile(store.File(file.FID.ToString())->Path), edited);
    EXPECT_TRUE(Says(u"Изменённый документ отправлен на сервер в"_s)) << panel->LabelTracking->text().toStdString();
    Shot(*panel, u"quillmarsh-documents.png"_s);

    // Opened again, the copy that was sent is what opens: nothing is downloaded over it.
    const int downloads = Downloads();
    ASSERT_TRUE(Open(1));
    EXPECT_EQ(Opened.last(), complex->Vars().CacheDocDir() + newHash + u".rtf"_s);
    EXPECT_EQ(testutil::readFile(Opened.last()), edited);
    EXPECT_EQ(Downloads(), downloads);
    EXPECT_TRUE(Boxes.empty()) << BoxTexts().join(u'|').toStdString();
}

TEST_F(Documents, FailedDownloadAndFailedSendingAreSaid)
{
    // A download that breaks off: said, nothing opened, no copy left.
    TStandinService::TFileFaults cut;
    cut.CutDownloads = true;
    svc.Service->SetFileFaults(cut);
    EXPECT_FALSE(Open(2));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Msg.startsWith(u"Не удалось загрузить документ"_s)) << Boxes[0].Msg.toStdString();
    EXPECT_FALSE(panel->Loading());
    EXPECT_TRUE(panel->ButtonOpen->isEnabled());
    EXPECT_FALSE(QFile::exists(complex->Vars().CacheDocDir() + FileOf(2).FileName()));
    svc.Service->SetFileFaults({});
    Boxes.clear();

    ASSERT_TRUE(Open(2)) << BoxTexts().join(u'|').toStdString();
    // The session ends at the service: every send-back is refused until the user signs in again.
    svc.Service->ExpireSessions();
    Edit(Opened.last());
    EXPECT_TRUE(Says(u"Не удалось отправить изменённый документ"_s)) << panel->LabelTracking->text().toStdString();
    EXPECT_FALSE(Errors.empty());

    ASSERT_TRUE(SignIn(u"ivanov"_s, u"Щит2026"_s));
    EXPECT_TRUE(Says(u"Изменённый документ отправлен на сервер в"_s)) << panel->LabelTracking->text().toStdString();
}

} // namespace
