#include "AppTest.h"
#include "app/MDILst.h"
#include "core/SysUtils.h"
#include "meta/Obj.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

namespace {

// A document that reports when it is freed.
struct TTestDoc : TMDI {
    TTestDoc(QMdiArea* AOwner, bool* AFreed) : TMDI(AOwner), Freed(AFreed) {}
    ~TTestDoc() override
    {
        if (Freed) *Freed = true;
    }
    bool* Freed;
};

class MDIList : public ::testing::Test {
protected:
    void SetUp() override
    {
        Area.resize(600, 400);
        Area.show();
        A.Capt2 = QStringLiteral("Сделки");
        B.Capt2 = QStringLiteral("Клиенты");
    }
    QMdiArea Area;
    TObj A;
    TObj B;
};

TEST_F(MDIList, SameKindAndObjectBringsTheOpenDocumentForward)
{
    TMDIList list(&Area);
    TMDI* a = list.Show(mtNone, &A);
    TMDI* b = list.Show(mtNone, &B);
    TMDI* none = list.Show(mtNone, nullptr);
    ASSERT_NE(a, b);
    ASSERT_NE(a, none);
    EXPECT_EQ(Area.currentSubWindow(), none->GetForm());

    EXPECT_EQ(list.Show(mtNone, &A), a);
    EXPECT_EQ(Area.currentSubWindow(), a->GetForm());
    EXPECT_EQ(list.Show(mtNone, nullptr), none);  // none equals none
    EXPECT_EQ(Area.currentSubWindow(), none->GetForm());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(Area.subWindowList().size(), 3);
    EXPECT_EQ(a->MDIType, mtNone);
    EXPECT_EQ(a->Obj, &A);
}

TEST_F(MDIList, ClosingAWindowRemovesAndFreesItsDocument)
{
    bool freed = false;
    TFactoryScope scope(mtObj, [&](QMdiArea* AOwner, TObj*) { return std::make_unique<TTestDoc>(AOwner, &freed); });
    TMDIList list(&Area);
    TMDI* a = list.Show(mtObj, &A);
    list.Show(mtObj, &B);
    QPointer<QMdiSubWindow> window = a->GetForm();
    Later([&] { window->close(); });  // the user closes it
    EXPECT_TRUE(WaitUntil([&] { return window.isNull(); }));
    EXPECT_TRUE(freed);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->Obj, &B);

    freed = false;
    TMDI* again = list.Show(mtObj, &A);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_NE(again->GetForm(), nullptr);
    EXPECT_FALSE(freed);
}

TEST_F(MDIList, FreeingTheListClosesEveryWindow)
{
    QList<QPointer<QMdiSubWindow>> windows;
    {
        TMDIList list(&Area);
        windows << list.Show(mtNone, &A)->GetForm() << list.Show(mtNone, &B)->GetForm();
        windows.first()->close();  // one already on its way out
    }
    for (const auto& window : windows) EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(Area.subWindowList().isEmpty());
}

TEST_F(MDIList, AKindWithoutWindowRaisesAndOpensNothing)
{
    TFactoryScope obj(mtObj, {});
    TFactoryScope conf(mtConfig, {});
    struct Case {
        TMDIType Type;
        TObj* Obj;
        QString Message;
    } cases[] = {
        {mtObj, &A, QStringLiteral("Окно объекта \"Сделки\" недоступно")},
        {mtConfig, nullptr, QStringLiteral("Окно конфигуратора недоступно")},
    };
    TMDIList list(&Area);
    for (const Case& c : cases) {
        try {
            list.Show(c.Type, c.Obj);
            ADD_FAILURE() << "no error for " << c.Message.toStdString();
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), c.Message);
        }
    }
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(Area.subWindowList().isEmpty());
}

TEST_F(MDIList, ADocumentThatFailsToBuildLeavesNoWindow)
{
    struct TFailingDoc : TMDI {
        explicit TFailingDoc(QMdiArea* AOwner) : TMDI(AOwner)
        {
            throw Exception(QStringLiteral("Представление объекта не найдено"));
        }
    };
    TFactoryScope scope(mtObj, [](QMdiArea* AOwner, TObj*) { return std::make_unique<TFailingDoc>(AOwner); });
    TMDIList list(&Area);
    EXPECT_THROW(list.Show(mtObj, &A), Exception);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(WaitUntil([&] { return Area.subWindowList().isEmpty(); }));
}

}  // namespace
