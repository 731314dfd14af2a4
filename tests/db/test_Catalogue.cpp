// The catalogue that ships: sound in every database the set-up makes, the
// check that says so catches every kind of fault, the client loads it, and
// the demo company's summing fields follow their share rows.
#include "DbCheck.h"
#include "DbSetup.h"
#include "DbTestConn.h"
#include "TestSession.h"

#include "core/SysUtils.h"
#include "meta/Formula.h"
#include "meta/Obj.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>

namespace {

class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Path = new QString(FreshDatabase({.Demo = true})); }
    static void TearDownTestSuite()
    {
        delete Path;
        Path = nullptr;
    }
    static QString* Path;
};
QString* DemoDatabase::Path = nullptr;

QString Joined(const QStringList& AList)
{
    return AList.join(u'\n');
}

}  // namespace

TEST(Catalogue, EveryDatabaseTheSetUpMakesIsSound)
{
    {
        TDbTestConn base(FreshDatabase(TDbSetupOptions{}));
        EXPECT_EQ(Joined(CheckCatalogue(&base.Db, &base.Tr, {})), QString());
        // Without the demo company the sales objects are missing.
        const QStringList sales = CheckCatalogue(&base.Db, &base.Tr, {.Sales = true});
        EXPECT_TRUE(sales.contains(QStringLiteral("Нет объекта с таблицей DEAL"))) << Joined(sales).toStdString();
    }
    TDbTestConn demo(FreshDatabase({.Demo = true}));
    EXPECT_EQ(Joined(CheckCatalogue(&demo.Db, &demo.Tr, {.Sales = true})), QString());
}

