#include "ErrorOf.h"
#include "DbCardLayout.h"
#include "DbCatalogue.h"
#include "QtPrint.h"

#include "core/SysUtils.h"
#include "meta/Formula.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A small trading description: clients, deals referring to clients (the
// main link), lines of deals with a summing field on the deal.
const char* kObjects = R"J({"objects": [
  {"table": "CLIENT", "capt": "Клиент", "capt2": "Клиенты", "flags": "ref", "fields": [
    ["CLIENT_ID", "pk", "Код"],
    ["CLIENT_NAME", "string(80)", "Клиент", "notnull main"],
    ["CLIENT_CITY", "string(40)", "Город"]]},
  {"table": "DEAL", "capt": "Сделка", "capt2": "Сделки", "fields": [
    ["DEAL_ID", "pk", "Код"],
    ["DEAL_NUM", "string(20)", "Номер", "main"],
    ["CLIENT_ID", "fk(CLIENT)", "Клиент", "notnull det mainlink", {"name": "ClientDeal"}],
    ["DEAL_TOTAL", "num182", "Сумма", "def0", {"sum": "LINE_SUM", "over": "LINE.DEAL_ID"}],
    ["DEAL_OK", "boolean", "Закрыта", "def0"],
    ["DEAL_DATE", "date", "Дата"]]},
  {"table": "LINE", "capt": "Строка", "capt2": "Строки", "fields": [
    ["LINE_ID", "pk", "Код"],
    ["DEAL_ID", "fk(DEAL)", "Сделка", "notnull det mainlink", {"rule": "Cascade", "name": "DealLine"}],
    ["LINE_PRICE", "num182", "Цена"],
    ["LINE_CNT", "num183", "Количество"],
    ["LINE_SUM", "num182", "Итого", "", {"formula": "Mul(LINE_PRICE, LINE_CNT)"}],
    ["LINE_CITY", "string(40)", "Город клиента", "", {"formula": "DEAL_ID>CLIENT_ID>CLIENT_CITY"}]]}
]})J";

struct TTrade {
    TDbCatalogue Cat;
    TTrade() { Cat.Read(QByteArray(kObjects), QStringLiteral("t.json")); }
    TObj* Obj(const char* ATable) { return Cat.ObjByTable(QLatin1String(ATable)); }
    TFld* Fld(const char* ATable, const char* AField)
    {
        return Obj(ATable)->FldList->GetFldByFldName(QLatin1String(AField));
    }
};

QString NodeName(const TDbTblNode* N)
{
    return N->Fld->Field;
}

QString NodeName(const TDbCtrl* N)
{
    return N->Fld ? N->Fld->Field : N->Kind;
}

// "FIELD lft-rgt" for every node in pre-order.
template <typename TNode>
QStringList Outline(const TNode* ANode)
{
    QStringList out;
    std::function<void(const TNode*)> walk = [&](const TNode* N) {
        out.append(QStringLiteral("%1 %2-%3").arg(NodeName(N)).arg(N->Lft).arg(N->Rgt));
        for (const auto& c : N->Children)
            walk(c.get());
    };
    walk(ANode);
    return out;
}

QString Geometry(const TDbCtrl& C)
{
    return QStringLiteral("%1 %2,%3 %4x%5 label %6,%7 ro %8%9")
        .arg(C.Kind)
        .arg(C.CLeft)
        .arg(C.CTop)
        .arg(C.CWidth)
        .arg(C.CHeight)
        .arg(C.LLeft)
        .arg(C.LTop)
        .arg(int(C.ROAdd))
        .arg(int(C.ROEdt));
}

}  // namespace

