// Card controls on a real deal card: kinds and geometry, values by kind,
// editor <-> record notification, read-only states, the reference picker and
// focusing through tabs.
#include "CardsFixture.h"
#include "CardsGui.h"
#include "cards/WinCard.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QTableView>

namespace {

class WinCtrlTest : public DealsTest {
protected:
    WinCtrlTest() : FSep(DecimalSeparator()) { SetDecimalSeparator(u','); }
    ~WinCtrlTest() override { SetDecimalSeparator(FSep); }

    // The deal card with deal ARecId loaded, or a new deal when Null.
    std::unique_ptr<TWinCard> DealCard(const Variant& ARecId)
    {
        auto card = std::make_unique<TWinCard>(nullptr, nullptr, nullptr);
        card->InitByUser(Obj(D.Deal), 0);
        if (ARecId.IsNull())
            card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
        else
            card->SetRecId(ARecId);
        return card;
    }
    TWinCtrl* W(TWinCard* ACard, int AFldId) { return ACard->WinAtr->GetWinCtrlByFld(Fld(AFldId)); }
    TAtrItem* Item(TWinCard* ACard, int AFldId) { return ACard->WinAtr->Atr->GetByFld(Fld(AFldId)); }

private:
    QChar FSep;
};

TEST_F(WinCtrlTest, EveryKindIsBuiltAtItsStoredGeometryWithItsLabel)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    TWinCtrl* num = W(card.get(), D.DealNum);
    ASSERT_NE(num->Edit(), nullptr);
    EXPECT_EQ(num->WinControl->geometry().topLeft(), QPoint(96, 30));
    EXPECT_EQ(num->WinControl->width(), 160);
    EXPECT_EQ(num->WinControl->height(), num->WinControl->sizeHint().height());  // natural height
    EXPECT_FALSE(num->ShowButton());
    EXPECT_EQ(num->LabelCtrl->text(), "Номер");
    EXPECT_EQ(num->LabelCtrl->pos(), QPoint(8, 32));
    EXPECT_EQ(num->FieldName, "XDEAL_NUM");

    TWinCtrl* client = W(card.get(), D.DealClient);
    EXPECT_TRUE(client->ShowButton());
    EXPECT_TRUE(client->Edit()->isReadOnly());  // a reference is only chosen, never typed
    EXPECT_EQ(client->SelectObj, Obj(D.Client));

    TWinCtrl* done = W(card.get(), D.DealDone);
    ASSERT_NE(done->CheckBox(), nullptr);
    EXPECT_EQ(done->WinControl->geometry(), QRect(96, 74, 16, 17));

    TWinCtrl* date = W(card.get(), D.DealDate);
    ASSERT_NE(date->DateEdit(), nullptr);
    EXPECT_EQ(date->WinControl->geometry(), QRect(96, 8, 120, 21));
    TWinCtrl* tab = date->ParentWinCtrl;
    EXPECT_EQ(tab->Ctrl->CtrlType, ctTabSheet);
    EXPECT_EQ(tab->Caption(), "Даты");
    EXPECT_EQ(tab->LabelCtrl, nullptr);
    TWinCtrl* page = tab->ParentWinCtrl;
    ASSERT_NE(page->PageControl(), nullptr);
    EXPECT_EQ(page->WinControl->geometry(), QRect(8, 120, 380, 76));
    EXPECT_EQ(page->PageControl()->count(), 2);
    EXPECT_EQ(date->WinControl->parentWidget(), tab->WinControl);
    // The root stands for the attribute panel.
    EXPECT_EQ(page->ParentWinCtrl, card->WinAtr->GetRootWinCtrl());
    EXPECT_EQ(card->WinAtr->GetRootWinCtrl()->WinControl, page->WinControl->parentWidget());

    tab->SetCaption(QStringLiteral("Сроки"));
    EXPECT_EQ(page->PageControl()->tabText(0), "Сроки");
    num->SetCaption(QStringLiteral("№"));
    EXPECT_EQ(num->LabelCtrl->text(), "№");
    EXPECT_EQ(card->WinAtr->GetWinCtrlByFldName(QStringLiteral("XDEAL_QTY")), W(card.get(), D.DealQty));
}

