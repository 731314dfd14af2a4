// Currency rates: the per-record cache, its queries, the base currency and
// the messages, directly and through a Rate formula.
#include "RecordsFixture.h"

namespace {

const QString kBaseSql = QStringLiteral("select CURR_ID\r\nfrom CURR\r\nwhere CURR_BASE = 1");
const QString kRateSql = QStringLiteral(
    "select C.CURRATE_VALUE\r\nfrom CURRATE C\r\nwhere C.CURR_ID = :CURR_ID\r\nand C.CURRATE_DATE <= :CURRATE_DATE\r\n"
    "order by CURRATE_DATE desc");

Variant Day(int ADay, int AMonth = 3) { return Variant::FromDate(EncodeDate(2024, AMonth, ADay)); }

// Currency 1 is the base, 2 has rates from 1 and 10 March 2024, 3 has none.
class RateTest : public RecordsTest {
protected:
    QChar SavedSeparator;

    void SetUp() override
    {
        SavedSeparator = DecimalSeparator();
        SetDecimalSeparator(QLatin1Char('.'));
        S.Exec(QStringLiteral("insert into CURR (CURR_ID, CURR_BASE) values (1, 1)"));
        S.Exec(QStringLiteral("insert into CURR (CURR_ID, CURR_BASE) values (2, 0)"));
        S.Exec(QStringLiteral("insert into CURR (CURR_ID, CURR_BASE) values (3, 0)"));
        S.Exec(QStringLiteral("insert into CURRATE values (1, 2, '2024-03-01', 90.5)"));
        S.Exec(QStringLiteral("insert into CURRATE values (2, 2, '2024-03-10', 92.25)"));
    }
    void TearDown() override { SetDecimalSeparator(SavedSeparator); }
};

TEST_F(RateTest, OneQueryPerCurrencyAndRequestedDate)
{
    TCurrRateTable rates;
    TSqlTrace trace;
    TDebugCapture debug;
    EXPECT_EQ(rates.GetRate(2, Day(5)), Variant(Currency::FromDouble(90.5)));
    EXPECT_EQ(trace.Statements, (QStringList{kBaseSql, kRateSql}));
    EXPECT_EQ(debug.Messages,
              QStringList{QStringLiteral("Запрошен курс для валюты с кодом \"2\" на дату \"05.03.2024\". Он равен \"90.5\"")});

    trace.Clear();
    EXPECT_EQ(rates.GetRate(2, Day(5)), Variant(Currency::FromDouble(90.5)));
    EXPECT_TRUE(trace.Statements.isEmpty());

    // The cache is keyed by the date asked for, not by the rate row found.
    EXPECT_EQ(rates.GetRate(2, Day(6)), Variant(Currency::FromDouble(90.5)));
    EXPECT_EQ(rates.GetRate(2, Day(10)), Variant(Currency::FromDouble(92.25)));
    EXPECT_EQ(trace.Statements, (QStringList{kRateSql, kRateSql}));
    EXPECT_EQ(rates.Count(), 3);

    // The base currency is 1 on any date, without a query.
    trace.Clear();
    EXPECT_EQ(rates.GetRate(1, Day(1, 1)), Variant(1));
    EXPECT_TRUE(trace.Statements.isEmpty());
}

TEST_F(RateTest, NullArgumentsGiveNullWithoutAsking)
{
    TCurrRateTable rates;
    TSqlTrace trace;
    EXPECT_TRUE(rates.GetRate(Variant::Null(), Day(5)).IsNull());
    EXPECT_TRUE(rates.GetRate(2, Variant::Null()).IsNull());
    EXPECT_TRUE(trace.Statements.isEmpty());
}

TEST_F(RateTest, MissingBaseOrRateIsReported)
{
    S.Exec(QStringLiteral("update CURR set CURR_BASE = 0"));
    TCurrRateTable rates;
    EXPECT_EQ(ErrorOf([&] { rates.GetRate(2, Day(5)); }),
              QStringLiteral("Не возможно получить курс, т.к. не указана базовая валюта"));
    S.Exec(QStringLiteral("update CURR set CURR_BASE = 1 where CURR_ID = 1"));
    EXPECT_EQ(rates.GetRate(1, Day(5)), Variant(1));  // the lookup is tried again

    EXPECT_EQ(ErrorOf([&] { rates.GetRate(3, Day(5)); }),
              QStringLiteral("Курс не найден для валюты с кодом \"3\" на дату \"05.03.2024\""));
    EXPECT_EQ(ErrorOf([&] { rates.GetRate(2, Day(29, 2)); }),
              QStringLiteral("Курс не найден для валюты с кодом \"2\" на дату \"29.02.2024\""));
    EXPECT_EQ(rates.Count(), 0);
}

TEST_F(RateTest, RateFormulaUsesTheRecordsCache)
{
    int obj = AddTable(QStringLiteral("FX"), QStringLiteral("Валютные"),
                       QStringLiteral("CURR_ID integer, FX_DATE date, FX_RATE numeric(18,4)"));
    int curr = C.AddFld(obj, QStringLiteral("CURR_ID"), QStringLiteral("int"), QStringLiteral("Валюта"));
    int date = C.AddFld(obj, QStringLiteral("FX_DATE"), QStringLiteral("date"), QStringLiteral("Дата"));
    int rate = C.AddFld(obj, QStringLiteral("FX_RATE"), QStringLiteral("num184"), QStringLiteral("Курс"));
    SetFormula(rate, Fn(QStringLiteral("Rate"), {Ref(curr), Ref(date)}));
    LoadObjList();

    auto atr = NewAtr(obj);
    atr->SetDefaultValues(nullptr, Variant::Null());
    TAtrItem* value = atr->GetByFldName(QStringLiteral("FX_RATE"));
    EXPECT_TRUE(value->Value().IsNull());
    TSqlTrace trace;
    atr->GetByFldName(QStringLiteral("CURR_ID"))->SetValue(2);
    atr->GetByFldName(QStringLiteral("FX_DATE"))->SetValue(Day(5));
    EXPECT_EQ(value->Value(), Variant(90.5));
    atr->GetByFldName(QStringLiteral("FX_DATE"))->SetValue(Day(5));
    atr->GetByFldName(QStringLiteral("CURR_ID"))->SetValue(2);
    EXPECT_EQ(trace.Count(QStringLiteral("from CURRATE")), 1);
    atr->GetByFldName(QStringLiteral("FX_DATE"))->SetValue(Day(10));
    EXPECT_EQ(value->Value(), Variant(92.25));
    EXPECT_EQ(trace.Count(QStringLiteral("from CURRATE")), 2);
    EXPECT_EQ(trace.Count(QStringLiteral("from CURR\r\n")), 1);
}

}  // namespace