TEST(DbCatalogue, ObjectsFieldsLinksAndSumsAreBuiltInMemory)
{
    TTrade t;
    TObjLink* clientDeal = t.Cat.LinkByRef(QStringLiteral("DEAL.CLIENT_ID"));
    EXPECT_EQ(clientDeal->ParentObj, t.Obj("CLIENT"));
    EXPECT_EQ(clientDeal->Name, QStringLiteral("ClientDeal"));
    EXPECT_TRUE(clientDeal->Main && clientDeal->Det);
    EXPECT_EQ(clientDeal->DeleteRule, fkNoAction);  // a reference object's links default to NoAction
    EXPECT_EQ(t.Fld("DEAL", "CLIENT_ID")->FKObj, t.Obj("CLIENT"));
    EXPECT_EQ(t.Obj("CLIENT")->ChildList->GetByName(QStringLiteral("ClientDeal")), clientDeal);
    TFld* total = t.Fld("DEAL", "DEAL_TOTAL");
    EXPECT_EQ(total->AgrObjLink, t.Cat.LinkByRef(QStringLiteral("LINE.DEAL_ID")));
    EXPECT_EQ(total->AgrFld, t.Fld("LINE", "LINE_SUM"));
    EXPECT_TRUE(t.Obj("CLIENT")->Ref);
    EXPECT_EQ(t.Cat.Links().size(), 2);
}

TEST(DbCatalogue, FormulasAreTreesNumberedAsNestedSets)
{
    TTrade t;
    TFld* sum = t.Fld("LINE", "LINE_SUM");
    ASSERT_TRUE(sum->FormulaHave);
    EXPECT_EQ(sum->Formula->Text(), QStringLiteral("Цена * Количество"));

    TFormulaItem* city = t.Fld("LINE", "LINE_CITY")->Formula->FormulaItemRoot.get();
    ASSERT_TRUE(city);
    EXPECT_TRUE(city->PathHave);
    ASSERT_EQ(city->Path->Count(), 2);
    EXPECT_EQ(city->Path->Items(0), t.Fld("LINE", "DEAL_ID"));
    EXPECT_EQ(city->Path->Items(1), t.Fld("DEAL", "CLIENT_ID"));
    EXPECT_EQ(city->Fld, t.Fld("CLIENT", "CLIENT_CITY"));

    auto f = t.Cat.ParseFormula(t.Obj("LINE"), QStringLiteral("Add(LINE_PRICE, Mul(LINE_CNT, 2.5), Rate(DEAL_ID>DEAL_NUM, CurD()))"));
    QStringList nodes;
    std::function<void(const TFormulaItem*)> walk = [&](const TFormulaItem* N) {
        nodes.append(QStringLiteral("%1:%2-%3").arg(N->Fld ? N->Fld->Field : N->Func ? QString::number(N->Func) : N->Value.AsText()).arg(N->Lft).arg(N->Rgt));
        for (const auto& c : *N)
            walk(c.get());
    };
    walk(f.get());
    EXPECT_EQ(nodes, (QStringList{"1:1-16", "LINE_PRICE:2-3", "3:4-9", "LINE_CNT:5-6", QStringLiteral("%1:7-8").arg(Variant(Currency::FromDouble(2.5)).AsText()),
                                  "5:10-15", "DEAL_NUM:11-12", "6:13-14"}));
}

TEST(DbCatalogue, ColumnTreesGrowFromFieldPaths)
{
    TTrade t;
    auto tree = t.Cat.ColumnTree(t.Obj("LINE"), {"LINE_PRICE", "DEAL_ID>DEAL_NUM", "DEAL_ID>CLIENT_ID>CLIENT_NAME",
                                                 "DEAL_ID>CLIENT_ID>CLIENT_CITY", "LINE_CNT"});
    // Paths through the same link share its node; columns keep their order.
    EXPECT_EQ(Outline(tree.get()), (QStringList{"LINE_ID 1-16", "LINE_PRICE 2-3", "DEAL_ID 4-13", "DEAL_NUM 5-6",
                                                "CLIENT_ID 7-12", "CLIENT_NAME 8-9", "CLIENT_CITY 10-11", "LINE_CNT 14-15"}));
}