TEST_F(WinCtrlTest, LoadingShowsEveryValueButMarksNothingAndRaisesNoChange)
{
    MakeDeals(false);
    auto card = std::make_unique<TWinCard>(nullptr, nullptr, nullptr);
    card->InitByUser(Obj(D.Deal), 0);
    int changes = 0;
    std::function<void(TWinCtrl*)> hook = [&](TWinCtrl* N) {
        N->OnChange = [&](TWinCtrl*) { ++changes; };
        for (const auto& c : *N) hook(c.get());
    };
    hook(card->WinAtr->GetRootWinCtrl());

    card->SetRecId(10);
    EXPECT_EQ(W(card.get(), D.DealId)->Edit()->text(), "10");
    EXPECT_EQ(W(card.get(), D.DealNum)->Edit()->text(), "D-10");
    EXPECT_EQ(W(card.get(), D.DealClient)->Edit()->text(), "Альфа");
    EXPECT_EQ(W(card.get(), D.DealClient)->Value(), Variant(1));
    EXPECT_EQ(W(card.get(), D.DealDone)->CheckBox()->checkState(), Qt::Checked);
    EXPECT_EQ(W(card.get(), D.DealSum)->Edit()->text(), "17");
    EXPECT_EQ(W(card.get(), D.DealDisc)->Edit()->text(), "1,5");
    EXPECT_EQ(W(card.get(), D.DealQty)->Edit()->text(), "5");
    TDateCheckEdit* date = W(card.get(), D.DealDate)->DateEdit();
    EXPECT_TRUE(date->Checked());
    EXPECT_EQ(date->Date(), QDate(2024, 1, 10));

    EXPECT_EQ(changes, 0);
    for (TAtrItem* item : *card->WinAtr->Atr) EXPECT_FALSE(item->Modified) << item->Fld->Field.toStdString();
    EXPECT_FALSE(card->WinAtr->Atr->Modified());

    // Defaults of a new record neither.
    auto fresh = DealCard(Variant::Null());
    EXPECT_FALSE(fresh->WinAtr->Atr->Modified());
    EXPECT_EQ(W(fresh.get(), D.DealDone)->CheckBox()->checkState(), Qt::PartiallyChecked);
}

TEST_F(WinCtrlTest, TypedTextReachesTheItemAndIsNotEchoedBackIntoItsEditor)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    TWinCtrl* disc = W(card.get(), D.DealDisc);
    int changes = 0;
    disc->OnChange = [&](TWinCtrl* ASender) {
        EXPECT_EQ(ASender, disc);
        ++changes;
    };

    TypeText(disc->Edit(), QStringLiteral("1.556"));  // the full stop becomes the separator
    EXPECT_EQ(disc->Edit()->text(), "1,556");         // not rewritten as the stored 1,56
    EXPECT_EQ(Item(card.get(), D.DealDisc)->Value(), Variant(1.56));
    EXPECT_TRUE(Item(card.get(), D.DealDisc)->Modified);
    EXPECT_EQ(Item(card.get(), D.DealDisc)->ChangeType, ctNone);
    EXPECT_EQ(changes, 5);

    TWinCtrl* qty = W(card.get(), D.DealQty);
    qty->Edit()->setText(QStringLiteral("7"));
    EXPECT_EQ(Item(card.get(), D.DealQty)->Value(), Variant(7));
    qty->Edit()->setText(QString());
    EXPECT_TRUE(Item(card.get(), D.DealQty)->Value().IsNull());
}

TEST_F(WinCtrlTest, DecimalSeparatorFilterOnlyInNumericEditors)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    TWinCtrl* disc = W(card.get(), D.DealDisc);
    TWinCtrl* qty = W(card.get(), D.DealQty);
    const struct {
        QChar Sep, Typed, Expected;
        bool Numeric;
    } cases[] = {
        {u',', u'.', u',', true}, {u',', u',', u',', true}, {u'.', u',', u'.', true}, {u',', u'.', u'.', false}};
    for (const auto& c : cases) {
        SetDecimalSeparator(c.Sep);
        QChar key = c.Typed;
        (c.Numeric ? disc : qty)->OnKeyPress(nullptr, key);
        EXPECT_EQ(key, c.Expected) << "sep " << QString(c.Sep).toStdString() << " typed "
                                   << QString(c.Typed).toStdString();
    }
}

TEST_F(WinCtrlTest, TextThatDoesNotConvertIsShownAsErrorAndTheItemKeepsItsValue)
{
    MakeDeals(false);
    auto card = DealCard(10);
    TWinCtrl* qty = W(card.get(), D.DealQty);
    QString error;
    TModalScript script({AnswerBox(QMessageBox::Ok, &error)});
    TypeText(qty->Edit(), QStringLiteral("x"));
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(error, "'5x' is not a valid integer value");
    EXPECT_EQ(Item(card.get(), D.DealQty)->Value(), Variant(5));
    EXPECT_EQ(Item(card.get(), D.DealQty)->ChangeType, ctNone);
    EXPECT_FALSE(Item(card.get(), D.DealQty)->Modified);
}

