// The card window: its form built from the definition, OK with post and
// commit (and rollback on failure), Enter, closing with "Отменить?", NoPost,
// embedding, sizes, and the detail area's new-record and summing flow.
#include "CardsFixture.h"
#include "CardsGui.h"
#include "cards/WinCard.h"
#include "cards/WinDetTbl.h"

#include <QApplication>
#include <QMessageBox>
#include <QTableView>

namespace {

class WinCardTest : public DealsTest {
protected:
    WinCardTest() : FSep(DecimalSeparator()) { SetDecimalSeparator(u','); }
    ~WinCardTest() override { SetDecimalSeparator(FSep); }

    std::unique_ptr<TWinCard> NewCard(TObj* AObj, QWidget* AParent = nullptr)
    {
        auto card = std::make_unique<TWinCard>(nullptr, nullptr, AParent);
        card->InitByUser(AObj, 0);
        return card;
    }
    TWinCtrl* W(TWinCard* ACard, int AFldId) { return ACard->WinAtr->GetWinCtrlByFld(Fld(AFldId)); }
    int DealCount() { return S.Value(QStringLiteral("select count(*) from XDEAL")).ToInt(); }

private:
    QChar FSep;
};

// A step that clicks a button of the card once it is the modal window.
TModalScript::TStep Click(TWinCard* ACard, QPushButton* AButton)
{
    return [=](QWidget* AModal) {
        if (AModal != ACard->GetForm()) return false;
        PostClick(AButton);
        return true;
    };
}

// ---------------------------------------------------------------- the form

TEST_F(WinCardTest, FormWithoutDetailsIsAttributePanelAndButtons)
{
    MakeDeals(false, 200);
    auto card = NewCard(Obj(D.Deal));
    QDialog* form = card->GetForm();
    EXPECT_EQ(card->WinDetBook, nullptr);
    EXPECT_EQ(form->width(), 400);
    EXPECT_EQ(form->height(), 200 + 40);
    EXPECT_EQ(card->Height(), 240);
    EXPECT_EQ(card->HeightAtr(), 200);
    EXPECT_EQ(form->windowTitle(), "Сделка");
    EXPECT_EQ(card->OkButton()->text(), "ОК");
    EXPECT_EQ(card->OkButton()->geometry(), QRect(400 - 166, 7, 75, 25));
    EXPECT_EQ(card->CancelButton()->text(), "Отмена");
    EXPECT_EQ(card->CancelButton()->geometry(), QRect(400 - 83, 7, 75, 25));
    EXPECT_EQ(card->OkButton()->mapTo(form, QPoint(0, 0)).y(), 200 + 7);
    EXPECT_FALSE(form->isVisible());

    // Without details the attribute panel follows the form.
    card->SetHeightAtr(160);
    EXPECT_EQ(card->Height(), 200);
    card->SetWidth(480);
    EXPECT_EQ(card->Width(), 480);
    card->GetForm()->show();  // a hidden window's controls follow its size when it is shown
    ProcessEvents();
    EXPECT_EQ(card->OkButton()->x(), 480 - 166);
    card->GetForm()->hide();
}

TEST_F(WinCardTest, FormWithDetailsHasSplitterAndDetailPanel)
{
    MakeDeals(true, 200, 160);
    auto card = NewCard(Obj(D.Deal));
    ASSERT_NE(card->WinDetBook, nullptr);
    EXPECT_EQ(card->Height(), 200 + TCardSplitter::BarHeight + 160 + 40);
    EXPECT_EQ(card->HeightAtr(), 200);
    EXPECT_EQ(card->HeightDet(), 160);
    QTabWidget* pc = card->WinDetBook->PageControl();
    ASSERT_NE(pc, nullptr);
    card->GetForm()->show();
    ProcessEvents();
    EXPECT_EQ(pc->geometry(), QRect(8, 8, 400 - 16, 160 - 16));
    EXPECT_EQ(pc->tabText(0), "Товары сделки");

    card->SetHeightDet(240);
    EXPECT_EQ(card->Height(), 200 + TCardSplitter::BarHeight + 240 + 40);
    EXPECT_EQ(pc->height(), 240 - 16);
    card->SetHeightAtr(176);  // the detail panel takes the rest
    EXPECT_EQ(card->HeightAtr(), 176);
    EXPECT_EQ(card->HeightDet(), 240 + 24);
    card->GetForm()->hide();
}

TEST_F(WinCardTest, SizesSnapToMultiplesOfEight)
{
    MakeDeals(true, 200, 160);
    auto card = NewCard(Obj(D.Deal));
    int w = 413, h = 509;
    bool resize = false;
    card->FormCanResize(w, h, resize);
    EXPECT_TRUE(resize);
    EXPECT_EQ(w, 408);
    EXPECT_EQ(h, 504);
    w = 401;  // same multiple of 8 as 400
    h = card->Height() + 1;
    card->FormCanResize(w, h, resize);
    EXPECT_EQ(resize, card->Height() / 8 != h / 8);

    int size = 213;
    bool accept = false;
    card->SplitterCanResize(size, accept);
    EXPECT_EQ(size, 208);
    EXPECT_TRUE(accept);
    size = 205;
    card->SplitterCanResize(size, accept);
    EXPECT_EQ(size, 200);
    EXPECT_FALSE(accept);  // the panel is 200 already

    // The user resizes the window and drags the splitter.
    card->GetForm()->show();
    ProcessEvents();
    card->GetForm()->resize(437, 561);
    ProcessEvents();
    EXPECT_EQ(card->Width() % 8, 0);
    EXPECT_EQ(card->Height() % 8, 0);
    auto* splitter = card->GetForm()->findChild<TCardSplitter*>();
    ASSERT_NE(splitter, nullptr);
    splitter->DragTo(229);
    EXPECT_EQ(card->HeightAtr(), 224);
    card->GetForm()->hide();
}

TEST_F(WinCardTest, ControlTreeWithAFieldOfAnotherObjectCannotBeBuilt)
{
    MakeDeals(false);
    int bad = AddCard(D.Deal, QStringLiteral("Чужое поле"), false, QStringLiteral("Bad"));
    AddCardTree(bad,
                RootSpec({FieldSpec(QStringLiteral("EditStr"), D.ClientName, QRect(96, 8, 100, 0), QPoint(8, 10))}));
    CommitRetaining();
    TWinCard card(nullptr, nullptr, nullptr);
    EXPECT_EQ(ErrorOf([&] { card.InitByName(Obj(D.Deal), QStringLiteral("Bad")); }),
              "TAtr.GetByFld: Поле \"Наименование\" не принадлежит объекту \"Сделка\"");
    TWinCard missing(nullptr, nullptr, nullptr);
    EXPECT_EQ(ErrorOf([&] { missing.InitByName(Obj(D.Deal), QStringLiteral("Нет такой")); }),
              "Для объекта \"Сделка\" не создана карточка");
}

// ---------------------------------------------------------------- OK

TEST_F(WinCardTest, OkPostsAndCommitsTheNewRecord)
{
    MakeDeals(false);
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-новая"));
    W(card.get(), D.DealClient)->SetValue(2);
    int committed = 0;
    card->WinAtr->Atr->OnAfterCommit = [&](TAtr*) { ++committed; };

    TModalScript script({Click(card.get(), card->OkButton())});
    EXPECT_EQ(card->ShowModalCard(), mrOk);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(committed, 1);
    const int id = card->RecId().ToInt();
    EXPECT_EQ(CommittedValue(QStringLiteral("select XCLIENT_ID from XDEAL where XDEAL_NUM = 'D-новая'")), 2);
    EXPECT_EQ(CommittedValue(QStringLiteral("select XDEAL_ID from XDEAL where XDEAL_NUM = 'D-новая'")), id);
}

TEST_F(WinCardTest, FailedCheckIsRolledBackAndFocusesTheFieldOnItsTabs)
{
    MakeDeals(false);
    Fld(D.DealQty)->NotNull = true;
    auto card = NewCard(Obj(D.Deal));
    card->SetRecId(10);
    W(card.get(), D.DealQty)->Edit()->setText(QString());
    // Uncommitted work of the same transaction goes with the failed post.
    S.Exec(QStringLiteral("update XCLIENT set XCLIENT_NAME = 'Черновик' where XCLIENT_ID = 2"));

    QString error;
    bool stillOpen = false;
    QTabWidget* inner = W(card.get(), D.DealQty)->ParentWinCtrl->ParentWinCtrl->PageControl();
    int innerTab = -1, outerTab = -1;
    QTabWidget* outer = W(card.get(), D.DealDate)->ParentWinCtrl->ParentWinCtrl->PageControl();
    QString answer;
    TModalScript script({Click(card.get(), card->OkButton()), AnswerBox(QMessageBox::Ok, &error),
                         Act([&](QWidget* AModal) {
                             if (AModal != card->GetForm()) return false;
                             stillOpen = card->GetForm()->isVisible();
                             innerTab = inner->currentIndex();
                             outerTab = outer->currentIndex();
                             W(card.get(), D.DealQty)->Edit()->setText(QStringLiteral("6"));
                             PostClick(card->CancelButton());
                             return true;
                         }),
                         AnswerBox(QMessageBox::Yes, &answer)});
    EXPECT_EQ(card->ShowModalCard(), mrCancel);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(error,
              "Невозможно изменить запись для объекта \"Сделка\", т.к. для поля \"Количество\" не указано значение");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(outerTab, 1);
    EXPECT_EQ(innerTab, 1);
    EXPECT_EQ(answer, "Отменить?");
    EXPECT_EQ(S.Value(QStringLiteral("select XCLIENT_NAME from XCLIENT where XCLIENT_ID = 2")), Variant("Бета"));
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_QTY from XDEAL where XDEAL_ID = 10")), Variant(5));
}

TEST_F(WinCardTest, InsertRefusedByTheDatabaseIsRolledBackAndTheNextOkInsertsOnce)
{
    MakeDeals(false);
    Ddl(QStringLiteral("alter table XDEAL add constraint CHK_XDEAL_QTY check (XDEAL_QTY >= 0)"));
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-77"));
    W(card.get(), D.DealQty)->Edit()->setText(QStringLiteral("-1"));
    const int before = DealCount();

    QString error;
    TModalScript script(
        {Click(card.get(), card->OkButton()), AnswerBox(QMessageBox::Ok, &error), Act([&](QWidget* AModal) {
             if (AModal != card->GetForm()) return false;
             W(card.get(), D.DealQty)->Edit()->setText(QStringLiteral("3"));
             PostClick(card->OkButton());
             return true;
         })});
    EXPECT_EQ(card->ShowModalCard(), mrOk);
    ASSERT_TRUE(script.Wait());
    EXPECT_TRUE(error.contains(QStringLiteral("CHK_XDEAL_QTY"))) << error.toStdString();
    EXPECT_EQ(DealCount(), before + 1);
    EXPECT_EQ(CommittedValue(QStringLiteral("select XDEAL_QTY from XDEAL where XDEAL_NUM = 'D-77'")), 3);
}

TEST_F(WinCardTest, EnterActsAsOkInAStandAloneCard)
{
    MakeDeals(false);
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    QLineEdit* num = W(card.get(), D.DealNum)->Edit();
    num->setText(QStringLiteral("D-enter"));
    TModalScript script({[&](QWidget* AModal) {
        if (AModal != card->GetForm()) return false;
        num->setFocus();
        if (QApplication::focusWidget() != num) return false;
        SendKey(num, Qt::Key_Return, QStringLiteral("\r"));
        return true;
    }});
    EXPECT_EQ(card->ShowModalCard(), mrOk);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(CommittedValue(QStringLiteral("select count(*) from XDEAL where XDEAL_NUM = 'D-enter'")), 1);
}

TEST_F(WinCardTest, EmbeddedCardIsVisibleAtOnceIgnoresOkAndEnterAndRefusesToClose)
{
    MakeDeals(false);
    QWidget host;
    host.resize(600, 400);
    host.show();
    auto card = NewCard(Obj(D.Deal), &host);
    QDialog* form = card->GetForm();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->parentWidget(), &host);
    EXPECT_FALSE(form->isWindow());
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-preview"));
    const int before = DealCount();
    card->OkClick(form);
    card->FormKeyDown(Qt::Key_Return);
    form->reject();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(card->FormCloseQuery());
    EXPECT_EQ(DealCount(), before);
}

