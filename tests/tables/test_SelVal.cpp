#include "GridTest.h"
#include "app/func.h"
#include "tables/SelVal.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

// A picker over the clients (XCLIENT) of TSales.
class SelValTest : public TablesTest {
protected:
    TSales T{C};
    int View = 0;

    SelValTest()
    {
        View = C.AddTbl(QStringLiteral("Клиенты"), T.Client, 0, true, QStringLiteral("Clients"));
        C.AddTblTree(View, T.ClientId, 1, 4);
        C.AddTblTree(View, T.ClientName, 2, 3);
        int cities = C.AddTbl(QStringLiteral("Города"), T.City, 0, true);
        C.AddTblTree(cities, T.CityId, 1, 4);
        C.AddTblTree(cities, T.CityName, 2, 3);
        // The cities stand for a system-catalogue object.
        S.Exec(QStringLiteral("update OBJ set OBJ_META = 1 where OBJ_ID = %1").arg(T.City));
        LoadObjList();
    }

    TObj* Obj(const char* ATable) { return ObjList->GetObjByTable(QString::fromLatin1(ATable)); }

    // Runs Execute; AInside acts on the shown window from the event loop and
    // must close it. Answers Execute's result.
    static bool Run(TSelectValue& APicker, const std::function<void(TSelectValue&)>& AInside)
    {
        bool acted = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (acted || QApplication::activeModalWidget() != APicker.GetForm()) return;
            acted = true;
            Settle();
            AInside(APicker);
        });
        timer.start(5);
        const bool result = APicker.Execute();
        EXPECT_TRUE(acted);
        return result;
    }

    static void DoubleClickRow(QTableView* AGrid, int ARow)
    {
        QWidget* vp = AGrid->viewport();
        const QPoint p = AGrid->visualRect(AGrid->model()->index(ARow, 0)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(type, QPointF(p), vp->mapToGlobal(QPointF(p)), Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(vp, &e);
        }
    }

    static int IdAt(TSelectValue& APicker, int ARow)
    {
        TFld* pk = APicker.WinTbl->Tbl->GetObj()->FldList->GetPKFld();
        Variant v;
        APicker.WinTbl->GetDataByIndexFld(ARow, pk, v);
        return v.ToInt();
    }
};

}  // namespace

TEST_F(SelValTest, WindowAndItsButtons)
{
    QWidget owner;
    TSelectValue picker(&owner, nullptr);
    picker.Init(Obj("XCLIENT"), {}, {});
    QDialog* form = picker.GetForm();
    EXPECT_EQ(form->size(), QSize(300, 300));
    EXPECT_EQ(form->windowTitle(), "Клиенты");
    TSelectValue named(&owner, nullptr);
    named.Init(Obj("XCLIENT"), QStringLiteral("Clients"), QStringLiteral("Выберите клиента"));
    EXPECT_EQ(named.GetForm()->windowTitle(), "Выберите клиента");
    TSelectValue missing(&owner, nullptr);
    EXPECT_EQ(ErrorOf([&] { missing.Init(Obj("XDEAL"), {}, {}); }),
              "Для объекта \"Сделки\" не создана таблица");

    Run(picker, [](TSelectValue& APicker) {
        QDialog* f = APicker.GetForm();
        QList<QPushButton*> buttons = f->findChildren<QPushButton*>();
        QStringList captions;
        for (QPushButton* b : buttons) captions << b->text();
        EXPECT_TRUE(captions.contains("ОК"));
        EXPECT_TRUE(captions.contains("Отмена"));
        const QRect grid = APicker.WinTbl->GetPanel()->geometry();
        EXPECT_EQ(grid.top(), 0);
        EXPECT_EQ(grid.width(), f->width());
        EXPECT_EQ(grid.bottom() + 1, f->height() - 41) << "the strip is below the grid";
        f->reject();
    });
}

