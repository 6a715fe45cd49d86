#include "TestUtil.h"
#include "UAPIDataFields.h"
#include "UAPIDataObjectActions.h"
#include "UAPIDataObjects.h"
#include "UAPIIndex.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

// Every value's name must come back to the value, names must be distinct protocol words, and
// the two look-up forms must agree.
template <typename E>
void CheckAllNames(int count, E nullValue)
{
    QSet<QString> seen;
    for (int i = 0; i < count; ++i) {
        const E value = E(i);
        const QString name = ToName(value);
        SCOPED_TRACE(name.toStdString());
        if (i == 0) {
            EXPECT_TRUE(name.isEmpty());
        } else {
            EXPECT_FALSE(name.isEmpty());
            EXPECT_LE(name.size(), 32);
            for (QChar c : name)
                EXPECT_TRUE((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_');
        }
        EXPECT_FALSE(seen.contains(name));
        seen.insert(name);
        EXPECT_EQ(FromName<E>(QStringView(name)), value);
        const QByteArray latin = name.toLatin1();
        EXPECT_EQ(FromName<E>(QLatin1StringView(latin)), value);
        if (!name.isEmpty()) {
            EXPECT_EQ(FromName<E>(QStringView(name.toUpper())), nullValue);
            EXPECT_EQ(FromName<E>(QStringView(name + u' ')), nullValue);
            EXPECT_NE(FromName<E>(QStringView(name).chopped(1)), value); // may be another name
        }
    }
    EXPECT_EQ(ToName(E(count)), QLatin1StringView());
}

} // namespace

TEST(UAPINames, FieldTypesRoundTripAndKeepTheProtocolOrder)
{
    EXPECT_EQ(DataFieldTypeCount, 526);
    EXPECT_EQ(ToName(dft_id), QLatin1StringView("id"));
    EXPECT_EQ(ToName(dft_period_start), QLatin1StringView("period_start"));
    EXPECT_EQ(ToName(dft_sidh), QLatin1StringView("sidh"));
    EXPECT_EQ(ToName(dft_longtitude), QLatin1StringView("longtitude"));
    EXPECT_EQ(ToName(dft_role_object_field_export_block),
              QLatin1StringView("role_object_field_export_block"));
    EXPECT_EQ(ToName(dft_shop_atb), QLatin1StringView("shop_atb"));
    EXPECT_EQ(int(dft_shop_atb), 525);
    EXPECT_EQ(int(dft_id), 1);
    CheckAllNames<TDataFieldType>(DataFieldTypeCount, dft_null);
}

TEST(UAPINames, ObjectTypesRoundTripAndKeepTheProtocolOrder)
{
    EXPECT_EQ(DataObjectTypeCount, 63);
    EXPECT_EQ(ToName(dot_select), QLatin1StringView("select"));
    EXPECT_EQ(ToName(dot_board_format), QLatin1StringView("board_format"));
    EXPECT_EQ(ToName(dot_proposal), QLatin1StringView("proposal"));
    EXPECT_EQ(int(dot_proposal), 62);
    CheckAllNames<TDataObjectType>(DataObjectTypeCount, dot_null);
}

TEST(UAPINames, ActionTypesRoundTripAndKeepTheProtocolOrder)
{
    EXPECT_EQ(DataObjectActionTypeCount, 9);
    EXPECT_EQ(ToName(doat_add), QLatin1StringView("add"));
    EXPECT_EQ(ToName(doat_edit_mult), QLatin1StringView("edit_mult"));
    EXPECT_EQ(ToName(doat_operator_data), QLatin1StringView("operator_data"));
    EXPECT_EQ(int(doat_operator_data), 8);
    CheckAllNames<TDataObjectActionType>(DataObjectActionTypeCount, doat_null);
}

TEST(UAPINames, TextsThatAreNoNameGiveTheNullValue)
{
    const QString cases[] = {
        QString(), QStringLiteral("Period_Start"), QStringLiteral("period start"), QStringLiteral("null"), QStringLiteral("dft_id"),
        QStringLiteral("id\u0000").left(3), QStringLiteral("\u0438d"), QString(40, u'a'), QStringLiteral("period_startx"),
    };
    for (const QString &text : cases) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(FromName<TDataFieldType>(QStringView(text)), dft_null);
        EXPECT_EQ(FromName<TDataObjectType>(QStringView(text)), dot_null);
        EXPECT_EQ(FromName<TDataObjectActionType>(QStringView(text)), doat_null);
    }
    // A byte above ASCII in an 8-bit column name is no name either.
    EXPECT_EQ(FromName<TDataFieldType>(QLatin1StringView("\xE9" "d")), dft_null);
}

TEST(UAPIIndex, HoldsOneElementPerFieldTypeAndFills)
{
    TDataFieldIndex<int> index;
    EXPECT_EQ(index.Count(), DataFieldTypeCount);
    EXPECT_EQ(index[dft_shop_atb], 0);
    TUAPIIndex::Fill(index, 7);
    index[dft_id] = 1;
    int sevens = 0;
    for (int v : index)
        sevens += v == 7;
    EXPECT_EQ(sevens, DataFieldTypeCount - 1);
    EXPECT_EQ(index[dft_null], 7);
    EXPECT_EQ(index[dft_shop_atb], 7);
}