// ---------------------------------------------------------------- closing

TEST_F(WinCardTest, CancelAsksOnlyForAModifiedCardAndNoKeepsItOpen)
{
    MakeDeals(false);
    {
        auto card = NewCard(Obj(D.Deal));
        card->SetRecId(10);
        bool asked = false;
        TModalScript script({Click(card.get(), card->CancelButton())});
        // Any question is answered (so that the card closes) and noted.
        TModalScript watch({[&](QWidget* AModal) {
            auto* box = qobject_cast<QMessageBox*>(AModal);
            if (!box) return false;
            asked = true;
            PostClick(box->button(QMessageBox::Yes));
            return true;
        }});
        EXPECT_EQ(card->ShowModalCard(), mrCancel);
        ASSERT_TRUE(script.Wait());
        ProcessEvents();
        EXPECT_FALSE(asked);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    auto card = NewCard(Obj(D.Deal));
    card->SetRecId(10);
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-изм"));
    QString first, second;
    bool openAfterNo = false;
    TModalScript script({Click(card.get(), card->CancelButton()), AnswerBox(QMessageBox::No, &first),
                         Act([&](QWidget* AModal) {
                             if (AModal != card->GetForm()) return false;
                             openAfterNo = card->GetForm()->isVisible();
                             // The window's close box (posted: it asks, and the script answers).
                             QMetaObject::invokeMethod(card->GetForm(), &QWidget::close, Qt::QueuedConnection);
                             return true;
                         }),
                         AnswerBox(QMessageBox::Yes, &second)});
    EXPECT_EQ(card->ShowModalCard(), mrCancel);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(first, "Отменить?");
    EXPECT_EQ(second, "Отменить?");
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_NUM from XDEAL where XDEAL_ID = 10")), Variant("D-10"));
}

TEST_F(WinCardTest, NoPostClosesWithOkAndWritesNothing)
{
    MakeDeals(false);
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    card->NoPost = true;
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-none"));
    const int before = DealCount();
    TModalScript script({Click(card.get(), card->OkButton())});
    EXPECT_EQ(card->ShowModalCard(), mrOk);
    ASSERT_TRUE(script.Wait());
    EXPECT_EQ(DealCount(), before);
    EXPECT_EQ(W(card.get(), D.DealNum)->Value(), Variant("D-none"));
}

// ---------------------------------------------------------------- details

TEST_F(WinCardTest, NewRecordIsCommittedBeforeItsFirstChildCardOpensAndSumsFollow)
{
    MakeDeals(true);
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("D-200"));
    auto* tab = dynamic_cast<TWinDetTbl*>(card->WinDetBook->Items(0));
    ASSERT_NE(tab, nullptr);
    ASSERT_NE(tab->WinTbl, nullptr);

    int committedAtChildCard = -1;
    Variant childParent;
    TModalScript script({[&](QWidget* AModal) {
        auto* form = qobject_cast<QDialog*>(AModal);
        if (!form || form->windowTitle() != QStringLiteral("Товары сделки")) return false;
        committedAtChildCard = CommittedValue(QStringLiteral("select count(*) from XDEAL where XDEAL_NUM = 'D-200'"));
        QList<QLineEdit*> edits = form->findChildren<QLineEdit*>();
        // Deal, quantity, price, amount in tree order.
        std::sort(edits.begin(), edits.end(), [](QLineEdit* A, QLineEdit* B) { return A->y() < B->y(); });
        childParent = edits[0]->text();
        edits[1]->setText(QStringLiteral("2"));
        edits[2]->setText(QStringLiteral("3,25"));
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("ОК")) PostClick(b);
        return true;
    }});
    tab->WinTbl->Add();
    ASSERT_TRUE(script.Wait());

    EXPECT_EQ(committedAtChildCard, 1);
    EXPECT_EQ(childParent, Variant("D-200"));
    const int id = card->RecId().ToInt();
    EXPECT_FALSE(card->WinAtr->Atr->New);
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_ID from XPROD where XPROD_AMOUNT = 6.5")), Variant(id));
    EXPECT_EQ(tab->WinTbl->ParentId(), Variant(id));
    EXPECT_EQ(tab->WinTbl->Count(), 1);
    // The summing field follows the detail change.
    EXPECT_EQ(W(card.get(), D.DealSum)->Edit()->text(), "6,5");
    EXPECT_FALSE(card->WinAtr->Atr->Modified());
}