// Each fault is made in a transaction that is rolled back afterwards.
TEST_F(DemoDatabase, CheckFindsEveryKindOfFault)
{
    const QString dealProdView = QStringLiteral("(select TBL_ID from TBL where TBL_NAME = 'DealProd')");
    const QString fld = QStringLiteral("(select F.FLD_ID from FLD F join OBJ O on O.OBJ_ID = F.OBJ_ID "
                                       "where O.OBJ_TABLE = '%1' and F.FLD_FIELD = '%2')");
    const QString card = QStringLiteral("(select C.CARD_ID from CARD C join OBJ O on O.OBJ_ID = C.OBJ_ID "
                                        "where O.OBJ_TABLE = '%1' and C.CARD_NAME = '%2')");
    const struct {
        const char* Name;
        QStringList Statements;
        QString Problem;
    } cases[] = {
        // Names the client asks for.
        {"configurator view missing", {"delete from TBL where TBL_NAME = 'AgrFld'"},
         QStringLiteral("Нет представления \"AgrFld\" объекта FLD")},
        {"picker filter without its node", {"update FLTRTREE set FLTRTREE_NAME = 'Kind' where FLTRTREE_NAME = 'Type'"},
         QStringLiteral("Фильтр \"AgrFld\": нет узла \"Type\", сравнивающего поле FLD.FLDTYPE_ID")},
        {"filter not applied in developer mode", {"update FLTR set FLTR_DEV = null where FLTR_NAME = 'AgrLink'"},
         QStringLiteral("Фильтр \"AgrLink\" должен применяться всегда и в обоих режимах")},
        {"card missing", {"update CARD set CARD_NAME = 'Value2' where CARD_NAME = 'Value'"},
         QStringLiteral("Нет карточки \"Value\" объекта FRMLTREE")},
        {"sales link renamed", {"update DEP set DEP_NAME = 'Ship' where DEP_NAME = 'DealShip'"},
         QStringLiteral("У сделки нет связи \"DealShip\"")},
        {"payment amount read-only when adding",
         {QStringLiteral("update CTRLTREE set CTRLTREE_ROADD = 1 where FLD_ID = %1").arg(fld.arg("DEALPAYM", "DEALPAYM_SUM"))},
         QStringLiteral("На карточке платежа нет поля DEALPAYM_SUM, доступного при добавлении")},
        // Trees.
        {"column tree", {QStringLiteral("update TBLTREE set TBLTREE_RGT = TBLTREE_RGT + 1 where TBLTREE_LFT = 2 and TBL_ID = %1").arg(dealProdView)},
         QStringLiteral("Представление \"DealProd\" связи DEALPROD.DEAL_ID: нарушено вложенное множество столбцов")},
        {"control tree",
         {QStringLiteral("update CTRLTREE set CTRLTREE_LFT = 40 where CTRLTREE_LFT = 2 and CARD_ID = %1").arg(card.arg("CLIENT", "Client"))},
         QStringLiteral("Карточка \"Client\" объекта CLIENT: нарушено вложенное множество элементов")},
        {"filter tree", {"update FLTRTREE set FLTRTREE_RGT = 9 where FLTRTREE_NAME = 'Obj'"},
         QStringLiteral("Фильтр \"AgrFld\": нарушено вложенное множество узлов")},
        {"formula tree",
         {QStringLiteral("update FRMLTREE set FRMLTREE_LFT = 30 where FRMLTREE_LFT = 2 and FLD_ID = %1").arg(fld.arg("DEALPROD", "DEALPROD_PAY"))},
         QStringLiteral("Формула поля DEALPROD.DEALPROD_PAY: нарушено вложенное множество узлов")},
        {"column of another object under the root",
         {QStringLiteral("update TBLTREE set FLD_ID = %1 where TBLTREE_LFT = 2 and TBL_ID = %2").arg(fld.arg("DEAL", "DEAL_NUM"), dealProdView)},
         QStringLiteral("столбец DEAL.DEAL_NUM не поле объекта DEALPROD")},
        // References.
        {"reference field without its link",
         {QStringLiteral("delete from DEP where FLD_ID_CHI = %1").arg(fld.arg("DEALSHIP", "USR_ID"))},
         QStringLiteral("Поле связи DEALSHIP.USR_ID: связей 0 (нужна одна)")},
        {"link whose rule differs from its foreign key",
         {QStringLiteral("update DEP set FKRULE_ID = (select FKRULE_ID from FKRULE where FKRULE_NAME = 'SetNull') "
                         "where FLD_ID_CHI = %1").arg(fld.arg("DEALPROD", "DEAL_ID"))},
         QStringLiteral("Связь DEALPROD.DEAL_ID (DEAL.DEAL_ID, SetNull): внешний ключ в базе — DEAL.DEAL_ID CASCADE")},
        {"card control of another object's field",
         {QStringLiteral("update CTRLTREE set FLD_ID = %1 where FLD_ID = %2 and CARD_ID = %3")
              .arg(fld.arg("DEALPAYM", "DEALPAYM_NOTE"), fld.arg("DEAL", "DEAL_NOTE"), card.arg("DEAL", "Deal"))},
         QStringLiteral("Карточка \"Deal\" объекта DEAL: элемент поля DEALPAYM.DEALPAYM_NOTE принадлежит другому объекту")},
        {"field without its column",
         {QStringLiteral("update FLD set FLD_FIELD = 'CLIENT_FAX' where FLD_ID = %1").arg(fld.arg("CLIENT", "CLIENT_NOTE"))},
         QStringLiteral("Поле CLIENT.CLIENT_FAX: нет колонки в таблице")},
        // Summing fields.
        {"summing field without a trigger", {"drop trigger DEALPROD_PAID_AU"},
         QStringLiteral("Суммирующее поле DEALPROD.DEALPROD_PAID: нет триггера DEALPROD_PAID_AU")},
        {"trigger changed", {"alter trigger DEAL_SUM_AI as begin end"},
         QStringLiteral("Суммирующее поле DEAL.DEAL_SUM: текст триггера DEAL_SUM_AI отличается от создаваемого конфигуратором")},
        {"trigger switched off", {"alter trigger DEALPAYM_SUM_AD inactive"},
         QStringLiteral("Суммирующее поле DEALPAYM.DEALPAYM_SUM: триггер DEALPAYM_SUM_AD не того вида или не на той таблице")},
    };

    TDbTestConn conn(*Path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const QString& s : c.Statements)
            conn.Exec(s);
        const QStringList problems = CheckCatalogue(&conn.Db, &conn.Tr, {.Sales = true});
        bool found = false;
        for (const QString& p : problems)
            found = found || p.contains(c.Problem);
        EXPECT_TRUE(found) << "expected: " << c.Problem.toStdString() << "\ngot:\n" << Joined(problems).toStdString();
        conn.Tr.Rollback();
        conn.Tr.StartTransaction();
    }
    EXPECT_EQ(Joined(CheckCatalogue(&conn.Db, &conn.Tr, {.Sales = true})), QString());
}

