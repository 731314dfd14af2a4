#include "ErrorOf.h"
#include "CatalogFixture.h"
#include "meta/Formula.h"
#include "meta/Obj.h"

#include <gtest/gtest.h>

namespace {

// Deals refer to clients, clients to cities; a deal line's amount is computed.
class FormulaLoad : public ::testing::Test {
protected:
    TTestSession S;
    TCatalogFixture C{S};
    int City, Client, Deal;
    int CityName, ClientCity, ClientName, DealClient, DealSum, DealQty, DealAmount;

    void SetUp() override
    {
        City = C.AddObj(QStringLiteral("CITY"), QStringLiteral("Города"));
        CityName = C.AddFld(City, QStringLiteral("CITY_NAME"), QStringLiteral("string"), QStringLiteral("Город"), 50);
        Client = C.AddObj(QStringLiteral("CLIENT"), QStringLiteral("Клиенты"));
        ClientName = C.AddFld(Client, QStringLiteral("CLIENT_NAME"), QStringLiteral("string"), QStringLiteral("Имя"), 50);
        ClientCity = C.AddFld(Client, QStringLiteral("CITY_ID"), QStringLiteral("fk"), QStringLiteral("Клиент"));
        Deal = C.AddObj(QStringLiteral("DEAL"), QStringLiteral("Сделки"));
        DealClient = C.AddFld(Deal, QStringLiteral("CLIENT_ID"), QStringLiteral("fk"), QStringLiteral("Сделка"));
        DealSum = C.AddFld(Deal, QStringLiteral("DEAL_SUM"), QStringLiteral("num182"), QStringLiteral("a"));
        DealQty = C.AddFld(Deal, QStringLiteral("DEAL_QTY"), QStringLiteral("num183"), QStringLiteral("b"));
        DealAmount = C.AddFld(Deal, QStringLiteral("DEAL_AMOUNT"), QStringLiteral("num182"), QStringLiteral("c"));
        C.AddDep(City, ClientCity, QStringLiteral("CityClient"));
        C.AddDep(Client, DealClient, QStringLiteral("ClientDeal"));
    }

    TFld* Fld(int AId) { return ObjList->GetFldById(AId); }
};

TEST_F(FormulaLoad, NestedTreeLoadsInOperandOrder)
{
    // Mul(Add(a, b), c) numbered 1-10, 2-7 (3-4, 5-6), 8-9.
    C.SetFormulaHave(DealAmount);
    C.AddFrml(DealAmount, 1, 10, QStringLiteral("Mul"));
    C.AddFrml(DealAmount, 2, 7, QStringLiteral("Add"));
    C.AddFrml(DealAmount, 3, 4, {}, DealSum);
    C.AddFrml(DealAmount, 5, 6, {}, DealQty);
    C.AddFrml(DealAmount, 8, 9, {}, DealSum);
    LoadObjList();
    TFormula* f = Fld(DealAmount)->Formula.get();
    ASSERT_TRUE(f->FormulaItemRoot);
    TFormulaItem* root = f->FormulaItemRoot.get();
    EXPECT_EQ(root->Func, ffMul);
    ASSERT_EQ(root->Count(), 2);
    EXPECT_EQ(root->Items(0)->Func, ffAdd);
    ASSERT_EQ(root->Items(0)->Count(), 2);
    EXPECT_EQ(root->Items(0)->Items(1)->Fld, Fld(DealQty));
    EXPECT_EQ(root->Items(1)->Fld, Fld(DealSum));
    EXPECT_EQ(f->Text(), "(a + b) * a");
    EXPECT_EQ(root->Text(false), FormulaFuncToCapt(ffMul));
}

TEST_F(FormulaLoad, TreeShapesFromTheStoredNumbers)
{
    struct Case {
        QList<QPair<int, int>> Rows;
        QString Shape;  // children counts in pre-order, or "error"
    } cases[] = {
        {{{1, 10}, {2, 5}, {3, 4}, {6, 9}, {7, 8}}, "2 1 0 1 0"},
        {{{1, 4}, {2, 3}, {5, 6}}, "error"},
        {{{4, 9}, {5, 6}, {7, 8}}, "2 0 0"},        // the root need not start at 1
        {{{1, 8}, {2, 3}, {5, 7}}, "2 0 0"},        // last child by its right bound
        {{{1, 6}, {2, 3}, {4, 5}}, "2 0 0"},
    };
    for (const auto& c : cases) {
        S.Exec(QStringLiteral("delete from FRMLTREE"));
        C.SetFormulaHave(DealAmount);
        for (auto [l, r] : c.Rows) C.AddFrml(DealAmount, l, r, QStringLiteral("Add"));
        QString shape;
        QString err = ErrorOf([&] {
            LoadObjList();
            std::function<void(TFormulaItem*)> walk = [&](TFormulaItem* AItem) {
                shape += QString::number(AItem->Count()) + u' ';
                for (const auto& ch : *AItem) walk(ch.get());
            };
            walk(Fld(DealAmount)->Formula->FormulaItemRoot.get());
        });
        FreeObjList();
        if (c.Shape == "error")
            EXPECT_EQ(err, "TObj.LoadFormuls: Нарушение структуры дерева формулы для поля \"c\"");
        else
            EXPECT_EQ(shape.trimmed(), c.Shape);
    }
}

TEST_F(FormulaLoad, PathFollowsStepKeysAndConstantsKeepTheirValue)
{
    C.SetFormulaHave(DealAmount);
    C.AddFrml(DealAmount, 1, 6, QStringLiteral("Rate"));
    int ref = C.AddFrml(DealAmount, 2, 3, {}, CityName, {}, true);
    C.AddFrml(DealAmount, 4, 5, {}, 0, QStringLiteral("12"));
    // Steps stored out of field order: the key order decides.
    C.AddPath(ref, ClientCity, 900002);
    C.AddPath(ref, DealClient, 900001);
    // A field that has the flag but no rows ends up empty.
    C.SetFormulaHave(DealQty);
    LoadObjList();
    TFormulaItem* node = Fld(DealAmount)->Formula->FormulaItemRoot->Items(0);
    ASSERT_TRUE(node->PathHave);
    ASSERT_EQ(node->Path->Count(), 2);
    EXPECT_EQ(node->Path->Items(0), Fld(DealClient));
    EXPECT_EQ(node->Path->Items(1), Fld(ClientCity));
    EXPECT_EQ(node->Text(true), "Сделка>Клиент>Город");
    EXPECT_EQ(Fld(DealAmount)->Formula->Text(), FormulaFuncToCapt(ffRate) + "(Сделка>Клиент>Город;12)");
    EXPECT_TRUE(Fld(DealQty)->Formula->IsEmpty());
    EXPECT_EQ(Fld(DealQty)->Formula->Text(), "");
}

// Texts and copies of trees built in memory.
class FormulaText : public ::testing::Test {
protected:
    TTestSession S;  // the function captions come from the database
    TFld A, B, Cf;