TEST(DbCatalogue, DescriptionMistakesNameTheirPlace)
{
    const struct {
        const char* Name;
        const char* Json;
        const char* Message;
    } cases[] = {
        {"unknown column in a view",
         R"J({"views": [{"name": "V", "capt": "В", "obj": "DEAL", "columns": ["DEAL_NUM", "NOPE"]}]})J",
         "x.json: представление \"V\": путь \"NOPE\": у объекта \"DEAL\" нет поля \"NOPE\""},
        {"link column without a field",
         R"J({"views": [{"name": "V", "capt": "В", "obj": "DEAL", "columns": ["CLIENT_ID"]}]})J",
         "поле связи само не показывается"},
        {"path through a plain field",
         R"J({"views": [{"name": "V", "capt": "В", "obj": "DEAL", "columns": ["DEAL_NUM>X"]}]})J",
         "поле \"DEAL_NUM\" объекта \"DEAL\" не является полем связи"},
        {"misspelt key", R"J({"views": [{"name": "V", "capt": "В", "obj": "DEAL", "colums": []}]})J",
         "неизвестный ключ \"colums\""},
        {"reference to an undescribed table",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"], ["Y_ID", "fk(YY)", "Игрек"]]}]})J",
         "x.json: объект \"X\", поле \"Y_ID\": объект с таблицей \"YY\" не описан"},
        {"key not named after the table",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["ID", "pk", "Код"]]}]})J",
         "ключевое поле называется по таблице: X_ID"},
        {"no key", R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["A", "int", "А"]]}]})J", "нет ключевого поля"},
        {"unknown type", R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"], ["A", "money", "А"]]}]})J",
         "неизвестный тип \"money\""},
        {"required link cleared on delete",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["DEAL_ID", "fk(DEAL)", "С", "notnull", {"rule": "SetNull"}]]}]})J",
         "обязательное поле связи не может получать пустое значение"},
        {"link name taken",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["DEAL_ID", "fk(DEAL)", "С", "", {"name": "DealLine"}]]}]})J",
         "имя связи \"DealLine\" уже занято"},
        {"sum over another object's link",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["S", "num184", "С", "", {"sum": "LINE_SUM", "over": "LINE.DEAL_ID"}]]}]})J",
         "суммируемая связь должна вести к объекту \"X\""},
        {"Rate with one operand",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["S", "num182", "С", "", {"formula": "Rate(X_ID)"}]]}]})J",
         "у функции \"Rate\" должно быть 2 параметра"},
        {"ParId below the root",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["S", "int", "С", "", {"formula": "Add(ParId(), 1)"}]]}]})J",
         "функция \"ParId\" может быть только корнем формулы"},
        {"summing field read by a formula",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["DEAL_ID", "fk(DEAL)", "С"], ["S", "num182", "С", "", {"formula": "Mul(DEAL_ID>DEAL_TOTAL, 2)"}]]}]})J",
         "поле \"DEAL_TOTAL\" суммирующее"},
        {"unknown function",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["S", "int", "С", "", {"formula": "Sum(X_ID, 1)"}]]}]})J",
         "формула \"Sum(X_ID, 1)\", позиция 5: неизвестная функция \"Sum\""},
        {"formulas in a circle",
         R"J({"objects": [{"table": "X", "capt": "Х", "fields": [["X_ID", "pk", "Код"],
             ["A", "int", "А", "", {"formula": "Add(B, 1)"}], ["B", "int", "Б", "", {"formula": "Mul(A, 2)"}]]}]})J",
         "формулы полей образуют цикл: A > B > A"},
        {"card field twice",
         R"J({"cards": [{"name": "C", "capt": "К", "obj": "DEAL", "fields": ["DEAL_NUM"],
             "tabs": [{"capt": "Т", "fields": ["DEAL_NUM"]}]}]})J",
         "поле \"DEAL_NUM\" уже есть на карточке"},
        {"detail link of another object",
         R"J({"detailsets": [{"name": "D", "capt": "Д", "obj": "CLIENT", "links": ["LINE.DEAL_ID"]}]})J",
         "связь \"LINE.DEAL_ID\" ведёт не к объекту \"CLIENT\""},
        {"group node without conditions",
         R"J({"filters": [{"name": "F", "capt": "Ф", "obj": "DEAL", "tree": {"kind": "And"}}]})J",
         "у узла \"And\" нет условий"},
        {"condition without a field",
         R"J({"filters": [{"name": "F", "capt": "Ф", "obj": "DEAL", "tree": {"kind": "Equal", "value": 1}}]})J",
         "условию нужно поле"},
        {"unknown node kind",
         R"J({"filters": [{"name": "F", "capt": "Ф", "obj": "DEAL", "tree": {"kind": "Like", "field": "DEAL_NUM"}}]})J",
         "неизвестный вид узла"},
        {"broken JSON", R"J({"views": [)J", "x.json: ошибка JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTrade t;
        const QString error = ErrorOf([&] { t.Cat.Read(QByteArray(c.Json), QStringLiteral("x.json")); });
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.Message))) << error.toStdString();
    }
}