// The client's own loader reads the whole demo catalogue.
TEST(Catalogue, ClientLoadsTheDemoCatalogue)
{
    TTestSession s({.Demo = true});
    ASSERT_EQ(s.Value(QStringLiteral("select count(*) from USR where USR_LOGIN = 'tormel'")).ToInt(), 1);
    LoadObjList();

    struct TExpect {
        const char* Table;
        bool Ref, Meta, Sys;
    };
    const TExpect objs[] = {
        {"CLIENT", true, false, false},  {"PRODUCT", true, false, false}, {"DEAL", false, false, false},
        {"DEALPROD", false, false, false}, {"DEALPAYM", false, false, false}, {"PRODPAYM", false, false, false},
        {"DEALSHIP", false, false, false}, {"PRODSHIP", false, false, false}, {"USR", true, false, true},
        {"CURR", true, false, true},      {"CURRATE", false, false, true},  {"OBJ", false, true, true},
        {"FLD", false, true, true},        {"FLDTYPE", true, true, true},    {"FRMLFUNC", true, true, true},
    };
    for (const TExpect& e : objs) {
        SCOPED_TRACE(e.Table);
        TObj* o = ObjList->GetObjByTable(QLatin1String(e.Table));
        EXPECT_EQ(o->Ref, e.Ref);
        EXPECT_EQ(o->Meta, e.Meta);
        EXPECT_EQ(o->Sys, e.Sys);
    }
    // What the Data menu lists outside developer mode: the business objects
    // with users and currencies.
    QStringList menu;
    for (TObj* o : *ObjList)
        if (!o->Meta)
            menu.append(o->Table);
    menu.sort();
    EXPECT_EQ(menu, (QStringList{"CLIENT", "CURR", "CURRATE", "DEAL", "DEALPAYM", "DEALPROD", "DEALSHIP", "PRODPAYM",
                                 "PRODSHIP", "PRODUCT", "USR"}));

    // The links the sales windows follow, and the summing fields over them.
    TObj* deal = ObjList->GetObjByTable(QStringLiteral("DEAL"));
    TObjLink* prod = deal->ChildList->GetByName(QStringLiteral("DealProd"));
    TObjLink* paym = deal->ChildList->GetByName(QStringLiteral("DealPaym"));
    TObjLink* ship = deal->ChildList->GetByName(QStringLiteral("DealShip"));
    ASSERT_TRUE(prod && paym && ship);
    TObj* line = prod->ChildFld->Obj;
    ASSERT_TRUE(paym->ChildFld->Obj->ChildList->GetByName(QStringLiteral("Paym-ProdPaym")));
    ASSERT_TRUE(ship->ChildFld->Obj->ChildList->GetByName(QStringLiteral("Ship-ProdShip")));
    TFld* paid = line->FldList->GetFldByFldName(QStringLiteral("DEALPROD_PAID"));
    ASSERT_TRUE(paid->AgrObjLink);
    EXPECT_EQ(paid->AgrFld->Obj->Table, QStringLiteral("PRODPAYM"));
    EXPECT_EQ(paid->AgrFld->Field, QStringLiteral("PRODPAYM_SUM"));
    TFld* shpd = line->FldList->GetFldByFldName(QStringLiteral("DEALPROD_SHPD"));
    EXPECT_EQ(shpd->AgrFld->Field, QStringLiteral("PRODSHIP_CNT"));
    EXPECT_EQ(deal->FldList->GetFldByFldName(QStringLiteral("DEAL_SUM"))->AgrObjLink, prod);
    EXPECT_EQ(deal->FldList->GetFldByFldName(QStringLiteral("DEAL_PAID"))->AgrObjLink, paym);

    // Formulas as the client renders them.
    auto text = [&](TObj* AObj, const char* AField) {
        return AObj->FldList->GetFldByFldName(QLatin1String(AField))->Formula->Text();
    };
    EXPECT_EQ(text(line, "DEALPROD_PAY"), QStringLiteral("Цена, руб. * Количество - Скидка + Доставка"));
    EXPECT_EQ(text(line, "DEALPROD_PRICE"), QStringLiteral("Товар>Цена * Курс(Товар>Валюта цены;Сделка>Дата)"));
    EXPECT_EQ(text(line, "DEALPROD_VAT"), QStringLiteral("К оплате * 20 / 120"));
    // ParId on the payment's client resolves through the deal's main detail link to clients.
    TFld* payer = paym->ChildFld->Obj->FldList->GetFldByFldName(QStringLiteral("CLIENT_ID"));
    ASSERT_TRUE(payer->Formula->FormulaItemRoot);
    EXPECT_EQ(payer->Formula->FormulaItemRoot->Func, ffParId);
    bool resolves = false;
    for (TObjLink* l : *deal->ParentList)
        resolves = resolves || (l->ParentObj == payer->FKObj && l->Det && l->Main);
    EXPECT_TRUE(resolves);

    // Every function takes part in some formula and has its Russian caption.
    QSet<int> used;
    std::function<void(const TFormulaItem*)> walk = [&](const TFormulaItem* N) {
        used.insert(N->Func);
        for (const auto& c : *N)
            walk(c.get());
    };
    for (TObj* o : *ObjList)
        for (TFld* f : *o->FldList)
            if (f->Formula->FormulaItemRoot)
                walk(f->Formula->FormulaItemRoot.get());
    for (TFormulaFunc fn : {ffAdd, ffDed, ffMul, ffDiv, ffRate, ffCurD, ffCurU, ffParId})
        EXPECT_TRUE(used.contains(fn)) << int(fn);
    EXPECT_EQ(FormulaFuncToCapt(ffRate), QStringLiteral("Курс"));
    EXPECT_EQ(FormulaFuncToCapt(ffParId), QStringLiteral("Код родителя"));
}

