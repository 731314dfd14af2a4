#include "ErrorOf.h"
#include "CatalogFixture.h"
#include "meta/Formula.h"
#include "meta/Obj.h"

#include <gtest/gtest.h>

namespace {

class CatalogLoad : public ::testing::Test {
protected:
    TTestSession S;
    TCatalogFixture C{S};
};

// A small trading catalogue: clients, deals referring to clients, deal lines
// with a summing field on deals.
struct TTrade {
    int Client, Deal, Line;
    int DealClient, LineDeal, LineSum, DealTotal;
    int DepClientDeal, DepDealLine;

    explicit TTrade(TCatalogFixture& C)
    {
        Client = C.AddObj(QStringLiteral("CLIENT"), QStringLiteral("Клиенты"), true);
        int name = C.AddFld(Client, QStringLiteral("CLIENT_NAME"), QStringLiteral("string"), QStringLiteral("Клиент"), 80);
        C.S.Exec(QStringLiteral("update FLD set FLD_MAIN = 1 where FLD_ID = %1").arg(name));
        Deal = C.AddObj(QStringLiteral("DEAL"), QStringLiteral("Сделки"));
        DealClient = C.AddFld(Deal, QStringLiteral("CLIENT_ID"), QStringLiteral("fk"), QStringLiteral("Клиент"));
        Line = C.AddObj(QStringLiteral("DEALPROD"), QStringLiteral("Строки"), false, true);
        LineDeal = C.AddFld(Line, QStringLiteral("DEAL_ID"), QStringLiteral("fk"), QStringLiteral("Сделка"));
        LineSum = C.AddFld(Line, QStringLiteral("DEALPROD_SUM"), QStringLiteral("num182"), QStringLiteral("Сумма"));
        DepClientDeal = C.AddDep(Client, DealClient, QStringLiteral("ClientDeal"), QStringLiteral("NoAction"));
        DepDealLine = C.AddDep(Deal, LineDeal, QStringLiteral("DealProd"), QStringLiteral("Cascade"));
        DealTotal = C.AddFld(Deal, QStringLiteral("DEAL_TOTAL"), QStringLiteral("num182"), QStringLiteral("Итого"), 0,
                             QStringLiteral("DEP_ID_AGR, FLD_ID_AGR"),
                             QStringLiteral("%1, %2").arg(DepDealLine).arg(LineSum));
    }
};

TEST_F(CatalogLoad, ObjectsFieldsAndLinksKeepDatabaseOrderAndResolve)
{
    TTrade t(C);
    LoadObjList();
    ASSERT_EQ(ObjList->Count(), 3);
    EXPECT_EQ(ObjList->Items(0)->Table, "CLIENT");
    EXPECT_EQ(ObjList->Items(1)->Table, "DEAL");
    EXPECT_EQ(ObjList->Items(2)->Table, "DEALPROD");
    EXPECT_TRUE(ObjList->Items(0)->Ref);
    EXPECT_TRUE(ObjList->Items(2)->Meta);

    TObj* deal = ObjList->GetObjByTable(QStringLiteral("DEAL"));
    QStringList fields;
    for (TFld* f : *deal->FldList) fields << f->Field;
    EXPECT_EQ(fields, (QStringList{"DEAL_ID", "CLIENT_ID", "DEAL_TOTAL"}));

    TObj* client = ObjList->GetObjById(t.Client);
    TObj* line = ObjList->GetObjById(t.Line);
    TFld* dealClient = deal->FldList->GetFldByFldName(QStringLiteral("CLIENT_ID"));
    ASSERT_EQ(dealClient->FKObj, client);
    EXPECT_EQ(dealClient->FKRule, fkNoAction);
    TObjLink* dealProd = deal->ChildList->GetByName(QStringLiteral("DealProd"));
    ASSERT_NE(dealProd, nullptr);
    EXPECT_EQ(dealProd->ParentObj, deal);
    EXPECT_EQ(dealProd->ChildFld->Obj, line);
    EXPECT_EQ(dealProd->DeleteRule, fkCascade);
    EXPECT_EQ(line->ParentList->GetByFld(dealProd->ChildFld), dealProd);
    EXPECT_EQ(deal->ChildList->GetByChiObjTable(QStringLiteral("DEALPROD")), dealProd);
    EXPECT_EQ(ObjList->GetObjLinkById(t.DepDealLine), dealProd);
    EXPECT_EQ(ObjList->GetFldById(t.LineSum)->Obj, line);

    TFld* total = deal->FldList->GetFldByFldName(QStringLiteral("DEAL_TOTAL"));
    EXPECT_EQ(total->AgrObjLink, dealProd);
    EXPECT_EQ(total->AgrFld, ObjList->GetFldById(t.LineSum));

    EXPECT_EQ(client->FldList->GetMainFld(true)->Field, "CLIENT_NAME");
    EXPECT_EQ(deal->FldList->GetMainFld(false), nullptr);
    EXPECT_EQ(ErrorOf([&] { deal->FldList->GetMainFld(true); }),
              "Главное поле для объекта \"Сделки\" не определено");
    EXPECT_EQ(deal->ChildList->RemoveById(t.DepDealLine), 0);
    EXPECT_EQ(deal->ChildList->RemoveById(t.DepDealLine), -1);
    line->ParentList->Clear();  // the link is gone; keep the other list honest
}

TEST_F(CatalogLoad, LookupsReportWhatIsMissing)
{
    TTrade t(C);
    LoadObjList();
    EXPECT_EQ(ErrorOf([] { ObjList->GetObjById(999999); }), "Объект с кодом 999999 не найден");
    EXPECT_EQ(ErrorOf([] { ObjList->GetObjByTable(QStringLiteral("deal")); }),
              "Объект с таблицей \"deal\" не найден");  // case-sensitive
    EXPECT_EQ(ErrorOf([] { ObjList->GetFldById(999999); }), "Поле с кодом \"999999\" среди объектов не найдено");
    EXPECT_EQ(ErrorOf([] { ObjList->GetObjLinkById(999999); }), "Связь с кодом 999999 среди объектов не найдена");
    TObj* deal = ObjList->GetObjByTable(QStringLiteral("DEAL"));
    EXPECT_EQ(deal->FldList->GetFldById(999999), nullptr);
    EXPECT_EQ(deal->FldList->GetFldByFldName(QStringLiteral("deal_id")), nullptr);
    EXPECT_EQ(deal->ChildList->GetByName(QStringLiteral("dealprod")), nullptr);
}

TEST_F(CatalogLoad, ProgressRunsThroughBothPasses)
{
    TTrade t(C);
    QList<QPair<int, int>> calls;
    OnLoadProgress = [&](int APos, int AMax) { calls << qMakePair(APos, AMax); };
    LoadObjList();
    OnLoadProgress = nullptr;
    // Pass 1: fetched div 2 of the total; pass 2: i div 2 + n div 2 of n.
    QList<QPair<int, int>> expected{{0, 3}, {1, 3}, {1, 3}, {1, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(calls, expected);
}

TEST_F(CatalogLoad, BrokenReferencesStopTheLoad)
{
    TTrade t(C);
    // The summing link belongs to another object.
    S.Exec(QStringLiteral("update FLD set DEP_ID_AGR = %1 where FLD_ID = %2").arg(t.DepClientDeal).arg(t.DealTotal));
    EXPECT_EQ(ErrorOf([] { LoadObjList(); }),
              QStringLiteral("TObj.LoadRefs: Не удалось найти связь по коду \"%1\"").arg(t.DepClientDeal));
    FreeObjList();

    S.Exec(QStringLiteral("update FLD set DEP_ID_AGR = %1, FLD_ID_AGR = %2 where FLD_ID = %3")
               .arg(t.DepDealLine)
               .arg(t.DealClient)
               .arg(t.DealTotal));
    EXPECT_EQ(ErrorOf([] { LoadObjList(); }),
              QStringLiteral("TObj.LoadRefs: Не удалось найти поле по коду \"%1\"").arg(t.DealClient));
    FreeObjList();

    // A stored reference field without a link is refused with its name.
    S.Exec(QStringLiteral("update FLD set DEP_ID_AGR = null, FLD_ID_AGR = null where FLD_ID = %1").arg(t.DealTotal));
    C.AddFld(t.Line, QStringLiteral("CLIENT_ID"), QStringLiteral("fk"), QStringLiteral("Клиент"));
    EXPECT_EQ(ErrorOf([] { LoadObjList(); }),
              "TObj.ResolveFKFields: Для поля \"CLIENT_ID\" объекта \"Строки\" не найдена связь");
    FreeObjList();
}

TEST_F(CatalogLoad, NewIdComesFromTheKeySequence)
{
    C.AddObj(QStringLiteral("T1"), QStringLiteral("T1"));
    S.Exec(QStringLiteral("create sequence T1_ID"));
    LoadObjList();
    TObj* t1 = ObjList->GetObjByTable(QStringLiteral("T1"));
    int a = t1->GetNewId();
    EXPECT_EQ(t1->GetNewId(), a + 1);
    EXPECT_EQ(GenId(QStringLiteral("T1_ID")), a + 2);
}

class CodeTables : public CatalogLoad {};

TEST_F(CodeTables, MapNamesToIdsAndReportUnknownCodes)
{
    EXPECT_EQ(CodeToFldType(FldTypeId(QStringLiteral("Formula"))), ftFormula);
    EXPECT_EQ(FldTypeToCode(ftDate), FldTypeId(QStringLiteral("date")));
    EXPECT_EQ(CodeToFKRule(FKRuleId(QStringLiteral("SetNull"))), fkSetNull);
    EXPECT_EQ(CodeToFormulaFunc(FrmlFuncId(QStringLiteral("ParId"))), ffParId);
    EXPECT_FALSE(FormulaFuncToCapt(ffAdd).isEmpty());

    struct Case {
        std::function<void()> Action;
        QString Message;
    } cases[] = {
        {[] { CodeToFldType(-7); }, "CodeToFldType: Тип поля с кодом \"-7\" не найден"},
        {[] { CodeToFKRule(-7); }, "FKRule with code -7 not found"},
        {[] { FKRuleToCode(fkNone); }, "FKRule \"0\" not found"},
        {[] { CodeToFormulaFunc(-7); }, "CodeToFormulaFunc: Функция формулы с кодом \"-7\" не найдена"},
        {[] { FormulaFuncToCode(ffNone); }, "FormulaFuncToCode: Функция формулы с кодом \"0\" не найдена"},
        {[] { FormulaFuncToCapt(ffNone); }, "FormulaFuncToCode: Функция формулы с кодом \"0\" не найдена"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.Action), c.Message);
}

TEST_F(CodeTables, UnknownNameFailsAndTheLoadIsRetriedInFull)
{
    S.Exec(QStringLiteral("update FLDTYPE set FLDTYPE_NAME = 'formula' where FLDTYPE_NAME = 'Formula'"));
    EXPECT_EQ(ErrorOf([] { CodeToFldType(1); }), "Тип поля с именем \"formula\" не известен системе");
    S.Exec(QStringLiteral("update FLDTYPE set FLDTYPE_NAME = 'Formula' where FLDTYPE_NAME = 'formula'"));
    EXPECT_EQ(CodeToFldType(FldTypeId(QStringLiteral("Formula"))), ftFormula);

    S.Exec(QStringLiteral("update FKRULE set FKRULE_NAME = 'Restrict' where FKRULE_NAME = 'NoAction'"));
    EXPECT_EQ(ErrorOf([] { CodeToFKRule(1); }), "Тип правила связи с именем \"Restrict\" не известен системе");
    S.Exec(QStringLiteral("update FRMLFUNC set FRMLFUNC_NAME = 'Sum' where FRMLFUNC_NAME = 'Add'"));
    EXPECT_EQ(ErrorOf([] { CodeToFormulaFunc(1); }), "Функция формулы с именем \"Sum\" не известна системе");
}

TEST_F(CodeTables, NameWithoutRowKeepsIdZero)
{
    S.Exec(QStringLiteral("delete from FRMLFUNC where FRMLFUNC_NAME = 'ParId'"));
    EXPECT_EQ(FormulaFuncToCode(ffParId), 0);
    EXPECT_EQ(FormulaFuncToCode(ffAdd), FrmlFuncId(QStringLiteral("Add")));
}

// Value conversion by field type, with the separator pinned both ways.
class FldTypeConversion : public ::testing::TestWithParam<QChar> {
protected:
    void SetUp() override { SetDecimalSeparator(GetParam()); }
    void TearDown() override { SetDecimalSeparator(QChar(u'.')); }
    QString Num(const char* AText) { return QString::fromUtf8(AText).replace(u'.', GetParam()); }
};

TEST_P(FldTypeConversion, ValueToText)
{
    struct Case {
        Variant Value;
        TFldType Type;
        const char* Text;
    } cases[] = {
        {2.0051, ftNum182, "2.01"},   {2.5, ftNum184, "2.5"},         {Variant::Null(), ftNum182, ""},
        {-2.0051, ftNum182, "-2.01"},  {1.23456, ftNum183, "1.235"},   {Currency::FromRaw(12345), ftNum184, "1.2345"},
        {7, ftInt, "7"},              {Variant::Null(), ftInt, ""},   {QStringLiteral("Иван"), ftString, "Иван"},
        {Variant::Null(), ftString, ""}, {100, ftNum182, "100"},
    };
    for (const auto& c : cases) EXPECT_EQ(VarToStrByFldType(c.Value, c.Type), Num(c.Text)) << c.Text;
    EXPECT_EQ(ErrorOf([] { VarToStrByFldType(Variant(1), ftDate); }),
              "VarToStrByFldType: Для типа поля \"8\" преобразование невозможно");
    EXPECT_EQ(ErrorOf([] { VarToStrByFldType(Variant(true), ftBoolean); }),
              "VarToStrByFldType: Для типа поля \"4\" преобразование невозможно");
}

TEST_P(FldTypeConversion, TextToValue)
{
    EXPECT_TRUE(StrToVarByFldType(QStringLiteral("   "), ftInt).IsNull());
    EXPECT_EQ(StrToVarByFldType(QStringLiteral("   "), ftString).ToString(), "   ");
    EXPECT_TRUE(StrToVarByFldType(QString(), ftString).IsNull());
    EXPECT_TRUE(StrToVarByFldType(QStringLiteral(" "), ftNum182).IsNull());
    EXPECT_EQ(StrToVarByFldType(QStringLiteral("42"), ftInt).Type(), VarType::Integer);
    EXPECT_EQ(StrToVarByFldType(QStringLiteral("42"), ftInt).ToInt(), 42);
    Variant v3 = StrToVarByFldType(Num("1.23456"), ftNum183);
    EXPECT_EQ(v3.Type(), VarType::Double);
    EXPECT_DOUBLE_EQ(v3.ToDouble(), 1.235);
    EXPECT_DOUBLE_EQ(StrToVarByFldType(Num("1.23456"), ftNum184).ToDouble(), 1.2346);
    EXPECT_DOUBLE_EQ(StrToVarByFldType(Num("-0.125"), ftNum182).ToDouble(), -0.13);
    EXPECT_THROW(StrToVarByFldType(QStringLiteral("12x"), ftInt), EConvertError);
    EXPECT_THROW(StrToVarByFldType(QStringLiteral("1;5"), ftNum182), EConvertError);
    EXPECT_EQ(ErrorOf([] { StrToVarByFldType(QStringLiteral("1"), ftFK); }),
              "StrToVarByFldType: Для типа поля \"2\" преобразование невозможно");
}

INSTANTIATE_TEST_SUITE_P(Separators, FldTypeConversion, ::testing::Values(QChar(u'.'), QChar(u',')));

TEST(FldListAssign, FillsTheArgumentNotItself)
{
    TFld a, b, c;
    TFldList src, dst;
    src.Add(&a);
    src.Add(&b);
    dst.Add(&c);
    src.Assign(&dst);
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_EQ(dst[0], &a);
    EXPECT_EQ(dst[1], &b);
    EXPECT_EQ(src.Count(), 2);
}

}  // namespace
