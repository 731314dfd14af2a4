#include "MainTest.h"
#include "app/func.h"
#include "core/SysUtils.h"
#include "meta/Obj.h"

#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

using MainWindow = MainWindowTest;

// Three objects added after the catalogue's own, in an order that is
// neither by id nor by caption.
void ThreeObjects()
{
    TAppFixture::AddObj(900003, QStringLiteral("T_APPLE"), QStringLiteral("Яблоки"), false, false);
    TAppFixture::AddObj(900002, QStringLiteral("T_SERVICE"), QStringLiteral("Служебный"), false, true);
    TAppFixture::AddObj(900001, QStringLiteral("T_CURR"), QStringLiteral("Валюты"), true, false);
}

QAction* DataItem(TMainForm& AForm, const QString& ACaption)
{
    for (QAction* action : AForm.miData->actions())
        if (action->text() == ACaption) return action;
    return nullptr;
}

TEST_F(MainWindow, BeforeLoginOnlyFileAndHelpWithTheFixedItems)
{
    TMainForm form;
    EXPECT_EQ(form.windowTitle(), "Платформа Velmora");
    EXPECT_EQ(form.width(), 426);
    EXPECT_EQ(form.height() - form.menuBar()->sizeHint().height(), 286);
    EXPECT_EQ(VisibleMenus(form.menuBar()), (QStringList{"Файл", "Справка"}));
    EXPECT_EQ(VisibleItems(form.miFile), (QStringList{"Авторизация", "Выход"}));
    EXPECT_EQ(VisibleItems(form.miSetup), QStringList{"Конфигуратор"});
    EXPECT_EQ(VisibleItems(form.miHelp), QStringList{"Домашняя страница"});
    for (QAction* hidden : {form.miDevMode, form.miShowDebMsg}) {
        EXPECT_TRUE(hidden->isCheckable());
        EXPECT_FALSE(hidden->isChecked());
        EXPECT_FALSE(hidden->isVisible());
    }
    for (QMenu* menu : {form.miFile, form.miData, form.miSetup, form.miHelp})
        for (QAction* action : menu->actions()) EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    EXPECT_EQ(form.StatusText(), "");

    // Five distinct glyphs: green rounded squares with a white symbol.
    ASSERT_EQ(form.il.size(), 5);
    QList<QImage> images;
    for (const QIcon& icon : form.il) {
        QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "rounded corner";
        const QColor body = image.pixelColor(2, 2);
        EXPECT_TRUE(body.green() > body.red() + 40 && body.green() > body.blue() + 40);
        bool white = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) white = white || image.pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_TRUE(white);
        for (const QImage& other : images) EXPECT_NE(image, other);
        images << image;
    }
}

TEST_F(MainWindow, DataMenuFollowsTheCatalogueOrderAndHidesMetaObjects)
{
    MakeDatabase(ThreeObjects);
    ASSERT_TRUE(ShowAndLogin());
    const int all = TAppFixture::IntValue(QStringLiteral("select count(*) from OBJ"));
    const int plain = TAppFixture::IntValue(QStringLiteral("select count(*) from OBJ where OBJ_META = 0"));

    QStringList items = VisibleItems(Form->miData);
    EXPECT_EQ(items.size(), plain);
    EXPECT_EQ(items.mid(items.size() - 2), (QStringList{"Яблоки", "Валюты (Спр.)"}));
    EXPECT_FALSE(items.contains("Служебный"));

    PostTrigger(Form->miDevMode);
    ASSERT_TRUE(WaitUntil([] { return DevMode; }));
    items = VisibleItems(Form->miData);
    EXPECT_EQ(items.size(), all);
    EXPECT_EQ(items.mid(items.size() - 3), (QStringList{"Яблоки", "Служебный", "Валюты (Спр.)"}));

    PostTrigger(Form->miDevMode);
    ASSERT_TRUE(WaitUntil([] { return !DevMode; }));
    EXPECT_EQ(VisibleItems(Form->miData).size(), plain);
}

TEST_F(MainWindow, MenuItemsOpenOneDocumentPerObject)
{
    QList<TObj*> created;
    TFactoryScope scope(mtObj, [&](QMdiArea* AOwner, TObj* AObj) {
        created << AObj;
        return std::make_unique<TMDI>(AOwner);
    });
    MakeDatabase(ThreeObjects);
    ASSERT_TRUE(ShowAndLogin());
    QAction* apples = DataItem(*Form, QStringLiteral("Яблоки"));
    QAction* currencies = DataItem(*Form, QStringLiteral("Валюты (Спр.)"));
    ASSERT_TRUE(apples && currencies);

    PostTrigger(apples);
    PostTrigger(currencies);
    PostTrigger(apples);
    bool triggered = false;
    Later([&] { triggered = true; });
    ASSERT_TRUE(WaitUntil([&] { return triggered; }));
    EXPECT_EQ(created.size(), 2);
    EXPECT_EQ(created[0]->Capt2, "Яблоки");
    EXPECT_EQ(created[1]->Capt2, "Валюты");
    EXPECT_EQ(Form->MdiArea->subWindowList().size(), 2);
    EXPECT_EQ(Form->MdiArea->currentSubWindow(), Form->MDIList()->Items(0)->GetForm());
    EXPECT_EQ(Form->MDIList()->Items(0)->MDIType, mtObj);
    EXPECT_EQ(Form->MDIList()->Items(0)->Obj, created[0]);
}

