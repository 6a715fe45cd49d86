// kitgallery: every control of the interface kit in each of its states, filled with sample
// towns, operators, clients and regions, for a person to look at.
//
//   kitgallery [--ready FILE] [--quit-after MS]
//
// --ready writes FILE once the window has been on screen long enough to be painted, so a
// script can take its picture; --quit-after closes it by itself.
#include "FrProgressBase.h"
#include "UComboSimple.h"
#include "UDateTimePicker.h"
#include "UDrawButton.h"
#include "UFCustom.h"
#include "UFormHelper.h"
#include "UFrProgress.h"
#include "URadioGroup.h"
#include "UWiiProgressBar.h"
#include "UnitData.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

template <class Item, class Source>
std::unique_ptr<Source> makeSource(std::initializer_list<std::pair<uint32_t, const char *>> rows, TColor every3rd = clNone)
{
    auto src = std::make_unique<Source>();
    src->SetFreeItems(true);
    int n = 0;
    for (const auto &[key, title] : rows) {
        auto *item = new Item;
        item->SetID(TUDataKey(key));
        item->SetTitle(QString::fromUtf8(title));
        if (++n % 3 == 0)
            item->SetColor(every3rd);
        src->Add(item);
    }
    return src;
}

QGroupBox *section(const QString &title, QLayout *content)
{
    auto *box = new QGroupBox(title);
    box->setLayout(content);
    return box;
}

class TGallery : public TUFormCustom {
public:
    TGallery()
    {
        setWindowTitle(QStringLiteral("Элементы интерфейса"));
        setFixedSize(900, 620);
        FTowns = makeSource<TDataTown, TDataTownSource>({{1, "Томск"}, {2, "Абакан"}, {3, "Москва"}, {4, "Курск"},
                                                         {5, "Омск"}, {6, "Барнаул"}, {7, "Иркутск"}},
                                                        RGBToColor(0xB0, 0x20, 0x20));
        FOperators = makeSource<TDataOperator, TDataOperatorSource>(
            {{11, "Гарант-Медиа"}, {12, "Сибирский щит"}, {13, "Наружка Плюс"}, {14, "Городские экраны"},
             {15, "Билборд-Сервис"}, {16, "Вектор"}});
        FClients = makeSource<TDataClient, TDataClientSource>(
            {{21, "ООО «Ромашка»"}, {22, "ИП Петров"}, {23, "АО «Стройинвест»"}}, RGBToColor(0x20, 0x60, 0xC0));
        FRegions = makeSource<TDataRegion, TDataRegionSource>({{31, "Сибирь"}, {32, "Центр"}, {33, "Урал"}});

        auto *grid = new QGridLayout(this);
        grid->addWidget(section(QStringLiteral("Кнопки с рисунком"), buttons()), 0, 0);
        grid->addWidget(section(QStringLiteral("Индикаторы занятости"), indicators()), 0, 1);
        grid->addWidget(section(QStringLiteral("Выбор из списка"), combos()), 1, 0);
        grid->addWidget(section(QStringLiteral("Группа и поля формы"), fields()), 1, 1);
    }

private:
    QLayout *buttons()
    {
        auto *l = new QGridLayout;
        const TUDrawButtonGlyph glyphs[] = {dgNone, dgCross, dgSearch, dgEllipsis, dgDownTriangle, dgUpTriangle};
        l->addWidget(new QLabel(QStringLiteral("доступны")), 0, 0);
        l->addWidget(new QLabel(QStringLiteral("недоступны")), 1, 0);
        l->addWidget(new QLabel(QStringLiteral("цвет, поле 3")), 2, 0);
        int col = 1;
        for (TUDrawButtonGlyph g : glyphs) {
            for (int row = 0; row < 3; ++row) {
                auto *b = new TUDrawButton;
                b->setFixedSize(24, 24);
                b->SetDrawGlyph(g);
                if (row == 1)
                    b->setEnabled(false);
                if (row == 2) {
                    b->SetGlyphColor(RGBToColor(0x10, 0x70, 0x30));
                    b->SetGlyphMargin(3);
                }
                l->addWidget(b, row, col);
            }
            ++col;
        }
        return l;
    }

