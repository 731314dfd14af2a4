// Shared set-up of the card tests: small catalogues with real tables (from
// the records tests), card definitions with their control trees, detail sets,
// and the catalogue's own description of CARD and CTRLTREE through which
// cards are written.
#pragma once

#include "../records/RecordsFixture.h"
#include "cards/Ctrl.h"
#include "cards/Card.h"
#include "meta/Ddl.h"

#include <QRect>
#include <QString>
#include <vector>

// One node of a control tree to be stored: its kind (a CTRLTRTP name),
// field, editor rectangle, label position, caption and read-only flags.
struct TCtrlSpec {
    QString Kind;
    int Fld = 0;
    QRect C;
    QPoint L;
    QString Capt;  // null: stored as NULL
    bool ROAdd = false;
    bool ROEdt = false;
    std::vector<TCtrlSpec> Kids;
};

inline TCtrlSpec RootSpec(std::vector<TCtrlSpec> AKids = {})
{
    TCtrlSpec s;
    s.Kind = QStringLiteral("Root");
    s.Kids = std::move(AKids);
    return s;
}
inline TCtrlSpec PageSpec(QRect AC, std::vector<TCtrlSpec> ATabs)
{
    TCtrlSpec s;
    s.Kind = QStringLiteral("PageControl");
    s.C = AC;
    s.Kids = std::move(ATabs);
    return s;
}
inline TCtrlSpec TabSpec(const QString& ACapt, std::vector<TCtrlSpec> AKids = {})
{
    TCtrlSpec s;
    s.Kind = QStringLiteral("TabSheet");
    s.Capt = ACapt;
    s.Kids = std::move(AKids);
    return s;
}
// A field control; AC is the editor rectangle, AL the label's top left.
inline TCtrlSpec FieldSpec(const QString& AKind, int AFld, QRect AC, QPoint AL, bool AROAdd = false,
                           bool AROEdt = false)
{
    TCtrlSpec s;
    s.Kind = AKind;
    s.Fld = AFld;
    s.C = AC;
    s.L = AL;
    s.ROAdd = AROAdd;
    s.ROEdt = AROEdt;
    return s;
}

class CardsTest : public RecordsTest {
protected:
    CardsTest() { ResetCtrlTypeTable(); }
    ~CardsTest() override
    {
        DevMode = false;
        ResetCtrlTypeTable();
    }

    static QString Lit(const QString& AText) { return TCatalogFixture::Lit(AText); }

    // A card row; ADev < 0 is stored as NULL.
    int AddCard(int AObjId, const QString& ACapt, bool ADefault = true, const QString& AName = {}, int AWidth = 320,
                int AHeightAtr = 120, int AHeightDet = 0, int ADev = 0)
    {
        int id = GenId(QStringLiteral("CARD_ID"));
        S.Exec(QStringLiteral("insert into CARD (CARD_ID, CARD_CAPT, CARD_DEFAULT, CARD_NAME, OBJ_ID, CARD_WIDTH, "
                              "CARD_HEIGHTATR, CARD_HEIGHTDET, CARD_DEV) values (%1, %2, %3, %4, %5, %6, %7, %8, %9)")
                   .arg(id)
                   .arg(Lit(ACapt))
                   .arg(ADefault ? 1 : 0)
                   .arg(Lit(AName))
                   .arg(AObjId)
                   .arg(AWidth)
                   .arg(AHeightAtr)
                   .arg(AHeightDet)
                   .arg(TCatalogFixture::FlagOrNull(ADev)));
        return id;
    }

    void AddUsrCard(int AUsrId, int ACardId)
    {
        S.Exec(
            QStringLiteral("insert into USRCARD (USRCARD_ID, USR_ID, CARD_ID) values (gen_id(USRCARD_ID, 1), %1, %2)")
                .arg(AUsrId)
                .arg(ACardId));
    }

    int CtrlTrTpId(const QString& AName)
    {
        return S.Value(QStringLiteral("select CTRLTRTP_ID from CTRLTRTP where CTRLTRTP_NAME = %1").arg(Lit(AName)))
            .ToInt();
    }