TEST_F(WinCtrlTest, CheckBoxStartsGrayedAndClicksNeverBringNullBack)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    TWinCtrl* done = W(card.get(), D.DealDone);
    EXPECT_EQ(done->CheckBox()->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(done->Value().IsNull());

    const Qt::CheckState expected[] = {Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked};
    for (Qt::CheckState state : expected) {
        done->CheckBox()->click();
        EXPECT_EQ(done->CheckBox()->checkState(), state);
        EXPECT_EQ(Item(card.get(), D.DealDone)->Value(), Variant(state == Qt::Checked));
    }
    EXPECT_TRUE(Item(card.get(), D.DealDone)->Modified);
    done->SetValue(Variant::Null());
    EXPECT_EQ(done->CheckBox()->checkState(), Qt::PartiallyChecked);
}

TEST_F(WinCtrlTest, DateEditorUncheckedMeansNoValue)
{
    MakeDeals(false);
    auto card = DealCard(10);
    TWinCtrl* date = W(card.get(), D.DealDate);
    EXPECT_EQ(date->Value(), Variant(EncodeDate(2024, 1, 10)));
    date->DateEdit()->DateEdit()->setDate(QDate(2024, 2, 29));
    EXPECT_EQ(Item(card.get(), D.DealDate)->Value(), Variant(EncodeDate(2024, 2, 29)));
    date->DateEdit()->CheckBox()->click();
    EXPECT_FALSE(date->DateEdit()->Checked());
    EXPECT_FALSE(date->DateEdit()->DateEdit()->isEnabled());
    EXPECT_TRUE(Item(card.get(), D.DealDate)->Value().IsNull());

    // Shown from the record: one change, the complete value.
    std::vector<Variant> seen;
    date->OnChange = [&](TWinCtrl* N) { seen.push_back(N->Value()); };
    Item(card.get(), D.DealDate)->SetValue(Variant::FromDate(EncodeDate(2023, 12, 31)));
    EXPECT_TRUE(date->DateEdit()->Checked());
    EXPECT_EQ(date->DateEdit()->Date(), QDate(2023, 12, 31));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Variant(EncodeDate(2023, 12, 31)));
}

TEST_F(WinCtrlTest, RecalculatedFormulaShowsInItsEditor)
{
    MakeDeals(false);
    auto card = std::make_unique<TWinCard>(nullptr, nullptr, nullptr);
    card->InitByUser(Obj(D.Prod), 0);
    card->WinAtr->InitDefaultValues(ObjList->GetObjLinkById(D.DepDealProd), 10);
    TWinCtrl* qty = W(card.get(), D.ProdQty);
    TWinCtrl* price = W(card.get(), D.ProdPrice);
    TWinCtrl* amount = W(card.get(), D.ProdAmount);
    EXPECT_EQ(W(card.get(), D.ProdDeal)->Value(), Variant(10));
    EXPECT_EQ(W(card.get(), D.ProdDeal)->Edit()->text(), "D-10");
    TypeText(qty->Edit(), QStringLiteral("2"));
    TypeText(price->Edit(), QStringLiteral("3,5"));
    EXPECT_EQ(amount->Edit()->text(), "7");
    EXPECT_EQ(Item(card.get(), D.ProdAmount)->Value(), Variant(7.0));
    price->Edit()->setText(QStringLiteral("4"));
    EXPECT_EQ(amount->Edit()->text(), "8");
}

TEST_F(WinCtrlTest, ReferenceEditorShowsTheMainFieldAndTakesEveryNewId)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    TWinCtrl* client = W(card.get(), D.DealClient);
    TAtrItem* item = Item(card.get(), D.DealClient);

    client->SetValue(1);
    EXPECT_EQ(client->Edit()->text(), "Альфа");
    EXPECT_EQ(item->Value(), Variant(1));
    EXPECT_TRUE(item->Modified);

    // Another record whose main field reads the same.
    client->SetValue(3);
    EXPECT_EQ(client->Edit()->text(), "Альфа");
    EXPECT_EQ(item->Value(), Variant(3));
    EXPECT_EQ(client->Value(), Variant(3));

    client->SetValue(Variant::Null());
    EXPECT_EQ(client->Edit()->text(), QString());
    EXPECT_TRUE(client->Value().IsNull());
    EXPECT_TRUE(item->Value().IsNull());

    EXPECT_EQ(client->GetObjText(2), "Бета");
    EXPECT_EQ(client->GetObjText(999), QString());  // no such record: no text
}

// Chooses the row of the picker's grid whose first cell reads AText.
TModalScript::TStep PickRow(const QString& AText, QString* ACaption)
{
    return [=](QWidget* AModal) {
        auto* grid = AModal->findChild<QTableView*>();
        if (!grid || !grid->model() || grid->model()->rowCount() == 0) return false;
        *ACaption = AModal->windowTitle();
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                if (grid->model()->index(r, c).data().toString() == AText) {
                    grid->setCurrentIndex(grid->model()->index(r, c));
                    for (QPushButton* b : AModal->findChildren<QPushButton*>())
                        if (b->text() == QStringLiteral("ОК")) PostClick(b);
                    return true;
                }
        return false;
    };
}

