#include "AppTest.h"
#include "TestSession.h"
#include "app/DataTbl.h"
#include "app/func.h"
#include "meta/Obj.h"
#include "tables/WinTbl.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

namespace {

QString ErrorText(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

QStringList Headers(TWinTbl* AWinTbl)
{
    QStringList headers;
    for (int c = 0; c < AWinTbl->Model()->columnCount(); ++c)
        headers << AWinTbl->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    return headers;
}

}  // namespace

// The shipped catalogue lists its objects (OBJ) and fields (FLD) through
// default views; the documents open the user's view of each.
TEST(DataTbl, OneDocumentPerObjectShowingItsView)
{
    TTestSession session(TDbSetupOptions{});
    LoadObjList();
    TObj* objects = ObjList->GetObjByTable(QStringLiteral("OBJ"));
    TObj* fields = ObjList->GetObjByTable(QStringLiteral("FLD"));
    ASSERT_NE(objects, nullptr);
    ASSERT_NE(fields, nullptr);
    QMdiArea area;
    area.resize(900, 600);
    area.show();
    TFactoryScope scope(mtObj, {});
    RegisterDataTbl();
    {
        TMDIList list(&area);
        auto* doc = dynamic_cast<TDataTbl*>(list.Show(mtObj, objects));
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->GetForm()->windowTitle(), objects->Capt2);
        TWinTbl* grid = doc->GetWinTbl();
        EXPECT_EQ(Headers(grid), (QStringList{objects->FldList->GetFldByFldName(QStringLiteral("OBJ_CAPT2"))->Capt,
                                              objects->FldList->GetFldByFldName(QStringLiteral("OBJ_TABLE"))->Capt}));
        EXPECT_TRUE(WaitUntil([&] { return grid->Count() > 1; })) << "rows come as the grid shows them";
        EXPECT_EQ(grid->GetPanel()->parentWidget(), doc->ClientArea());
        EXPECT_EQ(grid->GetPanel()->size(), doc->ClientArea()->size()) << "fills the window";

        // Second choice: the same window comes forward.
        TMDI* other = list.Show(mtObj, fields);
        EXPECT_EQ(area.currentSubWindow(), other->GetForm());
        EXPECT_EQ(list.Show(mtObj, objects), doc);
        EXPECT_EQ(area.currentSubWindow(), doc->GetForm());
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(area.subWindowList().size(), 2);

        // Closing the window removes the document; the next choice opens a new one.
        QPointer<QMdiSubWindow> window = doc->GetForm();
        Later([&] { window->close(); });
        EXPECT_TRUE(WaitUntil([&] { return window.isNull(); }));
        EXPECT_EQ(list.Count(), 1);
        TMDI* again = list.Show(mtObj, objects);
        EXPECT_EQ(list.Count(), 2);
        ASSERT_NE(again->GetForm(), nullptr);
        EXPECT_TRUE(again->GetForm()->isVisible());
    }
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST(DataTbl, ObjectWithoutViewOpensNothing)
{
    TTestSession session;
    TAppFixture::AddObj(1001, QStringLiteral("XNOVIEW"), QStringLiteral("Без представления"), false, false);
    LoadObjList();
    QMdiArea area;
    area.show();
    TFactoryScope scope(mtObj, {});
    RegisterDataTbl();
    TMDIList list(&area);
    EXPECT_EQ(ErrorText([&] { list.Show(mtObj, ObjList->GetObjByTable(QStringLiteral("XNOVIEW"))); }),
              "Для объекта \"Без представления\" не создана таблица");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(area.subWindowList().isEmpty());
}