TEST_F(MainWindow, AKindWithoutWindowShowsItsMessageAndOpensNothing)
{
    TFactoryScope obj(mtObj, {});
    TFactoryScope conf(mtConfig, {});
    MakeDatabase(ThreeObjects);
    ASSERT_TRUE(ShowAndLogin());
    const struct {
        QAction* Item;
        QString Message;
    } cases[] = {
        {DataItem(*Form, QStringLiteral("Яблоки")), QStringLiteral("Окно объекта \"Яблоки\" недоступно")},
        {Form->miConf, QStringLiteral("Окно конфигуратора недоступно")},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.Item);
        QString message;
        TModalScript script({CloseBox(&message)});
        PostTrigger(c.Item);
        EXPECT_TRUE(script.Wait());
        EXPECT_EQ(message, c.Message);
    }
    EXPECT_EQ(Form->MDIList()->Count(), 0);
    EXPECT_TRUE(Form->MdiArea->subWindowList().isEmpty());
    EXPECT_TRUE(Form->isVisible());
}

TEST_F(MainWindow, AnItemOfAnObjectDeletedMeanwhileSaysSo)
{
    TFactoryScope scope(mtObj, [](QMdiArea* AOwner, TObj*) { return std::make_unique<TMDI>(AOwner); });
    MakeDatabase(ThreeObjects);
    ASSERT_TRUE(ShowAndLogin());
    QAction* apples = DataItem(*Form, QStringLiteral("Яблоки"));
    ASSERT_TRUE(apples);
    ObjList->Remove(ObjList->GetObjById(900003));  // as the configurator does after deleting it

    QString message;
    TModalScript script({CloseBox(&message)});
    PostTrigger(apples);
    EXPECT_TRUE(script.Wait());
    EXPECT_EQ(message, "Объект \"Яблоки\" удалён из каталога");
    EXPECT_EQ(Form->MDIList()->Count(), 0);
}

TEST_F(MainWindow, ReLoginClosesDocumentsAndRebuildsTheDataMenu)
{
    MakeDatabase([] { TAppFixture::AddUser(900001, QStringLiteral("petrov"), QStringLiteral("Петров П. П.")); });
    ASSERT_TRUE(ShowAndLogin());
    const QStringList before = VisibleItems(Form->miData);
    QPointer<QMdiSubWindow> window = Form->MDIList()->Show(mtNone, nullptr)->GetForm();
    // The catalogue grows meanwhile; the next login reads it afresh.
    TAppFixture::AddObj(900010, QStringLiteral("T_NEW"), QStringLiteral("Новый объект"), false, false);
    CommitRetaining();
    EXPECT_EQ(VisibleItems(Form->miData), before);

    ASSERT_TRUE(ReLogin(QStringLiteral("petrov")));
    EXPECT_TRUE(window.isNull());
    ASSERT_NE(Form->MDIList(), nullptr);
    EXPECT_EQ(Form->MDIList()->Count(), 0);
    EXPECT_EQ(Form->StatusText(), "Пользователь: Петров П. П.");
    EXPECT_EQ(UserId, 900001);
    EXPECT_EQ(VisibleItems(Form->miData), before + QStringList{"Новый объект"});
}

// An object that notes, when the catalogue frees it, whether the
// connection was still open.
struct TWitnessObj : TObj {
    explicit TWitnessObj(int* AConnectedAtFree) : Seen(AConnectedAtFree) {}
    ~TWitnessObj() override { *Seen = Connected && IBDatabase->Connected() ? 1 : 0; }
    int* Seen;
};

TEST_F(MainWindow, TeardownClosesDocumentsThenCatalogueThenConnection)
{
    const struct {
        const char* Name;
        std::function<void(MainWindowTest&)> Logout;
    } cases[] = {
        {"closing the main window", [](MainWindowTest& T) { T.Form->close(); }},
        {"logging in again, cancelled", [](MainWindowTest& T) { ASSERT_TRUE(T.ReLogin(QString())); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MakeDatabase();
        ASSERT_TRUE(ShowAndLogin());
        int docSawCatalogue = -1;
        int docSawConnection = -1;
        int objSawConnection = -1;
        QMdiSubWindow* window = Form->MDIList()->Show(mtNone, nullptr)->GetForm();
        QObject::connect(window, &QObject::destroyed, [&] {
            docSawCatalogue = ObjListLoaded && ObjList ? 1 : 0;
            docSawConnection = Connected ? 1 : 0;
        });
        ObjList->Add(std::make_unique<TWitnessObj>(&objSawConnection));

        c.Logout(*this);
        EXPECT_EQ(docSawCatalogue, 1);
        EXPECT_EQ(docSawConnection, 1);
        EXPECT_EQ(objSawConnection, 1);
        EXPECT_FALSE(ObjListLoaded);
        EXPECT_EQ(ObjList, nullptr);
        EXPECT_FALSE(Connected);
        EXPECT_FALSE(IBDatabase->Connected());
        EXPECT_EQ(Form->MDIList(), nullptr);
        EXPECT_EQ(Form->StatusText(), "");
        EXPECT_EQ(VisibleMenus(Form->menuBar()), (QStringList{"Файл", "Справка"}));
        TearDown();
    }
}

}  // namespace