TEST_F(WinCtrlTest, F2OpensThePickerUnlessReadOnlyAndTheChoiceReachesTheItem)
{
    MakeDeals(false);
    auto card = DealCard(10);
    TWinCtrl* client = W(card.get(), D.DealClient);
    QString caption;
    TModalScript script({PickRow(QStringLiteral("Бета"), &caption)});
    SendKey(client->Edit(), Qt::Key_F2);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(caption, "Клиент");  // the editor's caption
    EXPECT_EQ(client->Edit()->text(), "Бета");
    EXPECT_EQ(Item(card.get(), D.DealClient)->Value(), Variant(2));
    EXPECT_TRUE(card->WinAtr->Atr->Modified());

    client->SetReadOnly(true);
    EXPECT_FALSE(client->ShowButton());
    SendKey(client->Edit(), Qt::Key_F2);
    ProcessEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Item(card.get(), D.DealClient)->Value(), Variant(2));
}

TEST_F(WinCtrlTest, ReadOnlyStatesByKind)
{
    MakeDeals(false);
    auto card = DealCard(Variant::Null());
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor window = QApplication::palette().color(QPalette::Base);
    for (bool ro : {true, false}) {
        TWinCtrl* num = W(card.get(), D.DealNum);
        num->SetReadOnly(ro);
        EXPECT_EQ(num->Edit()->isReadOnly(), ro);
        EXPECT_EQ(num->Edit()->palette().color(QPalette::Base), ro ? face : window);

        TWinCtrl* client = W(card.get(), D.DealClient);
        client->SetReadOnly(ro);
        EXPECT_TRUE(client->Edit()->isReadOnly());
        EXPECT_EQ(client->ShowButton(), !ro);
        EXPECT_EQ(client->Edit()->palette().color(QPalette::Base), ro ? face : window);

        for (int fld : {D.DealDate, D.DealDone}) {
            TWinCtrl* w = W(card.get(), fld);
            w->SetReadOnly(ro);
            EXPECT_EQ(w->WinControl->isEnabled(), !ro);
            EXPECT_EQ(w->ReadOnly(), ro);
        }
        TWinCtrl* tab = W(card.get(), D.DealDate)->ParentWinCtrl;
        tab->SetReadOnly(ro);
        EXPECT_EQ(tab->ReadOnly(), ro);
        EXPECT_TRUE(tab->WinControl->isEnabled());
    }
    EXPECT_EQ(ErrorOf([&] { card->WinAtr->GetRootWinCtrl()->SetReadOnly(true); }),
              "TWinCtrl.SetReadOnly: Неизвестный тип контрола 0");

    // The card applies ROAdd for a new record and ROEdt for a loaded one.
    TCtrl* disc = CtrlOfFld(card->Card.get(), D.DealDisc);
    disc->ROAdd = true;
    card->WinAtr->ApplyReadOnly();
    EXPECT_TRUE(W(card.get(), D.DealDisc)->ReadOnly());
    EXPECT_TRUE(W(card.get(), D.DealId)->ReadOnly());
    card->WinAtr->SetRecId(10);
    EXPECT_FALSE(W(card.get(), D.DealDisc)->ReadOnly());
    EXPECT_TRUE(W(card.get(), D.DealId)->ReadOnly());
}

TEST_F(WinCtrlTest, FocusingAControlActivatesEveryTabOnTheWay)
{
    MakeDeals(false);
    auto card = DealCard(10);
    TWinCtrl* qty = W(card.get(), D.DealQty);
    QTabWidget* inner = qty->ParentWinCtrl->ParentWinCtrl->PageControl();
    QTabWidget* outer = qty->ParentWinCtrl->ParentWinCtrl->ParentWinCtrl->ParentWinCtrl->PageControl();
    ASSERT_NE(inner, nullptr);
    ASSERT_NE(outer, nullptr);
    card->GetForm()->show();
    card->GetForm()->activateWindow();
    ProcessEvents();
    EXPECT_EQ(outer->currentIndex(), 0);
    EXPECT_EQ(inner->currentIndex(), 0);

    qty->SetFocus();
    EXPECT_EQ(outer->currentIndex(), 1);
    EXPECT_EQ(inner->currentIndex(), 1);
    ProcessEvents();
    EXPECT_TRUE(qty->WinControl->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), qty->WinControl.data());
    card->GetForm()->hide();
}

}  // namespace