    QLayout *indicators()
    {
        auto *l = new QGridLayout;
        auto *plain = new TUWiiProgressBar;
        plain->setFixedSize(50, 50);
        plain->setEnabled(false);
        auto *frame = new TUFrameProgress;
        frame->setFixedSize(50, 50);
        frame->Start();
        auto *base = new TFrameProgressBase;
        base->Start();
        auto *stopped = new TFrameProgressBase;
        for (int i = 0; i < 3; ++i)
            stopped->Progress->Step();
        auto *fancy = new TUWiiProgressBar;
        fancy->setFixedSize(60, 60);
        TBlockAppearance &ap = fancy->Appearance();
        ap.SetBackGroundColor(RGBToColor(0xF4, 0xF4, 0xE8));
        ap.SetBorderColor(RGBToColor(0x60, 0x60, 0x60));
        ap.SetBlockColor(RGBToColor(0x20, 0x40, 0xA0));
        ap.SetBlockColorTo(RGBToColor(0xA0, 0xC0, 0xFF));
        ap.SetBlockColorActive(RGBToColor(0xE0, 0x60, 0x00));
        ap.SetBlockColorActiveTo(RGBToColor(0xFF, 0xE0, 0x40));
        ap.SetBlockBorderColor(RGBToColor(0x10, 0x20, 0x50));
        fancy->SetPadding(3);
        fancy->SetInterval(200);
        auto *gap = new TUWiiProgressBar;
        gap->setFixedSize(50, 50);
        gap->Appearance().SetBlockBorderColorActive(RGBToColor(0x80, 0x80, 0x80));
        gap->setEnabled(false);
        QWidget *items[] = {plain, frame, base, stopped, fancy, gap};
        const char *captions[] = {"стоит", "рамка\nидёт", "базовая\nидёт", "базовая\nстоит", "градиент",
                                  "без\nактивного"};
        for (int i = 0; i < 6; ++i) {
            l->addWidget(items[i], 0, i, Qt::AlignCenter);
            auto *caption = new QLabel(QString::fromUtf8(captions[i]));
            caption->setAlignment(Qt::AlignCenter);
            l->addWidget(caption, 1, i, Qt::AlignHCenter | Qt::AlignTop);
        }
        return l;
    }