    // One CTRLTREE row, every column given.
    int AddCtrlRow(int ACardId, int ALft, int ARgt, const QString& AKind, int AFld, QRect AC, QPoint AL,
                   const QString& ACapt, bool AROAdd, bool AROEdt)
    {
        int id = GenId(QStringLiteral("CTRLTREE_ID"));
        S.Exec(QStringLiteral("insert into CTRLTREE (CTRLTREE_ID, CARD_ID, CTRLTREE_LFT, CTRLTREE_RGT, CTRLTRTP_ID, "
                              "FLD_ID, CTRLTREE_CLEFT, CTRLTREE_CTOP, CTRLTREE_CWIDTH, CTRLTREE_CHEIGHT, "
                              "CTRLTREE_LLEFT, CTRLTREE_LTOP, CTRLTREE_CAPT, CTRLTREE_ROADD, CTRLTREE_ROEDT) "
                              "values (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, %13, %14, %15)")
                   .arg(id)
                   .arg(ACardId)
                   .arg(ALft)
                   .arg(ARgt)
                   .arg(CtrlTrTpId(AKind))
                   .arg(TCatalogFixture::IdOrNull(AFld))
                   .arg(AC.left())
                   .arg(AC.top())
                   .arg(AC.width())
                   .arg(AC.height())
                   .arg(AL.x())
                   .arg(AL.y())
                   .arg(Lit(ACapt))
                   .arg(AROAdd ? 1 : 0)
                   .arg(AROEdt ? 1 : 0));
        return id;
    }

    // Stores a whole tree, numbered as a nested set in pre-order.
    void AddCardTree(int ACardId, const TCtrlSpec& ARoot)
    {
        int next = 1;
        AddSpec(ACardId, ARoot, next);
    }

    int AddDetBook(int AObjId, const QString& ACapt, bool ADefault = true, const QString& AName = {}, int ADev = 0)
    {
        int id = GenId(QStringLiteral("DETBOOK_ID"));
        S.Exec(QStringLiteral("insert into DETBOOK (DETBOOK_ID, DETBOOK_CAPT, DETBOOK_DEFAULT, DETBOOK_NAME, OBJ_ID, "
                              "DETBOOK_DEV) values (%1, %2, %3, %4, %5, %6)")
                   .arg(id)
                   .arg(Lit(ACapt))
                   .arg(ADefault ? 1 : 0)
                   .arg(Lit(AName))
                   .arg(AObjId)
                   .arg(TCatalogFixture::FlagOrNull(ADev)));
        return id;
    }

    // ADetDepId orders the rows (0: next from the sequence).
    void AddDetDep(int ADetBookId, int ADepId, int ADetDepId = 0)
    {
        S.Exec(QStringLiteral("insert into DETDEP (DETDEP_ID, DETBOOK_ID, DEP_ID) values (%3, %1, %2)")
                   .arg(ADetBookId)
                   .arg(ADepId)
                   .arg(ADetDepId ? QString::number(ADetDepId) : QStringLiteral("gen_id(DETDEP_ID, 1)")));
    }

    void AddUsrDet(int AUsrId, int ADetBookId)
    {
        S.Exec(
            QStringLiteral("insert into USRDET (USRDET_ID, USR_ID, DETBOOK_ID) values (gen_id(USRDET_ID, 1), %1, %2)")
                .arg(AUsrId)
                .arg(ADetBookId));
    }

    // The catalogue's description of CARD and CTRLTREE (the tables exist
    // already), through which cards are written.
    void DescribeCardTables()
    {
        int card = C.ObjOfTable(QStringLiteral("CARD"), QStringLiteral("Карточки"));
        C.FldOfObj(card, QStringLiteral("CARD_CAPT"), QStringLiteral("string"), QStringLiteral("Название"), 250);
        C.FldOfObj(card, QStringLiteral("CARD_WIDTH"), QStringLiteral("int"), QStringLiteral("Ширина"));
        C.FldOfObj(card, QStringLiteral("CARD_HEIGHTATR"), QStringLiteral("int"), QStringLiteral("Высота полей"));
        C.FldOfObj(card, QStringLiteral("CARD_HEIGHTDET"), QStringLiteral("int"), QStringLiteral("Высота деталей"));
        int tree = C.ObjOfTable(QStringLiteral("CTRLTREE"), QStringLiteral("Контролы"));
        const struct {
            const char* Field;
            const char* Type;
        } cols[] = {{"CARD_ID", "int"},           {"FLD_ID", "int"},           {"CTRLTREE_LFT", "int"},
                    {"CTRLTREE_RGT", "int"},      {"CTRLTREE_CLEFT", "int"},   {"CTRLTREE_CTOP", "int"},
                    {"CTRLTREE_CWIDTH", "int"},   {"CTRLTREE_CHEIGHT", "int"}, {"CTRLTREE_LLEFT", "int"},
                    {"CTRLTREE_LTOP", "int"},     {"CTRLTREE_LWIDTH", "int"},  {"CTRLTREE_LHEIGHT", "int"},
                    {"CTRLTRTP_ID", "int"},       {"CTRLTREE_CAPT", "string"}, {"CTRLTREE_ROADD", "boolean"},
                    {"CTRLTREE_ROEDT", "boolean"}};
        for (const auto& c : cols)
            C.FldOfObj(tree, QString::fromLatin1(c.Field), QString::fromLatin1(c.Type), QString::fromLatin1(c.Field),
                       QString::fromLatin1(c.Type) == QStringLiteral("string") ? 250 : 0);
    }

private:
    static int Size(const TCtrlSpec& ASpec)
    {
        int n = 1;
        for (const TCtrlSpec& k : ASpec.Kids) n += Size(k);
        return n;
    }

