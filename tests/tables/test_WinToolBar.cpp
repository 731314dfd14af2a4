#include "GridTest.h"
#include "tables/WinToolBar.h"

#include <QToolButton>

TEST(WinToolBar, ButtonsLeftToRightFoundByKind)
{
    QWidget host;
    TWinToolBar bar(&host, &host);
    QStringList clicks;
    bar.AddBtn(btSave, QStringLiteral("Сохранить"), [&](QObject*) { clicks << "save"; });
    TWinToolBtn* first = bar.AddBtn(btOther, QStringLiteral("Отметить неоплаченные"), [&](QObject*) { clicks << "mark"; });
    bar.AddBtn(btOther, QStringLiteral("Снять все отметки"), [&](QObject*) { clicks << "clear"; });
    host.show();
    Settle();

    EXPECT_EQ(bar.GetByBtnType(btOther), first) << "the first of several";
    EXPECT_EQ(bar.GetByBtnType(btAdd), nullptr);
    ASSERT_EQ(bar.Count(), 3);
    EXPECT_LT(bar.Items(0)->Btn()->x(), bar.Items(1)->Btn()->x());
    EXPECT_LT(bar.Items(1)->Btn()->x(), bar.Items(2)->Btn()->x());
    EXPECT_EQ(bar.Items(2)->Btn()->text(), "Снять все отметки");
    EXPECT_EQ(bar.Items(2)->Btn()->toolButtonStyle(), Qt::ToolButtonTextOnly);

    bar.Items(1)->Btn()->click();
    bar.Items(0)->Btn()->click();
    EXPECT_EQ(clicks, (QStringList{"mark", "save"}));
    bar.Items(1)->SetEnabled(false);
    bar.Items(1)->Btn()->click();
    EXPECT_EQ(clicks.size(), 2) << "a disabled button does not click";
}

TEST(WinToolBar, AlwaysDisableKeepsTheButtonAsItIs)
{
    QWidget host;
    TWinToolBar bar(&host, &host);
    TWinToolBtn* off = bar.AddBtn(btAdd, QStringLiteral("Добавить"), {});
    TWinToolBtn* on = bar.AddBtn(btEdit, QStringLiteral("Изменить"), {});
    off->SetEnabled(false);
    off->AlwaysDisable = true;
    off->SetEnabled(true);
    EXPECT_FALSE(off->Enabled());
    EXPECT_FALSE(off->Btn()->isEnabled());
    on->AlwaysDisable = true;
    on->SetEnabled(false);
    EXPECT_TRUE(on->Enabled());
    EXPECT_TRUE(on->Btn()->isEnabled());
    on->AlwaysDisable = false;
    on->SetEnabled(false);
    EXPECT_FALSE(on->Enabled());

    // Hiding keeps the enabled state for when the button shows again.
    off->AlwaysDisable = false;
    off->SetEnabled(true);
    off->SetVisible(false);
    EXPECT_FALSE(off->Visible());
    EXPECT_TRUE(off->Enabled());
    off->SetVisible(true);
    EXPECT_TRUE(off->Btn()->isEnabled());
}