// Placement as the card designer does it (the designer's own examples).
TEST(DbCardLayout, FieldsArePlacedAsTheDesignerPlacesThem)
{
    TTrade t;
    TFld* num = t.Fld("DEAL", "DEAL_NUM");
    for (const auto& [width, editor] : {std::pair{300, 196}, std::pair{500, 240}, std::pair{150, 80}}) {
        auto c = DbFirstFieldCtrl(num, width);
        EXPECT_EQ(Geometry(*c), QStringLiteral("EditStr 96,8 %1x0 label 8,10 ro 00").arg(editor));
    }
    int height = 0;
    auto root = DbLayOutCard(300, {num, t.Fld("DEAL", "DEAL_OK"), t.Fld("DEAL", "DEAL_DATE"), t.Fld("DEAL", "CLIENT_ID"),
                                   t.Fld("DEAL", "DEAL_TOTAL"), t.Fld("DEAL", "DEAL_ID")},
                             {}, &height);
    QStringList rows;
    for (const auto& c : root->Children)
        rows.append(Geometry(*c));
    EXPECT_EQ(rows, (QStringList{
                        "EditStr 96,8 196x0 label 8,10 ro 00",
                        "CheckBox 96,30 16x17 label 8,32 ro 00",     // a check box keeps its preset size
                        "DateEdit 96,52 160x21 label 8,54 ro 00",    // below a check box: 160 wide
                        "EditObj 96,74 160x0 label 8,76 ro 11",      // the main link: read-only
                        "EditNum182 96,96 160x0 label 8,98 ro 11",   // a summing field
                        "EditInt 96,118 160x0 label 8,120 ro 11",    // the key
                    }));
    EXPECT_EQ(Outline(root.get()).first(), QStringLiteral("Root 1-14"));
    EXPECT_EQ(height, 152);  // 118 + 21 + 8, up to a multiple of 8

    // The amount of a new payment is typed into its summing field.
    TFld* total = t.Fld("DEAL", "DEAL_TOTAL");
    total->Field = QStringLiteral("DEALPAYM_SUM");
    TDbCtrl pay;
    pay.Fld = total;
    DbPresetReadOnly(pay);
    EXPECT_FALSE(pay.ROAdd);
    EXPECT_TRUE(pay.ROEdt);
}

TEST(DbCardLayout, TabsGoOnAPageControlBelowTheFields)
{
    TTrade t;
    QList<TFld*> six;
    for (const char* f : {"DEAL_NUM", "DEAL_OK", "DEAL_DATE", "CLIENT_ID", "DEAL_TOTAL", "DEAL_ID"})
        six.append(t.Fld("DEAL", f));
    int height = 0;
    auto root = DbLayOutCard(352, {t.Fld("DEAL", "DEAL_NUM")}, {{QStringLiteral("Первая"), six.mid(1)},
                                                                {QStringLiteral("Вторая"), {}}}, &height);
    ASSERT_EQ(root->Children.size(), 2u);
    const TDbCtrl& pc = *root->Children[1];
    // Moved one row down below the field; the five rows of the fullest tab
    // fit into a new page control's height.
    EXPECT_EQ(Geometry(pc), QStringLiteral("PageControl 8,30 336x154 label 0,0 ro 00"));
    ASSERT_EQ(pc.Children.size(), 2u);
    EXPECT_EQ(pc.Children[0]->Capt, QStringLiteral("Первая"));
    EXPECT_EQ(Geometry(*pc.Children[0]->Children[0]), QStringLiteral("CheckBox 96,8 16x17 label 8,10 ro 00"));
    EXPECT_EQ(Geometry(*pc.Children[0]->Children[1]), QStringLiteral("DateEdit 96,30 160x21 label 8,32 ro 00"));
    EXPECT_EQ(height, 192);  // 30 + 154 + 8

    auto tall = DbLayOutCard(352, {}, {{QStringLiteral("Все"), six}}, &height);
    const TDbCtrl& pc2 = *tall->Children[0];
    EXPECT_EQ(pc2.CTop, 8);
    EXPECT_EQ(pc2.CHeight, 176);  // six rows need one step more
    EXPECT_EQ(pc2.Children[0]->Children[0]->CWidth, 224);  // the tab is 8 pixels narrower than its page control
    EXPECT_EQ(Outline(tall.get()).mid(0, 3), (QStringList{"Root 1-18", "PageControl 2-17", "TabSheet 3-16"}));
}