// Share rows move the summing fields through the generated triggers.
TEST(Catalogue, SummingFieldsFollowShareRows)
{
    TDbTestConn c(FreshDatabase({.Demo = true}));
    const int deal = c.Int(QStringLiteral("select first 1 DEAL_ID from DEALPROD group by DEAL_ID having count(*) >= 2 "
                                          "order by DEAL_ID"));
    const QStringList lines = c.Column(QStringLiteral("select DEALPROD_ID from DEALPROD where DEAL_ID = %1 order by DEALPROD_ID").arg(deal));
    const QString l1 = lines[0], l2 = lines[1];
    auto money = [&](const QString& ASql) {
        return c.Column(ASql).value(0);
    };
    auto state = [&](const QString& APaym) {
        return QStringList{money(QStringLiteral("select cast(DEALPROD_PAID as varchar(30)) from DEALPROD where DEALPROD_ID = %1").arg(l1)),
                           money(QStringLiteral("select cast(DEALPROD_PAID as varchar(30)) from DEALPROD where DEALPROD_ID = %1").arg(l2)),
                           money(QStringLiteral("select cast(DEALPAYM_SUM as varchar(30)) from DEALPAYM where DEALPAYM_ID = %1").arg(APaym)),
                           money(QStringLiteral("select cast(DEAL_PAID as varchar(30)) from DEAL where DEAL_ID = %1").arg(deal))};
    };
    auto add = [](const QString& AValue, double ADelta) {
        return QString::number(AValue.toDouble() + ADelta, 'f', 2);
    };

    c.Exec(QStringLiteral("insert into DEALPAYM (DEALPAYM_ID, DEAL_ID, DEALPAYM_DATE) values (gen_id(DEALPAYM_ID, 1), %1, '2025-12-01')").arg(deal));
    const QString paym = money(QStringLiteral("select max(DEALPAYM_ID) from DEALPAYM"));
    const QStringList before = state(paym);
    EXPECT_EQ(before[2], QStringLiteral("0.00"));

    // A new share adds to its line, to the payment and (through the payment) to the deal.
    c.Exec(QStringLiteral("insert into PRODPAYM (PRODPAYM_ID, DEALPAYM_ID, DEALPROD_ID, PRODPAYM_SUM) "
                          "values (gen_id(PRODPAYM_ID, 1), %1, %2, 100.25)").arg(paym, l1));
    const QString share = money(QStringLiteral("select max(PRODPAYM_ID) from PRODPAYM"));
    EXPECT_EQ(state(paym), (QStringList{add(before[0], 100.25), before[1], "100.25", add(before[3], 100.25)}));

    // Moved to another line: the amount moves with it.
    c.Exec(QStringLiteral("update PRODPAYM set DEALPROD_ID = %1 where PRODPAYM_ID = %2").arg(l2, share));
    EXPECT_EQ(state(paym), (QStringList{before[0], add(before[1], 100.25), "100.25", add(before[3], 100.25)}));

    // A changed amount adds the difference.
    c.Exec(QStringLiteral("update PRODPAYM set PRODPAYM_SUM = 40 where PRODPAYM_ID = %1").arg(share));
    EXPECT_EQ(state(paym), (QStringList{before[0], add(before[1], 40), "40.00", add(before[3], 40)}));

    c.Exec(QStringLiteral("delete from PRODPAYM where PRODPAYM_ID = %1").arg(share));
    EXPECT_EQ(state(paym), (QStringList{before[0], before[1], "0.00", before[3]}));

    // Shipments and the deal's total work the same way.
    const QString shpd = money(QStringLiteral("select cast(DEALPROD_SHPD as varchar(30)) from DEALPROD where DEALPROD_ID = %1").arg(l1));
    c.Exec(QStringLiteral("insert into DEALSHIP (DEALSHIP_ID, DEAL_ID, DEALSHIP_DATE) values (gen_id(DEALSHIP_ID, 1), %1, '2025-12-02')").arg(deal));
    c.Exec(QStringLiteral("insert into PRODSHIP (PRODSHIP_ID, DEALSHIP_ID, DEALPROD_ID, PRODSHIP_CNT) "
                          "values (gen_id(PRODSHIP_ID, 1), (select max(DEALSHIP_ID) from DEALSHIP), %1, 2.5)").arg(l1));
    EXPECT_EQ(money(QStringLiteral("select cast(DEALPROD_SHPD as varchar(30)) from DEALPROD where DEALPROD_ID = %1").arg(l1)),
              QString::number(shpd.toDouble() + 2.5, 'f', 3));
    const QString sum = money(QStringLiteral("select cast(DEAL_SUM as varchar(30)) from DEAL where DEAL_ID = %1").arg(deal));
    c.Exec(QStringLiteral("update DEALPROD set DEALPROD_PAY = DEALPROD_PAY + 10 where DEALPROD_ID = %1").arg(l1));
    EXPECT_EQ(money(QStringLiteral("select cast(DEAL_SUM as varchar(30)) from DEAL where DEAL_ID = %1").arg(deal)), add(sum, 10));

    // A deal goes with its lines, payments, shipments and their shares.
    c.Exec(QStringLiteral("delete from DEAL where DEAL_ID = %1").arg(deal));
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from PRODPAYM where DEALPROD_ID in (%1, %2)").arg(l1, l2)), 0);
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from DEALPAYM where DEAL_ID = %1").arg(deal)), 0);
}