TEST_F(WinCardTest, FailedSaveOfTheNewParentOpensNoChildCard)
{
    MakeDeals(true);
    auto card = NewCard(Obj(D.Deal));
    card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    W(card.get(), D.DealNum)->Edit()->setText(QStringLiteral("x"));
    W(card.get(), D.DealNum)->Edit()->setText(QString());  // not null, marked for insert
    auto* tab = dynamic_cast<TWinDetTbl*>(card->WinDetBook->Items(0));
    const int before = DealCount();
    EXPECT_EQ(ErrorOf([&] { tab->WinTbl->Add(); }),
              "Невозможно добавить запись для объекта \"Сделка\", т.к. для поля \"Номер\" не указано значение");
    ProcessEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(DealCount(), before);
    EXPECT_TRUE(card->WinAtr->Atr->New);
}

TEST_F(WinCardTest, EditingAChildRefreshesTheSumOfTheLoadedRecord)
{
    MakeDeals(true);
    auto card = NewCard(Obj(D.Deal));
    card->SetRecId(10);
    auto* tab = dynamic_cast<TWinDetTbl*>(card->WinDetBook->Items(0));
    tab->WinTbl->GotoEnd();  // rows are fetched as they are shown
    ASSERT_EQ(tab->WinTbl->Count(), 2);
    EXPECT_EQ(W(card.get(), D.DealSum)->Edit()->text(), "17");
    QTableView* grid = tab->WinTbl->Grid();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    ASSERT_FALSE(tab->WinTbl->FocusedRecId().IsNull());

    TModalScript script({[&](QWidget* AModal) {
        auto* form = qobject_cast<QDialog*>(AModal);
        if (!form || form->windowTitle() != QStringLiteral("Товары сделки")) return false;
        QList<QLineEdit*> edits = form->findChildren<QLineEdit*>();
        std::sort(edits.begin(), edits.end(), [](QLineEdit* A, QLineEdit* B) { return A->y() < B->y(); });
        edits[2]->setText(QStringLiteral("100"));  // the price of the focused product
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("ОК")) PostClick(b);
        return true;
    }});
    tab->WinTbl->Edit();
    ASSERT_TRUE(script.Wait());
    const int sum = S.Value(QStringLiteral("select XDEAL_SUM from XDEAL where XDEAL_ID = 10")).ToInt();
    EXPECT_TRUE(sum == 210 || sum == 107) << sum;  // whichever product was focused
    EXPECT_EQ(W(card.get(), D.DealSum)->Edit()->text(), QString::number(sum));
    EXPECT_FALSE(card->WinAtr->Atr->Modified());
}