    void AddSpec(int ACardId, const TCtrlSpec& ASpec, int& ANext)
    {
        const int lft = ANext++;
        const int rgt = lft + 2 * Size(ASpec) - 1;
        AddCtrlRow(ACardId, lft, rgt, ASpec.Kind, ASpec.Fld, ASpec.C, ASpec.L, ASpec.Capt, ASpec.ROAdd, ASpec.ROEdt);
        for (const TCtrlSpec& k : ASpec.Kids) AddSpec(ACardId, k, ANext);
        ANext = rgt + 1;
    }
};

// A small sales catalogue with real tables:
//   XCLIENT (reference; XCLIENT_NAME is the main field), rows 1 "Альфа",
//     2 "Бета", 3 "Альфа" (the same text as 1);
//   XDEAL: number (not null), client, date, done flag, quantity, discount,
//     and XDEAL_SUM summing XPROD_AMOUNT of its products (triggers);
//   XPROD: products of a deal, XPROD_AMOUNT = XPROD_QTY * XPROD_PRICE.
// Deal 10 ("D-10", client 1, 2024-01-10, done, quantity 5, discount 1.5)
// has two products (2 x 3.5 and 1 x 10). Views: clients, products of a deal.
// The deal card: key, number, client, done, sum and discount on the card,
// then a page control with the tabs "Даты" (date) and "Прочее", which holds
// a second page control with the tabs "Пусто" and "Количество" (quantity).
struct TDeals {
    int Client = 0, ClientId = 0, ClientName = 0;
    int Deal = 0, DealId = 0, DealNum = 0, DealClient = 0, DealDate = 0, DealDone = 0, DealQty = 0, DealDisc = 0,
        DealSum = 0;
    int Prod = 0, ProdId = 0, ProdDeal = 0, ProdQty = 0, ProdPrice = 0, ProdAmount = 0;
    int DepDealClient = 0, DepDealProd = 0;
    int DealCard = 0, ProdCard = 0, ClientCard = 0, DetBook = 0, ClientView = 0, ProdView = 0;
};

class DealsTest : public CardsTest {
protected:
    TDeals D;