TEST(DbCatalogue, CompletionAddsDefaultViewsAndCards)
{
    TTrade t;
    t.Cat.Read(R"J({"objects": [{"table": "WIDE", "capt": "Широкий", "fields": [["WIDE_ID", "pk", "Код"],
        ["F1", "int", "1"], ["F2", "int", "2"], ["F3", "int", "3"], ["F4", "int", "4"], ["F5", "int", "5"],
        ["F6", "int", "6"], ["F7", "int", "7"], ["F8", "int", "8"], ["F9", "int", "9"], ["F10", "int", "10"],
        ["F11", "int", "11"]]}]})J",
               QStringLiteral("w.json"));
    t.Cat.Complete();
    auto view = [&](TObj* AObj, TObjLink* ALink) -> TDbView* {
        for (const auto& v : t.Cat.Views)
            if (v->Obj == AObj && v->Link == ALink && v->Default)
                return v.get();
        return nullptr;
    };
    // An object's view shows its fields, a reference by the main field of the object it refers to.
    TDbView* deals = view(t.Obj("DEAL"), nullptr);
    ASSERT_TRUE(deals);
    EXPECT_EQ(Outline(deals->Root.get()), (QStringList{"DEAL_ID 1-14", "DEAL_NUM 2-3", "CLIENT_ID 4-7", "CLIENT_NAME 5-6",
                                                       "DEAL_TOTAL 8-9", "DEAL_OK 10-11", "DEAL_DATE 12-13"}));
    // A detail link's view leaves out the link's own field.
    TDbView* lines = view(nullptr, t.Cat.LinkByRef(QStringLiteral("LINE.DEAL_ID")));
    ASSERT_TRUE(lines);
    EXPECT_FALSE(Outline(lines->Root.get()).join(u' ').contains(QStringLiteral("DEAL_ID")));
    // Many fields go on tabs of eight.
    for (const auto& c : t.Cat.Cards)
        if (c->Obj == t.Obj("WIDE")) {
            ASSERT_EQ(c->Root->Children.size(), 1u);
            const TDbCtrl& pc = *c->Root->Children[0];
            ASSERT_EQ(pc.Children.size(), 2u);
            EXPECT_EQ(pc.Children[0]->Capt, QStringLiteral("Основное"));
            EXPECT_EQ(pc.Children[0]->Children.size(), 8u);
            EXPECT_EQ(pc.Children[1]->Capt, QStringLiteral("Дополнительно"));
            EXPECT_EQ(pc.Children[1]->Children.size(), 3u);
        }
    int cards = 0;
    for (const auto& c : t.Cat.Cards)
        cards += c->Default;
    EXPECT_EQ(cards, 4);
}

// The files that ship are read without a database.
TEST(DbCatalogue, ShippedDescriptionsAreConsistent)
{
    TDbCatalogue cat;
    for (const char* f : {":/db/catalogue.json", ":/db/demo.json", ":/db/large.json"}) {
        QFile file{QString::fromLatin1(f)};
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f;
        EXPECT_EQ(ErrorOf([&] { cat.Read(file.readAll(), QLatin1String(f)); }), QStringLiteral("<no error>"));
    }
    cat.Complete();
    QSet<int> funcs;
    std::function<void(const TFormulaItem*)> walk = [&](const TFormulaItem* N) {
        funcs.insert(N->Func);
        for (const auto& c : *N)
            walk(c.get());
    };
    for (const auto& o : cat.Objs)
        for (TFld* f : *o->FldList)
            if (f->Formula->FormulaItemRoot)
                walk(f->Formula->FormulaItemRoot.get());
    // The demo's formulas use every function.
    for (TFormulaFunc fn : {ffAdd, ffDed, ffMul, ffDiv, ffRate, ffCurD, ffCurU, ffParId})
        EXPECT_TRUE(funcs.contains(fn)) << int(fn);
}