    void SetUp() override
    {
        A.Capt = QStringLiteral("a");
        B.Capt = QStringLiteral("b");
        Cf.Capt = QStringLiteral("c");
    }

    static std::unique_ptr<TFormulaItem> Fn(TFormulaFunc AFunc, std::vector<std::unique_ptr<TFormulaItem>> AArgs)
    {
        auto item = std::make_unique<TFormulaItem>();
        item->Func = AFunc;
        for (auto& a : AArgs) item->Add(std::move(a));
        return item;
    }
    static std::unique_ptr<TFormulaItem> Ref(TFld* AFld)
    {
        auto item = std::make_unique<TFormulaItem>();
        item->Fld = AFld;
        return item;
    }
    static std::unique_ptr<TFormulaItem> Const(const Variant& AValue)
    {
        auto item = std::make_unique<TFormulaItem>();
        item->Value = AValue;
        return item;
    }
    template <typename... T>
    static std::vector<std::unique_ptr<TFormulaItem>> Args(T... AArgs)
    {
        std::vector<std::unique_ptr<TFormulaItem>> v;
        (v.push_back(std::move(AArgs)), ...);
        return v;
    }
};

TEST_F(FormulaText, ParenthesesOnlyAroundSumsInsideProductsAndQuotients)
{
    struct Case {
        std::unique_ptr<TFormulaItem> Item;
        QString Text;
    };
    Case cases[] = {
        {Fn(ffMul, Args(Fn(ffAdd, Args(Ref(&A), Ref(&B))), Ref(&Cf))), "(a + b) * c"},
        {Fn(ffDed, Args(Ref(&A), Fn(ffDed, Args(Ref(&B), Ref(&Cf))))), "a - b - c"},
        {Fn(ffDiv, Args(Ref(&A), Fn(ffMul, Args(Ref(&B), Ref(&Cf))))), "a / b * c"},
        {Fn(ffDiv, Args(Fn(ffDed, Args(Ref(&A), Ref(&B))), Const(2))), "(a - b) / 2"},
        {Fn(ffAdd, Args(Ref(&A), Fn(ffMul, Args(Ref(&B), Const(QStringLiteral("x")))))), "a + b * x"},
        {Fn(ffCurD, Args()), FormulaFuncToCapt(ffCurD)},
        {Fn(ffRate, Args(Ref(&A), Fn(ffCurD, Args()))), FormulaFuncToCapt(ffRate) + "(a;" + FormulaFuncToCapt(ffCurD) + ")"},
    };
    for (auto& c : cases) EXPECT_EQ(c.Item->Text(true), c.Text);
    EXPECT_EQ(Fn(ffAdd, Args(Ref(&A), Ref(&B)))->Text(false), FormulaFuncToCapt(ffAdd));
    EXPECT_EQ(ErrorOf([&] { Fn(ffParId, Args(Ref(&A)))->Text(true); }), "TFormulaItem.Text: Неизвестная функция \"8\"");
    EXPECT_EQ(Const(Variant())->Text(true), "");
    EXPECT_THROW(Const(Variant::Null())->Text(true), EVariantError);
}

TEST_F(FormulaText, AssignCopiesDeeplyAndEmptySourceEmptiesTarget)
{
    TFormula src, dst;
    src.FormulaItemRoot = Fn(ffMul, Args(Fn(ffAdd, Args(Ref(&A), Ref(&B))), Const(3)));
    src.FormulaItemRoot->Items(0)->Items(0)->PathHave = true;
    src.FormulaItemRoot->Items(0)->Items(0)->Path->Add(&Cf);
    src.Assign(&dst);
    ASSERT_TRUE(dst.FormulaItemRoot);
    EXPECT_NE(dst.FormulaItemRoot.get(), src.FormulaItemRoot.get());
    EXPECT_EQ(dst.Text(), "(c>a + b) * 3");
    TFormulaItem* copied = dst.FormulaItemRoot->Items(0)->Items(0);
    EXPECT_EQ(copied->Fld, &A);  // fields are shared, nodes and paths copied
    EXPECT_NE(copied->Path.get(), src.FormulaItemRoot->Items(0)->Items(0)->Path.get());
    src.Clear();
    EXPECT_EQ(dst.Text(), "(c>a + b) * 3");

    TFormula empty;
    empty.Assign(&dst);
    EXPECT_TRUE(dst.IsEmpty());
}

}  // namespace
