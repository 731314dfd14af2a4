#include "Rate.h"

#include "app/func.h"

TCurrRateTable::TCurrRateTable() : IBSQL(NewIBSQL()) {}

TCurrRateTable::~TCurrRateTable() = default;

Variant TCurrRateTable::GetRate(const Variant& ACurr, const Variant& ADate)
{
    if (ACurr.IsNull() || ADate.IsNull()) return Variant::Null();

    if (BaseValuteCode.IsNull()) {
        IBSQL->SQL = QStringList{QStringLiteral("select CURR_ID"), QStringLiteral("from CURR"),
                                 QStringLiteral("where CURR_BASE = 1")};
        {
            TIBSQLCloser closer{*IBSQL};
            IBSQL->ExecQuery();
            if (IBSQL->Eof())
                throw Exception(QStringLiteral("Не возможно получить курс, т.к. не указана базовая валюта"));
            BaseValuteCode = Variant(IBSQL->FieldByName(QStringLiteral("CURR_ID")).AsInteger());
        }
        IBSQL->SQL = QStringList{QStringLiteral("select C.CURRATE_VALUE"), QStringLiteral("from CURRATE C"),
                                 QStringLiteral("where C.CURR_ID = :CURR_ID"),
                                 QStringLiteral("and C.CURRATE_DATE <= :CURRATE_DATE"),
                                 QStringLiteral("order by CURRATE_DATE desc")};
    }

    if (ACurr == BaseValuteCode) return Variant(1);

    const int curr = ACurr.ToInt();
    const TDateTime date = ADate.ToDate();
    for (const auto& r : FItems)
        if (r->Date == date && r->Curr == curr) return Variant(r->Value);

    Currency rate;
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ParamByName(QStringLiteral("CURR_ID")).SetAsInteger(curr);
        IBSQL->ParamByName(QStringLiteral("CURRATE_DATE")).SetAsDate(date);
        IBSQL->ExecQuery();
        if (IBSQL->Eof())
            throw Exception(Format(QStringLiteral("Курс не найден для валюты с кодом \"%d\" на дату \"%s\""),
                                   {curr, DateToStr(date)}));
        rate = IBSQL->FieldByName(QStringLiteral("CURRATE_VALUE")).AsCurrency();
    }
    auto entry = std::make_unique<TCurrRate>();
    entry->Curr = curr;
    entry->Date = date;
    entry->Value = rate;
    FItems.push_back(std::move(entry));
    DebugMessageFmt(QStringLiteral("Запрошен курс для валюты с кодом \"%d\" на дату \"%s\". Он равен \"%g\""),
                    {curr, DateToStr(date), Variant(rate)});
    return Variant(rate);
}