TEST_F(SelValTest, OkEnterAndDoubleClickChooseTheFocusedRecord)
{
    enum TWay { wOk, wEnter, wDoubleClick };
    for (TWay way : {wOk, wEnter, wDoubleClick}) {
        SCOPED_TRACE(int(way));
        QWidget owner;
        TSelectValue picker(&owner, nullptr);
        picker.Init(Obj("XCLIENT"), {}, {});
        int expected = 0;
        const bool chosen = Run(picker, [&](TSelectValue& APicker) {
            QTableView* grid = APicker.WinTbl->Grid();
            expected = IdAt(APicker, 1);
            if (way == wDoubleClick) {
                DoubleClickRow(grid, 1);
                return;
            }
            grid->setCurrentIndex(grid->model()->index(1, 0));
            if (way == wOk) {
                for (QPushButton* b : APicker.GetForm()->findChildren<QPushButton*>())
                    if (b->text() == "ОК") b->click();
            } else {
                PressKey(grid, Qt::Key_Return);
            }
        });
        EXPECT_TRUE(chosen);
        EXPECT_EQ(picker.Value, Variant(expected));
    }
}

TEST_F(SelValTest, NothingFocusedKeepsTheWindowOpenAndEscCancels)
{
    QWidget owner;
    TSelectValue picker(&owner, nullptr);
    picker.Init(Obj("XCLIENT"), {}, {});
    bool stayedOpen = false;
    const bool chosen = Run(picker, [&](TSelectValue& APicker) {
        QTableView* grid = APicker.WinTbl->Grid();
        grid->setFocus();
        PressKey(grid, Qt::Key_Return);
        for (QPushButton* b : APicker.GetForm()->findChildren<QPushButton*>())
            if (b->text() == "ОК") b->click();
        Settle();
        stayedOpen = APicker.GetForm()->isVisible();
        PressKey(grid, Qt::Key_Escape);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(chosen);
    EXPECT_TRUE(picker.Value.IsEmpty()) << "unchanged";

    // Cancel on a focused row chooses nothing either.
    const bool again = Run(picker, [&](TSelectValue& APicker) {
        QTableView* grid = APicker.WinTbl->Grid();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        for (QPushButton* b : APicker.GetForm()->findChildren<QPushButton*>())
            if (b->text() == "Отмена") b->click();
    });
    EXPECT_FALSE(again);
    EXPECT_TRUE(picker.Value.IsEmpty());
}

TEST_F(SelValTest, SystemObjectsAreReadOnlyOutsideDeveloperMode)
{
    for (bool dev : {false, true}) {
        SCOPED_TRACE(dev ? "developer mode" : "user mode");
        TDevModeScope scope(dev);
        QWidget owner;
        TSelectValue picker(&owner, nullptr);
        picker.Init(Obj("XCITY"), {}, {});
        QList<bool> states;
        bool asked = false;
        Run(picker, [&](TSelectValue& APicker) {
            TWinTbl* w = APicker.WinTbl.get();
            QTableView* grid = w->Grid();
            grid->setCurrentIndex(grid->model()->index(0, 0));
            for (TBtnType kind : {btAdd, btEdit, btDel}) states << w->WinToolBar->GetByBtnType(kind)->Enabled();
            if (!dev) {
                // The keys follow the buttons: no question, no card.
                for (int key : {Qt::Key_Delete, Qt::Key_Insert, Qt::Key_F2}) PressKey(grid, key);
                Settle();
                asked = QApplication::activeModalWidget() != APicker.GetForm();
            }
            APicker.GetForm()->reject();
        });
        EXPECT_EQ(states, QList<bool>(3, dev));
        EXPECT_FALSE(asked);
        EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XCITY")).ToInt(), 2);
    }
}

TEST_F(SelValTest, WindowNearTheScreenEdgeStaysInsideTheWorkArea)
{
    QWidget owner;
    owner.resize(200, 100);
    const QRect work = owner.screen()->availableGeometry();
    owner.move(work.right() - 150, work.top() + 10);
    owner.show();
    Settle();
    TSelectValue picker(&owner, &owner);
    picker.Init(Obj("XCLIENT"), {}, {});
    QRect placed;
    Run(picker, [&](TSelectValue& APicker) {
        placed = APicker.GetForm()->frameGeometry();
        APicker.GetForm()->reject();
    });
    EXPECT_LE(placed.right(), work.right());
    EXPECT_GE(placed.top(), work.top());
    EXPECT_GE(placed.left(), work.left());
}