// The demo records agree with the formulas and sums they are described with.
TEST_F(DemoDatabase, RecordsAgreeWithTheirFormulasAndSums)
{
    TDbTestConn c(*Path);
    EXPECT_GE(c.Int(QStringLiteral("select (select count(*) from CLIENT) + (select count(*) from PRODUCT) + "
                                   "(select count(*) from DEAL) + (select count(*) from DEALPROD) + "
                                   "(select count(*) from DEALPAYM) + (select count(*) from PRODPAYM) + "
                                   "(select count(*) from DEALSHIP) + (select count(*) from PRODSHIP) from RDB$DATABASE")),
              300);
    const char* mismatches[] = {
        "select count(*) from DEAL D where D.DEAL_SUM <> (select coalesce(sum(P.DEALPROD_PAY), 0) from DEALPROD P where P.DEAL_ID = D.DEAL_ID)",
        "select count(*) from DEAL D where D.DEAL_PAID <> (select coalesce(sum(P.DEALPAYM_SUM), 0) from DEALPAYM P where P.DEAL_ID = D.DEAL_ID)",
        "select count(*) from DEALPAYM D where D.DEALPAYM_SUM <> (select coalesce(sum(P.PRODPAYM_SUM), 0) from PRODPAYM P where P.DEALPAYM_ID = D.DEALPAYM_ID)",
        "select count(*) from DEALPROD D where D.DEALPROD_PAID <> (select coalesce(sum(P.PRODPAYM_SUM), 0) from PRODPAYM P where P.DEALPROD_ID = D.DEALPROD_ID)",
        "select count(*) from DEALPROD D where D.DEALPROD_SHPD <> (select coalesce(sum(P.PRODSHIP_CNT), 0) from PRODSHIP P where P.DEALPROD_ID = D.DEALPROD_ID)",
        "select count(*) from DEALPROD D where D.DEALPROD_PAY <> D.DEALPROD_PRICE * D.DEALPROD_CNT - D.DEALPROD_DISC + D.DEALPROD_DELIV",
        "select count(*) from DEALPROD D where abs(D.DEALPROD_VAT - cast(D.DEALPROD_PAY as double precision) * 20 / 120) > 0.0051",
        "select count(*) from DEALPROD D where D.DEALPROD_SHIP <> D.DEALPROD_CNT",
        "select count(*) from DEALPROD D join PRODUCT P on P.PRODUCT_ID = D.PRODUCT_ID where D.DEALPROD_NAME <> P.PRODUCT_NAME",
        "select count(*) from DEALPAYM P join DEAL D on D.DEAL_ID = P.DEAL_ID where P.CLIENT_ID <> D.CLIENT_ID",
        "select count(*) from DEALPROD where DEALPROD_PAID > DEALPROD_PAY or DEALPROD_SHPD > DEALPROD_SHIP",
    };
    for (const char* sql : mismatches)
        EXPECT_EQ(c.Int(QString::fromLatin1(sql)), 0) << sql;
    // Some deals are paid in full, some in part, some not at all.
    EXPECT_GT(c.Int(QStringLiteral("select count(*) from DEAL where DEAL_PAID = DEAL_SUM")), 0);
    EXPECT_GT(c.Int(QStringLiteral("select count(*) from DEAL where DEAL_PAID > 0 and DEAL_PAID < DEAL_SUM")), 0);
    EXPECT_GT(c.Int(QStringLiteral("select count(*) from DEAL where DEAL_PAID = 0")), 0);
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from CURR where CURR_BASE = 1")), 1);
    // The second user has a personal view, card and detail set.
    for (const char* t : {"USRTBL", "USRCARD", "USRDET"})
        EXPECT_EQ(c.Int(QStringLiteral("select count(*) from %1 X join USR U on U.USR_ID = X.USR_ID "
                                       "where U.USR_LOGIN = 'vesnina'").arg(QLatin1String(t))),
                  1)
            << t;
}