    // ADetails: the deal card gets a detail panel ADetHeight high and the
    // deal object a default detail set with the products link.
    void MakeDeals(bool ADetails, int AHeightAtr = 200, int ADetHeight = 160)
    {
        D.Client = AddTable(QStringLiteral("XCLIENT"), QStringLiteral("Клиенты"),
                            QStringLiteral("XCLIENT_NAME varchar(80)"), true);
        D.ClientId = C.PkFld(D.Client);
        D.ClientName = C.AddFld(D.Client, QStringLiteral("XCLIENT_NAME"), QStringLiteral("string"),
                                QStringLiteral("Наименование"), 80);
        SetFld(D.ClientName, QStringLiteral("FLD_MAIN = 1"));

        D.Deal =
            AddTable(QStringLiteral("XDEAL"), QStringLiteral("Сделки"),
                     QStringLiteral("XDEAL_NUM varchar(20), XCLIENT_ID integer references XCLIENT, XDEAL_DATE date, "
                                    "XDEAL_DONE integer, XDEAL_QTY integer, XDEAL_DISC numeric(18,2), "
                                    "XDEAL_SUM numeric(18,2) default 0"));
        S.Exec(QStringLiteral("update OBJ set OBJ_CAPT = 'Сделка' where OBJ_ID = %1").arg(D.Deal));
        D.DealId = C.PkFld(D.Deal);
        D.DealNum =
            C.AddFld(D.Deal, QStringLiteral("XDEAL_NUM"), QStringLiteral("string"), QStringLiteral("Номер"), 20);
        SetFld(D.DealNum, QStringLiteral("FLD_NOTNULL = 1, FLD_MAIN = 1"));
        D.DealClient = C.AddFld(D.Deal, QStringLiteral("XCLIENT_ID"), QStringLiteral("fk"), QStringLiteral("Клиент"));
        D.DealDate = C.AddFld(D.Deal, QStringLiteral("XDEAL_DATE"), QStringLiteral("date"), QStringLiteral("Дата"));
        D.DealDone =
            C.AddFld(D.Deal, QStringLiteral("XDEAL_DONE"), QStringLiteral("boolean"), QStringLiteral("Закрыта"));
        D.DealQty = C.AddFld(D.Deal, QStringLiteral("XDEAL_QTY"), QStringLiteral("int"), QStringLiteral("Количество"));
        D.DealDisc = C.AddFld(D.Deal, QStringLiteral("XDEAL_DISC"), QStringLiteral("num182"), QStringLiteral("Скидка"));

        D.Prod =
            AddTable(QStringLiteral("XPROD"), QStringLiteral("Товары сделки"),
                     QStringLiteral("XDEAL_ID integer references XDEAL on delete cascade, XPROD_QTY numeric(18,3), "
                                    "XPROD_PRICE numeric(18,2), XPROD_AMOUNT numeric(18,2)"));
        D.ProdId = C.PkFld(D.Prod);
        D.ProdDeal = C.AddFld(D.Prod, QStringLiteral("XDEAL_ID"), QStringLiteral("fk"), QStringLiteral("Сделка"));
        D.ProdQty = C.AddFld(D.Prod, QStringLiteral("XPROD_QTY"), QStringLiteral("num183"), QStringLiteral("Кол-во"));
        D.ProdPrice = C.AddFld(D.Prod, QStringLiteral("XPROD_PRICE"), QStringLiteral("num182"), QStringLiteral("Цена"));
        D.ProdAmount =
            C.AddFld(D.Prod, QStringLiteral("XPROD_AMOUNT"), QStringLiteral("num182"), QStringLiteral("Сумма"));
        SetFormula(D.ProdAmount, Fn(QStringLiteral("Mul"), {Ref(D.ProdQty), Ref(D.ProdPrice)}));

        D.DepDealClient = C.AddDep(D.Client, D.DealClient, QStringLiteral("XDealClient"), QStringLiteral("NoAction"));
        D.DepDealProd = C.AddDep(D.Deal, D.ProdDeal, QStringLiteral("XDealProd"), QStringLiteral("Cascade"));
        D.DealSum = C.AddFld(D.Deal, QStringLiteral("XDEAL_SUM"), QStringLiteral("num182"), QStringLiteral("Итого"), 0,
                             QStringLiteral("DEP_ID_AGR, FLD_ID_AGR"),
                             QStringLiteral("%1, %2").arg(D.DepDealProd).arg(D.ProdAmount));
        TAgrFldNames names;
        names.Field = QStringLiteral("XDEAL_SUM");
        names.ChildTable = QStringLiteral("XPROD");
        names.ParentTable = QStringLiteral("XDEAL");
        names.ParentPK = QStringLiteral("XDEAL_ID");
        names.ChildFK = QStringLiteral("XDEAL_ID");
        names.Summed = QStringLiteral("XPROD_AMOUNT");
        for (const QStringList& lines : AgrTriggersSql(names)) {
            auto q = NewIBSQL();
            q->SQL = lines;
            q->ExecQuery();
            q->Close();
            CommitRetaining();
        }

        S.Exec(QStringLiteral("insert into XCLIENT values (1, 'Альфа')"));
        S.Exec(QStringLiteral("insert into XCLIENT values (2, 'Бета')"));
        S.Exec(QStringLiteral("insert into XCLIENT values (3, 'Альфа')"));
        S.Exec(QStringLiteral("alter sequence XCLIENT_ID restart with 100"));
        S.Exec(QStringLiteral("alter sequence XDEAL_ID restart with 100"));
        S.Exec(
            QStringLiteral("insert into XDEAL (XDEAL_ID, XDEAL_NUM, XCLIENT_ID, XDEAL_DATE, XDEAL_DONE, XDEAL_QTY, "
                           "XDEAL_DISC) values (10, 'D-10', 1, '2024-01-10', 1, 5, 1.5)"));
        S.Exec(QStringLiteral("insert into XPROD values (11, 10, 2, 3.5, 7)"));
        S.Exec(QStringLiteral("insert into XPROD values (12, 10, 1, 10, 10)"));

        D.ClientView = C.AddTbl(QStringLiteral("Клиенты"), D.Client, 0, true);
        C.AddTblTree(D.ClientView, D.ClientId, 1, 4);
        C.AddTblTree(D.ClientView, D.ClientName, 2, 3);
        D.ProdView = C.AddTbl(QStringLiteral("Товары"), 0, D.DepDealProd, true);
        C.AddTblTree(D.ProdView, D.ProdId, 1, 8);
        C.AddTblTree(D.ProdView, D.ProdQty, 2, 3);
        C.AddTblTree(D.ProdView, D.ProdPrice, 4, 5);
        C.AddTblTree(D.ProdView, D.ProdAmount, 6, 7);

        const QString edit = QStringLiteral("EditStr");
        D.DealCard = AddCard(D.Deal, QStringLiteral("Сделка"), true, QStringLiteral("Main"), 400, AHeightAtr,
                             ADetails ? ADetHeight : 0);
        AddCardTree(
            D.DealCard,
            RootSpec(
                {FieldSpec(QStringLiteral("EditInt"), D.DealId, QRect(96, 8, 80, 0), QPoint(8, 10), true, true),
                 FieldSpec(edit, D.DealNum, QRect(96, 30, 160, 0), QPoint(8, 32)),
                 FieldSpec(QStringLiteral("EditObj"), D.DealClient, QRect(96, 52, 200, 0), QPoint(8, 54)),
                 FieldSpec(QStringLiteral("CheckBox"), D.DealDone, QRect(96, 74, 16, 17), QPoint(8, 76)),
                 FieldSpec(QStringLiteral("EditNum182"), D.DealSum, QRect(96, 96, 100, 0), QPoint(8, 98), true, true),
                 FieldSpec(QStringLiteral("EditNum182"), D.DealDisc, QRect(296, 96, 80, 0), QPoint(210, 98)),
                 PageSpec(QRect(8, 120, 380, 76),
                          {TabSpec(QStringLiteral("Даты"), {FieldSpec(QStringLiteral("DateEdit"), D.DealDate,
                                                                      QRect(96, 8, 120, 21), QPoint(8, 10))}),
                           TabSpec(QStringLiteral("Прочее"),
                                   {PageSpec(QRect(0, 0, 300, 60),
                                             {TabSpec(QStringLiteral("Пусто")),
                                              TabSpec(QStringLiteral("Количество"),
                                                      {FieldSpec(QStringLiteral("EditInt"), D.DealQty,
                                                                 QRect(96, 4, 80, 0), QPoint(8, 6))})})})})}));
        D.ProdCard = AddCard(D.Prod, QStringLiteral("Товар"), true, QStringLiteral("Main"), 320, 104);
        AddCardTree(
            D.ProdCard,
            RootSpec({FieldSpec(QStringLiteral("EditObj"), D.ProdDeal, QRect(96, 8, 160, 0), QPoint(8, 10), true, true),
                      FieldSpec(QStringLiteral("EditNum183"), D.ProdQty, QRect(96, 30, 100, 0), QPoint(8, 32)),
                      FieldSpec(QStringLiteral("EditNum182"), D.ProdPrice, QRect(96, 52, 100, 0), QPoint(8, 54)),
                      FieldSpec(QStringLiteral("EditNum182"), D.ProdAmount, QRect(96, 74, 100, 0), QPoint(8, 76), true,
                                true)}));
        D.ClientCard = AddCard(D.Client, QStringLiteral("Клиент"), true, QStringLiteral("Main"), 320, 40);
        AddCardTree(D.ClientCard, RootSpec({FieldSpec(edit, D.ClientName, QRect(96, 8, 200, 0), QPoint(8, 10))}));
        if (ADetails) {
            D.DetBook = AddDetBook(D.Deal, QStringLiteral("Детали сделки"));
            AddDetDep(D.DetBook, D.DepDealProd);
        }
        CommitRetaining();
        LoadObjList();
    }

    TCtrl* CtrlOfFld(TCard* ACard, int AFldId)
    {
        std::function<TCtrl*(TCtrl*)> find = [&](TCtrl* N) -> TCtrl* {
            if (N->Fld && N->Fld->Id == AFldId) return N;
            for (const auto& c : *N)
                if (TCtrl* f = find(c.get())) return f;
            return nullptr;
        };
        return find(ACard->RootCtrl.get());
    }
};