TEST_F(WinCardTest, PersonalCardAndPersonalDetailSetAreShownTogether)
{
    MakeDeals(true);
    int usr = C.AddUsr(QStringLiteral("ivan"));
    int own = AddCard(D.Deal, QStringLiteral("Своя"), false, QStringLiteral("Own"), 240, 48, 96);
    AddCardTree(own, RootSpec({FieldSpec(QStringLiteral("EditStr"), D.DealNum, QRect(96, 8, 100, 0), QPoint(8, 10))}));
    AddUsrCard(usr, own);
    // A personal set with the products link and the clients' deals link.
    int book = AddDetBook(D.Deal, QStringLiteral("Своя"), false);
    AddDetDep(book, D.DepDealProd);
    AddUsrDet(usr, book);
    CommitRetaining();

    TWinCard card(nullptr, nullptr, nullptr);
    card.InitByUser(Obj(D.Deal), usr);
    EXPECT_EQ(card.Card->Id, own);
    EXPECT_EQ(card.Width(), 240);
    EXPECT_EQ(card.Height(), 48 + TCardSplitter::BarHeight + 96 + 40);
    ASSERT_NE(card.WinDetBook, nullptr);
    EXPECT_EQ(card.WinDetBook->DetBook->Id, book);
    EXPECT_EQ(W(&card, D.DealClient), nullptr);
}

}  // namespace
