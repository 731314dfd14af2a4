#include "FilterList.h"

#include "Tbl.h"
#include "app/func.h"

// --------------------------------------------------------- node kind codes

std::array<TFilterTreeTypeRec, 10> FilterTreeTypeTable = {{
    {0, QStringLiteral("And"), ftAnd},
    {0, QStringLiteral("Or"), ftOr},
    {0, QStringLiteral("Equal"), ftEqual},
    {0, QStringLiteral("Greater"), ftGreater},
    {0, QStringLiteral("Less"), ftLess},
    {0, QStringLiteral("Empty"), ftEmpty},
    {0, QStringLiteral("Containing"), ftContaining},
    {0, QStringLiteral("Between"), ftBetween},
    {0, QStringLiteral("In"), ftIn},
    {0, QStringLiteral("Exist"), ftExist},
}};

namespace {
bool FilterTreeTypeTableLoaded = false;

}  // namespace

void LoadFilterTreeTypeTable()
{
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral("select * from FLTRTRTP")};
    {
        TIBSQLCloser closer{*q};
        q->ExecQuery();
        while (!q->Eof()) {
            const QString name = q->FieldByName(QStringLiteral("FLTRTRTP_NAME")).AsString();
            for (auto& r : FilterTreeTypeTable)
                if (r.Name == name) {
                    r.ID = q->FieldByName(QStringLiteral("FLTRTRTP_ID")).AsInteger();
                    break;
                }
            q->Next();
        }
    }
    FilterTreeTypeTableLoaded = true;
}

void ResetFilterTreeTypeTable()
{
    for (auto& r : FilterTreeTypeTable) r.ID = 0;
    FilterTreeTypeTableLoaded = false;
}

TFilterTreeType CodeToFilterTreeType(int ACode)
{
    if (!FilterTreeTypeTableLoaded) LoadFilterTreeTypeTable();
    for (const auto& r : FilterTreeTypeTable)
        if (r.ID == ACode) return r.FilterTreeType;
    throw Exception(Format(QStringLiteral("CodeToFilterTreeType: Тип узла фильтра с кодом %d не найден"), {ACode}));
}

// --------------------------------------------------------------- TFilterList

TFilterList::TFilterList() : IBSql(NewIBSQL()) {}

TFilterList::~TFilterList()
{
    IBSql.reset();
    FItems.clear();
}

TFilter* TFilterList::Add(std::unique_ptr<TFilter> AFilter)
{
    FItems.push_back(std::move(AFilter));
    return FItems.back().get();
}

void TFilterList::Load(TTbl* ATbl)
{
    Clear();
    QStringList sql{QStringLiteral("select FLTR_ID"), QStringLiteral("from FLTR F"),
                    QStringLiteral("where F.FLTR_ALWAYS = 1")};
    if (DevMode) sql << QStringLiteral("and F.FLTR_DEV <> 1");
    sql << QStringLiteral("and ((F.TBL_ID = :TBL_ID)");
    if (ATbl->ObjLink) sql << QStringLiteral("or (F.DEP_ID = :DEP_ID)");
    sql << QStringLiteral("or (F.OBJ_ID = :OBJ_ID)") << QStringLiteral(")");
    IBSql->SQL = sql;
    IBSql->ParamByName(QStringLiteral("TBL_ID")).SetAsInteger(ATbl->Id);
    if (ATbl->ObjLink) IBSql->ParamByName(QStringLiteral("DEP_ID")).SetAsInteger(ATbl->ObjLink->Id);
    IBSql->ParamByName(QStringLiteral("OBJ_ID")).SetAsInteger(ATbl->GetObj()->Id);

    TIBSQLCloser closer{*IBSql};
    IBSql->ExecQuery();
    while (!IBSql->Eof()) {
        auto filter = std::make_unique<TFilter>();
        filter->RaiseLoad = true;
        filter->LoadById(IBSql->Fields(0).AsInteger());  // a failure frees the filter
        Add(std::move(filter));
        IBSql->Next();
    }
}

TFilter* TFilterList::GetByName(const QString& AName) const
{
    for (const auto& f : FItems)
        if (f->Name == AName) return f.get();
    return nullptr;
}