    QLayout *combos()
    {
        auto *l = new QGridLayout;
        int row = 0;
        auto add = [&](const char *caption, TUComboSimple *c) {
            c->setFixedWidth(260);
            l->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
            l->addWidget(c, row++, 1);
        };
        auto *town = new TUComboSimple;
        town->SetDataSource(FTowns.get());
        town->SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &) { return false; });
        town->LoadData(TUDataKey(1u));
        add("Город:", town);

        auto *zero = new TUComboSimple;
        zero->SetDataSource(FOperators.get());
        zero->SetZeroTitle(QStringLiteral("(не выбран)"));
        zero->SetUseZeroIndex(true);
        zero->SetButtons(ComboButton(cbClear));
        zero->LoadData();
        add("Оператор:", zero);

        auto *typed = new TUComboSimple;
        typed->SetMode(smDropDownText);
        typed->SetDataSource(FClients.get());
        typed->SetOnSearch([](TUCustomComboSimple *, std::unique_ptr<TUDataItem> &) { return false; });
        typed->LoadData(TUDataKey(23u));
        add("Клиент:", typed);

        auto *multi = new TUComboSimple;
        multi->SetMode(smMultiSelect);
        multi->SetDataSource(FOperators.get());
        multi->SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &) { return false; });
        TUDataKeyList picked{11u, 13u, 14u, 16u};
        multi->LoadData(&picked);
        add("Операторы:", multi);

        auto *disabled = new TUComboSimple;
        disabled->SetDataSource(FTowns.get());
        disabled->SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &) { return false; });
        disabled->LoadData(TUDataKey(3u));
        disabled->setEnabled(false);
        add("Недоступен:", disabled);

        auto *high = new TUComboSimple;
        high->SetDataSource(FTowns.get());
        high->SetButtons(ComboButton(cbSelect) | ComboButton(cbClear));
        high->SetOnSelect([](TUCustomComboSimple *, TUDataKeyList &) { return false; });
        high->setFixedHeight(26);
        high->LoadData(TUDataKey(6u));
        add("Высота 26:", high);

        auto *radio = new TURadioGroup;
        radio->setTitle(QStringLiteral("Регион"));
        radio->SetDataSource(FRegions.get());
        radio->SetSorted(true);
        radio->LoadData(TUDataKey(33u));
        l->addWidget(radio, row, 0, 1, 2);
        return l;
    }

    QLayout *fields()
    {
        auto *l = new QGridLayout;
        int row = 0;
        auto add = [&](const char *caption, QWidget *w) {
            l->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
            l->addWidget(w, row++, 1);
        };
        // Three records edited at once: what they share shows, what differs is neutral.
        TUFormHelper &h = Helper();
        auto *count = new QLineEdit;
        AttachKeyFilter(count, &TUFormCustom::KeyPressForDigitalEdit);
        auto *price = new QLineEdit;
        AttachKeyFilter(price, &TUFormCustom::KeyPressForFloatEdit);
        auto *shift = new QLineEdit;
        AttachKeyFilter(shift, &TUFormCustom::KeyPressForFloatEditWNV);
        auto *list = new QLineEdit;
        AttachKeyFilter(list, &TUFormCustom::KeyPressForDigitalEditWithList);
        auto *lit = new QCheckBox(QStringLiteral("Подсветка"));
        auto *paid = new QCheckBox(QStringLiteral("Оплачено"));
        auto *date = new TUDateTimePicker;
        date->SetShowCheckbox(true);
        auto *until = new TUDateTimePicker;
        until->SetShowCheckbox(true);
        for (QWidget *w : std::initializer_list<QWidget *>{count, price, shift, list, lit, paid, date, until})
            h.SetTag(w, tvUndefined);
        const double prices[] = {1200.5, 1200.5, 990};
        for (int r = 0; r < 3; ++r) {
            h.SetTaged(count, int32_t(12));
            h.SetTaged(price, prices[r]);
            h.SetTaged(shift, -2.5);
            h.SetTaged(list, QStringLiteral("3,5,8"), QString());
            h.SetTaged(lit, r != 1);
            h.SetTaged(paid, true);
            h.SetTaged(date, TDateTime::Encode(2024, 5, 1), true, false);
            h.SetTaged(until, TDateTime::Encode(2024, 6, r + 1), true, false);
        }
        add("Количество (цифры):", count);
        add("Цена (разные):", price);
        add("Сдвиг (со знаком):", shift);
        add("Стороны (список):", list);
        add("Флажок (разные):", lit);
        add("Флажок (общий):", paid);
        add("Дата (общая):", date);
        add("Дата (разные):", until);
        auto *readOnly = new QLineEdit(QStringLiteral("только чтение"));
        readOnly->setReadOnly(true);
        add("Поле:", readOnly);
        auto *off = new QLineEdit(QStringLiteral("недоступно"));
        off->setEnabled(false);
        add("Поле:", off);
        return l;
    }

    std::unique_ptr<TDataTownSource> FTowns;
    std::unique_ptr<TDataOperatorSource> FOperators;
    std::unique_ptr<TDataClientSource> FClients;
    std::unique_ptr<TDataRegionSource> FRegions;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString ready;
    int quitAfter = 0;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--ready"))
            ready = args[++i];
        else if (args[i] == QLatin1String("--quit-after"))
            quitAfter = args[++i].toInt();
    }
    TGallery gallery;
    gallery.move(0, 0);
    gallery.show();
    if (!ready.isEmpty())
        QTimer::singleShot(700, [ready] {
            QFile f(ready);
            if (f.open(QIODevice::WriteOnly))
                f.write("shown\n");
        });
    if (quitAfter > 0)
        QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    QObject::connect(&gallery, &QDialog::finished, &app, &QApplication::quit);
    return app.exec();
}