TEST(Catalogue, LargeListHasItsRowsAndView)
{
    TDbTestConn c(FreshDatabase({.Large = 2500}));
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from BIGLIST")), 2500);
    EXPECT_EQ(c.Int(QStringLiteral("select count(distinct BIGLIST_NAME) from BIGLIST")), 2500);
    EXPECT_EQ(c.Int(QStringLiteral("select gen_id(BIGLIST_ID, 0) - max(BIGLIST_ID) from BIGLIST")), 0);
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from TBL T join OBJ O on O.OBJ_ID = T.OBJ_ID "
                                   "where O.OBJ_TABLE = 'BIGLIST' and T.TBL_DEFAULT = 1")),
              1);
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from OBJ where OBJ_TABLE = 'DEAL'")), 0);
}

TEST(Catalogue, ToolMakesTheDemoDatabase)
{
    const QString tool = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath() +
                         QStringLiteral("/velmora-initdb");
    const QString path = QStringLiteral("%1/tool-demo.fdb").arg(TestTmpDir());
    QProcess p;
    p.start(tool, {QStringLiteral("--demo"), QStringLiteral("--large"), QStringLiteral("300"), path});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Демонстрационные данные: записей"))) << out.toStdString();
    TDbTestConn c(path);
    EXPECT_GT(c.Int(QStringLiteral("select count(*) from DEAL")), 0);
    EXPECT_EQ(c.Int(QStringLiteral("select count(*) from BIGLIST")), 300);
}
