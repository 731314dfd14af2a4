#include "GridTest.h"
#include "records/Atr.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScrollBar>

#include <typeinfo>

namespace {

QList<TBtnType> Kinds(const TWinToolBar& ABar)
{
    QList<TBtnType> kinds;
    for (int i = 0; i < ABar.Count(); ++i) kinds << ABar.Items(i)->BtnType();
    return kinds;
}

// Enabled states of Add, Edit, Delete, Refresh, Close.
QList<bool> States(const TWinTbl& AWinTbl)
{
    QList<bool> states;
    for (TBtnType kind : {btAdd, btEdit, btDel, btReopen, btClose})
        states << AWinTbl.WinToolBar->GetByBtnType(kind)->Enabled();
    return states;
}

const QList<bool> kAllOff{false, false, false, false, false};
const QList<bool> kOpenNoFocus{true, false, false, true, true};
const QList<bool> kOpenFocus{true, true, true, true, true};

}  // namespace

// ------------------------------------------------------- creation, buttons

TEST_F(GridTest, ToolbarButtonsInCreationOrderWithCloseOnlyInDeveloperMode)
{
    for (bool dev : {false, true}) {
        SCOPED_TRACE(dev ? "developer mode" : "user mode");
        TDevModeScope scope(dev);
        QWidget host;
        TWinTbl w(&host, &host);
        EXPECT_EQ(Kinds(*w.WinToolBar), (QList<TBtnType>{btAdd, btEdit, btDel, btReopen, btClose}));
        QStringList captions;
        for (int i = 0; i < w.WinToolBar->Count(); ++i) captions << w.WinToolBar->Items(i)->Caption();
        EXPECT_EQ(captions, (QStringList{"Добавить", "Изменить", "Удалить", "Обновить", "Закрыть"}));
        EXPECT_EQ(w.WinToolBar->GetByBtnType(btClose)->Visible(), dev);
        EXPECT_TRUE(w.WinToolBar->GetByBtnType(btAdd)->Visible());
    }
}

TEST_F(GridTest, ButtonStatesFollowTheSelectAndTheFocus)
{
    TDealGrid d(C);
    LoadObjList();
    Host = std::make_unique<QWidget>();
    W = std::make_unique<TWinTbl>(Host.get(), Host.get());
    W->InitById(d.View);
    EXPECT_EQ(States(*W), kAllOff) << "initialised, not open";
    W->SetAlign(alClient);
    W->CreateSQL();
    W->Open();
    Host->show();
    Settle();
    EXPECT_EQ(States(*W), kOpenNoFocus);
    EXPECT_TRUE(W->FocusedRecId().IsNull());

    W->Grid()->setCurrentIndex(W->Model()->index(1, 0));
    EXPECT_EQ(States(*W), kOpenFocus);
    EXPECT_EQ(W->FocusedRecId(), Variant(Ids()[1]));

    W->Close();
    EXPECT_EQ(States(*W), kAllOff) << "closed: Refresh is off too";
    EXPECT_EQ(W->Count(), 0);
    EXPECT_EQ(W->Model()->rowCount(), 0);
    EXPECT_TRUE(W->FocusedRecId().IsNull());

    W->Open();
    Settle();
    EXPECT_EQ(W->Count(), 4) << "reopened";
}

TEST_F(GridTest, EmptyViewOpensWithOnlyAddRefreshAndCloseEnabled)
{
    TDealGrid d(C);
    S.Exec(QStringLiteral("delete from XDEAL"));
    LoadObjList();
    OpenGrid(d.View);
    EXPECT_EQ(W->Count(), 0);
    EXPECT_EQ(W->Model()->rowCount(), 0);
    EXPECT_EQ(States(*W), kOpenNoFocus);
    PressKey(W->Grid(), Qt::Key_Down);
    EXPECT_EQ(States(*W), kOpenNoFocus);
}

TEST_F(GridTest, OpenShowsItsStatementsAndFailsBeforeTheSelectWithoutFilterValues)
{
    TDealGrid d(C);
    // Deals of a number given by code.
    int f = C.AddFltr(QStringLiteral("Номер"), QStringLiteral("Num"), true, 0, d.View);
    C.AddFltrNode(f, 1, 2, QStringLiteral("Equal"), d.T.DealNum, {}, false, QStringLiteral("Num"));
    LoadObjList();
    QStringList messages;
    DebugMessageHandler = [&](const QString& AMessage) { messages << AMessage; };
    ShowDebugMessages = true;
    auto restore = qScopeGuard([] {
        ShowDebugMessages = false;
        DebugMessageHandler = nullptr;
    });
    Host = std::make_unique<QWidget>();
    W = std::make_unique<TWinTbl>(Host.get(), Host.get());
    W->InitById(d.View);
    W->CreateSQL();

    EXPECT_EQ(ErrorOf([&] { W->Open(); }), "Variant is empty");
    EXPECT_EQ(States(*W), kAllOff) << "the grid stays closed";
    EXPECT_EQ(W->Count(), 0);
    ASSERT_EQ(messages.size(), 1);
    QStringList select, refresh, del;
    W->TblSql->SetSQL(select, refresh, del);
    const QString crlf = QStringLiteral("\r\n");
    EXPECT_EQ(messages[0], QStringLiteral("SQL-запросы для таблицы Сделки\r\r") + select.join(crlf) + u'\r' +
                               refresh.join(crlf) + u'\r' + del.join(crlf));

    W->TblSql->FilterList->GetByName(QStringLiteral("Num"))->GetFilterTreeItemByName(QStringLiteral("Num"))->Value =
        QStringLiteral("D-3");
    W->Open();
    EXPECT_EQ(W->Count(), 1);
    EXPECT_EQ(Ids(), QList<int>{3});
    EXPECT_EQ(States(*W), kOpenNoFocus);
}

// ------------------------------------------------------------ cell texts

TEST_F(GridTest, ColumnsAndCellTexts)
{
    TDealGrid d(C);
    S.Exec(QStringLiteral("insert into XDEAL values (5, 'D-5', null, null, 3.25, null, null)"));
    LoadObjList();
    OpenGrid(d.View);

    // The key is column 0 of the result but not shown (the tree has no key column).
    QStringList headers;
    QList<int> widths;
    for (int c = 0; c < W->Model()->columnCount(); ++c) {
        headers << W->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        widths << W->Grid()->columnWidth(c);
    }
    EXPECT_EQ(headers, (QStringList{"Номер", "Клиент>Наименование", "Сумма", "Дата", "Закрыта"}));
    EXPECT_EQ(widths, (QList<int>{150, 150, 100, 70, 50}));

    auto rowTexts = [&](int AId) {
        QStringList texts;
        const int row = RowOfId(AId);
        for (int c = 0; c < W->Model()->columnCount(); ++c) texts << W->Model()->index(row, c).data().toString();
        return texts;
    };
    const QString sep(DecimalSeparator());
    EXPECT_EQ(rowTexts(1), (QStringList{"D-1", "Альфа", "100" + sep + "5", "10.01.2024", ""}));
    EXPECT_EQ(rowTexts(2), (QStringList{"D-2", "Бета", "20", "", "да"}));
    EXPECT_EQ(rowTexts(5), (QStringList{"D-5", "", "3" + sep + "25", "", ""})) << "Null shows nothing";
}

// ------------------------------------------------------------ focus

TEST_F(GridTest, MovingTheFocusReportsNoNodeThenTheNewRow)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    QList<Variant> reports;
    W->OnChange = [&](TWinTbl* AWinTbl) { reports << AWinTbl->FocusedRecId(); };

    W->Grid()->setFocus();
    W->Grid()->setCurrentIndex(W->Model()->index(0, 0));
    EXPECT_EQ(reports, (QList<Variant>{Variant(Ids()[0])})) << "first focus: one report";

    reports.clear();
    PressKey(W->Grid(), Qt::Key_Down);
    EXPECT_EQ(reports, (QList<Variant>{Variant::Null(), Variant(Ids()[1])}));
    EXPECT_EQ(W->FocusedIndex(), 1);
}

// ------------------------------------------------------- after a commit

TEST_F(GridTest, NewRecordIsInsertedAtTheFocusedPosition)
{
    struct TCase {
        const char* Title;
        int Focused;  // grid row focused before the card commits; -1: none
        int Expected;
    };
    const TCase cases[] = {{"third row focused", 2, 2}, {"no row focused", -1, 0}};
    TDealGrid d(C);
    LoadObjList();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Title);
        OpenGrid(d.View);
        const QList<int> before = Ids();
        if (c.Focused >= 0) W->Grid()->setCurrentIndex(W->Model()->index(c.Focused, 0));
        QList<Variant> reports;
        W->OnChange = [&](TWinTbl* AWinTbl) { reports << AWinTbl->FocusedRecId(); };

        // The card's record set: a new deal posted and committed.
        TAtr atr;
        atr.Obj = ObjList->GetObjByTable(QStringLiteral("XDEAL"));
        atr.SetDefaultValues(nullptr, Variant::Null());
        atr.GetByFldName(QStringLiteral("XDEAL_NUM"))->SetValue(QStringLiteral("NEW"));
        atr.GetByFldName(QStringLiteral("XDEAL_DONE"))->SetValue(1);
        atr.Post();
        atr.OnAfterCommit = [&](TAtr* ASender) { W->DoPost(ASender); };
        atr.Commit();

        const int id = atr.RecId().ToInt();
        QList<int> expected = before;
        expected.insert(c.Expected, id);
        EXPECT_EQ(Ids(), expected);
        EXPECT_EQ(W->Model()->rowCount(), before.size() + 1);
        EXPECT_EQ(W->FocusedIndex(), c.Expected);
        EXPECT_EQ(W->FocusedRecId(), Variant(id));
        EXPECT_EQ(W->Model()->index(c.Expected, 0).data().toString(), "NEW");
        EXPECT_EQ(W->Model()->index(c.Expected, 4).data().toString(), "да");
        ASSERT_FALSE(reports.isEmpty());
        EXPECT_EQ(reports.last(), Variant(id));
    }
}

TEST_F(GridTest, SavedRecordIsRereadInPlaceEvenWhenItNoLongerMatchesTheFilters)
{
    TDealGrid d(C);
    // Only open deals are listed.
    int f = C.AddFltr(QStringLiteral("Открытые"), QStringLiteral("Open"), true, 0, d.View);
    C.AddFltrNode(f, 1, 2, QStringLiteral("Equal"), d.T.DealDone, {}, true);
    LoadObjList();
    OpenGrid(d.View);
    const QList<int> before = Ids();
    ASSERT_EQ(before.size(), 3);
    W->Grid()->setCurrentIndex(W->Model()->index(1, 0));
    const int id = before[1];

    TAtr atr;
    atr.Obj = ObjList->GetObjByTable(QStringLiteral("XDEAL"));
    atr.SetRecId(id);
    atr.GetByFldName(QStringLiteral("XDEAL_NUM"))->SetValue(QStringLiteral("CHANGED"));
    atr.GetByFldName(QStringLiteral("XDEAL_DONE"))->SetValue(1);
    atr.Post();
    atr.OnAfterCommit = [&](TAtr* ASender) { W->DoPost(ASender); };
    atr.Commit();

    EXPECT_EQ(Ids(), before) << "same rows, same order";
    EXPECT_EQ(W->Model()->index(1, 0).data().toString(), "CHANGED");
    EXPECT_EQ(W->Model()->index(1, 4).data().toString(), "да");
    EXPECT_EQ(W->FocusedIndex(), 1);

    // Saving an existing record while no row is focused.
    W->Grid()->selectionModel()->clearSelection();
    atr.GetByFldName(QStringLiteral("XDEAL_NUM"))->SetValue(QStringLiteral("AGAIN"));
    atr.Post();
    EXPECT_EQ(ErrorOf([&] { atr.Commit(); }), "TWinTbl.DoPost: no row selected");
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_NUM from XDEAL where XDEAL_ID = %1").arg(id)), Variant("AGAIN"))
        << "the record is committed all the same";
}

TEST_F(GridTest, RecordThatCannotBeReadBackLeavesNoRow)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    const QList<int> before = Ids();
    W->Grid()->setCurrentIndex(W->Model()->index(1, 0));

    // A record already gone when the grid re-reads it.
    TAtr atr;
    atr.Obj = ObjList->GetObjByTable(QStringLiteral("XDEAL"));
    atr.SetRecId(before[1]);
    S.Exec(QStringLiteral("delete from XDEAL where XDEAL_ID = %1").arg(before[1]));
    atr.OnAfterCommit = [&](TAtr* ASender) { W->DoPost(ASender); };
    atr.Commit();
    EXPECT_EQ(Ids(), (QList<int>{before[0], before[2], before[3]}));
    EXPECT_EQ(W->FocusedIndex(), 1);
}

// ---------------------------------------------------------------- delete

TEST_F(GridTest, DeleteAsksAndFocusesTheNextRowElseThePreviousOne)
{
    struct TCase {
        const char* Title;
        int Rows;         // deals left in the table
        int Focused;      // row deleted
        int NextFocused;  // row focused afterwards, -1: none
    };
    const TCase cases[] = {
        {"middle row: the next one takes its place", 4, 1, 1},
        {"last row: the one before it", 4, 3, 2},
        {"only row: nothing", 1, 0, -1},
    };
    TDealGrid d(C);
    LoadObjList();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Title);
        S.Exec(QStringLiteral("delete from XDEAL"));
        for (int i = 1; i <= c.Rows; ++i)
            S.Exec(QStringLiteral("insert into XDEAL (XDEAL_ID, XDEAL_NUM) values (%1, 'D-%1')").arg(i));
        CommitRetaining();
        OpenGrid(d.View);
        const QList<int> before = Ids();
        ASSERT_EQ(before.size(), c.Rows);
        W->Grid()->setFocus();
        W->Grid()->setCurrentIndex(W->Model()->index(c.Focused, 0));
        int afterChange = 0;
        W->OnAfterChange = [&](TWinTbl*) { ++afterChange; };

        QString question;
        TModalAnswers answers({AnswerBox(QMessageBox::Yes, &question)});
        PressKey(W->Grid(), Qt::Key_Delete);
        EXPECT_TRUE(answers.Done());
        EXPECT_EQ(question, "Удалить запись?");
        QList<int> expected = before;
        const int deleted = expected.takeAt(c.Focused);
        EXPECT_EQ(Ids(), expected);
        EXPECT_EQ(W->FocusedIndex(), c.NextFocused);
        EXPECT_EQ(W->FocusedRecId(), c.NextFocused < 0 ? Variant::Null() : Variant(expected[c.NextFocused]));
        EXPECT_EQ(States(*W), c.NextFocused < 0 ? kOpenNoFocus : kOpenFocus);
        EXPECT_EQ(afterChange, 1);
        // Deleted and committed: a rollback does not bring it back.
        RollbackRetaining();
        EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XDEAL where XDEAL_ID = %1").arg(deleted)).ToInt(), 0);
    }
}

TEST_F(GridTest, DeleteAnsweredNoOrRefusedByTheDatabaseKeepsTheRow)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    const QList<int> before = Ids();
    W->Grid()->setCurrentIndex(W->Model()->index(0, 0));
    {
        TModalAnswers answers({AnswerBox(QMessageBox::No)});
        W->DeleteClick();
        EXPECT_TRUE(answers.Done());
    }
    EXPECT_EQ(Ids(), before);
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XDEAL")).ToInt(), 4);

    // A client still referred to by deals cannot go.
    TWinTbl clients(Host.get(), Host.get());
    int view = C.AddTbl(QStringLiteral("Клиенты"), d.T.Client);
    C.AddTblTree(view, d.T.ClientId, 1, 4);
    C.AddTblTree(view, d.T.ClientName, 2, 3);
    clients.InitById(view);
    clients.CreateSQL();
    clients.Open();
    Settle();
    clients.Grid()->setCurrentIndex(clients.Model()->index(0, 0));
    const Variant id = clients.FocusedRecId();
    const int rows = clients.Count();
    TModalAnswers answers({AnswerBox(QMessageBox::Yes)});
    EXPECT_NE(ErrorOf([&] { clients.DeleteClick(); }), "<no error>");
    EXPECT_EQ(clients.Count(), rows);
    EXPECT_EQ(clients.FocusedRecId(), id);
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from XCLIENT")).ToInt(), 3);
}

// ------------------------------------------------------------------ keys

TEST_F(GridTest, KeysFollowTheButtons)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    W->Grid()->setCurrentIndex(W->Model()->index(0, 0));
    int adds = 0;
    W->OnAddClick = [&](TWinTbl*) { ++adds; };

    // Insert runs Add: its start event, then the card of the object, which
    // this catalogue does not define.
    QString error;
    {
        TModalAnswers answers({AnswerBox(QMessageBox::Ok, &error)});
        PressKey(W->Grid(), Qt::Key_Insert);
        EXPECT_TRUE(WaitUntil([&] { return answers.Done(); }));
    }
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(error, "Для объекта \"Сделки\" не создана карточка");
    W->WinToolBar->GetByBtnType(btAdd)->SetEnabled(false);
    PressKey(W->Grid(), Qt::Key_Insert);
    EXPECT_EQ(adds, 1) << "Add disabled: Insert does nothing";

    // Delete with its button disabled asks nothing (a question would stay open).
    W->WinToolBar->GetByBtnType(btDel)->SetEnabled(false);
    PressKey(W->Grid(), Qt::Key_Delete);
    EXPECT_EQ(W->Count(), 4);

    // F5 reopens: a row added meanwhile shows up.
    S.Exec(QStringLiteral("insert into XDEAL values (9, 'D-9', null, null, null, null, 0)"));
    PressKey(W->Grid(), Qt::Key_F5);
    Settle();
    EXPECT_EQ(W->Count(), 5);
    EXPECT_TRUE(W->FocusedRecId().IsNull());
}

// ----------------------------------------------------- in-place editing

TEST_F(GridTest, InPlaceEditsChangeOnlyTheFetchedRow)
{
    TDealGrid d(C);
    S.Exec(QStringLiteral("alter table XDEAL add XDEAL_QTY integer"));
    CommitRetaining();
    int qty = C.AddFld(d.T.Deal, QStringLiteral("XDEAL_QTY"), QStringLiteral("int"), QStringLiteral("Количество"));
    C.AddTblTree(d.View, qty, 14, 15);
    S.Exec(QStringLiteral("update TBLTREE set TBLTREE_RGT = 16 where TBL_ID = %1 and TBLTREE_LFT = 1").arg(d.View));
    S.Exec(QStringLiteral("update XDEAL set XDEAL_QTY = 5"));
    LoadObjList();
    OpenGrid(d.View);
    TObj* deal = ObjList->GetObjByTable(QStringLiteral("XDEAL"));
    TFld* sum = deal->FldList->GetFldByFldName(QStringLiteral("XDEAL_SUM"));
    TFld* qtyFld = deal->FldList->GetFldByFldName(QStringLiteral("XDEAL_QTY"));
    const int sumCol = 2, qtyCol = 5;

    EXPECT_FALSE(W->Model()->flags(W->Model()->index(0, sumCol)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(W->EditableColumn(sum, true));
    EXPECT_TRUE(W->EditableColumn(qtyFld, true));
    EXPECT_TRUE(W->Model()->flags(W->Model()->index(0, sumCol)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(W->Model()->index(0, sumCol).data(Qt::BackgroundRole).value<QColor>(), QColor(0xDF, 0xDF, 0xFF));
    EXPECT_FALSE(W->Model()->index(0, 0).data(Qt::BackgroundRole).isValid());

    // Typing into the editor of the sum cell of the first row.
    const int id = Ids()[0];
    const QModelIndex cell = W->Model()->index(0, sumCol);
    W->Grid()->setCurrentIndex(cell);
    W->Grid()->edit(cell);
    auto* editor = W->Grid()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("12") + DecimalSeparator() + QStringLiteral("5"));
    PressKey(editor, Qt::Key_Return);
    Settle();
    Variant v;
    W->GetDataByIndexFld(0, sum, v);
    EXPECT_EQ(v, Variant(12.5));
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_SUM from XDEAL where XDEAL_ID = %1").arg(id)).AsText(),
              Variant(Currency::FromRaw(1005000)).AsText())
        << "nothing is written to the database";

    // A number that is not one keeps the old value and reports the conversion's error.
    int qtyResultCol = -1;
    for (size_t i = 0; i < W->TblSql->SelectFldList.size(); ++i)
        if (W->TblSql->SelectFldList[i]->TblTree->Fld == qtyFld) qtyResultCol = static_cast<int>(i);
    EXPECT_EQ(ErrorOf([&] { W->SetCellText(0, qtyResultCol, QStringLiteral("x")); }),
              ErrorOf([] { StrToVarByFldType(QStringLiteral("x"), ftInt); }));
    W->GetDataByIndexFld(0, qtyFld, v);
    EXPECT_EQ(v, Variant(5));
    EXPECT_EQ(W->Model()->index(0, qtyCol).data().toString(), "5");

    // Forbidden again: the tint goes, the cells no longer edit.
    EXPECT_TRUE(W->EditableColumn(sum, false));
    EXPECT_FALSE(W->Model()->flags(cell).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(cell.data(Qt::BackgroundRole).isValid());

    // A field the view does not show; the key, a result column without a grid column.
    EXPECT_FALSE(W->EditableColumn(ObjList->GetFldById(d.T.ClientVip), true));
    EXPECT_FALSE(W->EditableColumn(deal->FldList->GetPKFld(), true));
    EXPECT_TRUE(W->TblSql->SelectFldList[0]->Editable) << "the flag is set all the same";
}

// ------------------------------------------------------------ check marks

TEST_F(GridTest, CheckMarksAreWrittenWithoutEventsAndFoundInGridOrder)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    const QList<int> ids = Ids();
    EXPECT_FALSE(W->Model()->index(0, 0).data(Qt::CheckStateRole).isValid()) << "no check boxes yet";
    W->SetCheckSupport(true);
    EXPECT_EQ(W->Model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_TRUE(W->GetFirstChecked().IsNull());

    int changes = 0;
    W->OnChange = [&](TWinTbl*) { ++changes; };
    int dataChanged = 0;
    QObject::connect(W->Model(), &QAbstractItemModel::dataChanged, W->Model(), [&] { ++dataChanged; });
    W->SetChecked(3, true);
    W->SetChecked(1, true);
    W->SetChecked(2, true);
    W->SetChecked(2, false);
    EXPECT_EQ(dataChanged, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(W->IsChecked(1));
    EXPECT_FALSE(W->IsChecked(2));
    EXPECT_EQ(W->Model()->index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    EXPECT_EQ(W->GetFirstChecked(), Variant(ids[1]));
    EXPECT_EQ(W->GetNextChecked(), Variant(ids[3]));
    EXPECT_TRUE(W->GetNextChecked().IsNull());
    EXPECT_EQ(W->GetFirstChecked(), Variant(ids[1])) << "starts again from the top";

    // The user's click on a box checks it.
    W->Model()->setData(W->Model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(W->GetFirstChecked(), Variant(ids[0]));
    EXPECT_NE(ErrorOf([&] { W->SetChecked(4, true); }), "<no error>");
}

// ------------------------------------------------------ field values

TEST_F(GridTest, FieldValuesOfFetchedRows)
{
    TDealGrid d(C);
    LoadObjList();
    OpenGrid(d.View);
    TObj* deal = ObjList->GetObjByTable(QStringLiteral("XDEAL"));
    TFld* num = deal->FldList->GetFldByFldName(QStringLiteral("XDEAL_NUM"));
    Variant v;
    W->GetDataByIndexFld(RowOfId(2), num, v);
    EXPECT_EQ(v, Variant("D-2"));
    W->SetDataByIndexFld(RowOfId(2), num, QStringLiteral("X"));
    EXPECT_EQ(W->Model()->index(RowOfId(2), 0).data().toString(), "X");
    EXPECT_EQ(S.Value(QStringLiteral("select XDEAL_NUM from XDEAL where XDEAL_ID = 2")), Variant("D-2"));

    TFld* vip = ObjList->GetFldById(d.T.ClientVip);
    EXPECT_EQ(ErrorOf([&] { W->GetDataByIndexFld(0, vip, v); }),
              "GetDataByIndexFld: В таблице объекта \"Сделки\" не найдено поле \"VIP\"");
    EXPECT_EQ(ErrorOf([&] { W->SetDataByIndexFld(0, vip, 1); }),
              "SetDataByIndexFld: В таблице объекта \"Сделки\" не найдено поле \"VIP\"");
}

// --------------------------------------------------------- lazy fetching

namespace {

// XBIG: AN records with a key and a name, and its view.
int MakeBigTable(TCatalogFixture& C, int AN)
{
    int obj = C.AddObj(QStringLiteral("XBIG"), QStringLiteral("Большая"));
    int name = C.AddFld(obj, QStringLiteral("XBIG_NAME"), QStringLiteral("string"), QStringLiteral("Название"), 40);
    int view = C.AddTbl(QStringLiteral("Большая"), obj, 0, true);
    C.AddTblTree(view, C.PkFld(obj), 1, 4);
    C.AddTblTree(view, name, 2, 3);
    C.S.Exec(QStringLiteral("create table XBIG (XBIG_ID integer not null primary key, XBIG_NAME varchar(40))"));
    CommitRetaining();
    auto q = NewIBSQL();
    q->ParamCheck = false;
    q->SQL = QStringList{QStringLiteral("execute block as declare i integer = 0; begin "
                                        "while (i < %1) do begin i = i + 1; "
                                        "insert into XBIG values (:i, 'Строка ' || :i); end end")
                             .arg(AN)};
    q->ExecQuery();
    CommitRetaining();
    return view;
}

}  // namespace

TEST_F(GridTest, GridFetchesAboutWhatItShowsAndCtrlEndFetchesAll)
{
    const int view = MakeBigTable(C, 10000);
    LoadObjList();
    OpenGrid(view, QSize(400, 300));
    QTableView* grid = W->Grid();
    const int visible = (grid->viewport()->height() + grid->rowHeight(0) - 1) / grid->rowHeight(0);
    ASSERT_GT(visible, 5);
    EXPECT_GE(W->Count(), visible);
    EXPECT_LE(W->Count(), visible + 2);

    // Scrolling to the bottom fetches the rows that come into view.
    const int before = W->Count();
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    Settle();
    EXPECT_GT(W->Count(), before);
    EXPECT_LE(W->Count(), before + visible + 2);

    grid->setFocus();
    PressKey(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(W->Count(), 10000);
    EXPECT_EQ(W->Model()->rowCount(), 10000);
    EXPECT_EQ(grid->currentIndex().row(), 9999) << "the grid moved to the last row";
    EXPECT_FALSE(W->Model()->canFetchMore(QModelIndex()));
}

TEST_F(GridTest, EscStopsALongFetchKeepingTheRowsFetchedSoFar)
{
    const int view = MakeBigTable(C, 10000);
    LoadObjList();
    OpenGrid(view, QSize(400, 300));
    W->FetchEventsMs = 0;  // let events through every 1024 rows
    auto* label = W->GetPanel()->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    bool progressShown = false;
    QString progressText;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (label->isVisible()) {
            progressShown = true;
            progressText = label->text();
        }
    });
    watch.start(0);

    // Esc arrives while the fetch lets events through; so does a key that
    // would reopen the grid under the fetch, which is ignored.
    QCoreApplication::postEvent(W->Grid(), new QKeyEvent(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier));
    QCoreApplication::postEvent(W->Grid(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    W->GotoEnd();
    watch.stop();
    const int stoppedAt = W->Count();
    EXPECT_GT(stoppedAt, 1000);
    EXPECT_LT(stoppedAt, 10000);
    EXPECT_EQ(W->Model()->rowCount(), stoppedAt) << "every fetched row is in the grid";
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(progressText.startsWith(QStringLiteral("Получено строк: "))) << progressText.toStdString();
    EXPECT_FALSE(label->isVisible());

    // The select stays open: the rest can still be fetched.
    EXPECT_TRUE(W->Model()->canFetchMore(QModelIndex()));
    W->GotoEnd();
    EXPECT_EQ(W->Count(), 10000);
    QList<int> ids = Ids();
    for (int i = 0; i < ids.size(); ++i)
        if (ids[i] != i + 1) {
            ADD_FAILURE() << "row " << i << " holds " << ids[i];
            break;
        }
}

// ------------------------------------------------------- grid classes

namespace {
class TTestProdGrid : public TWinTbl {
public:
    using TWinTbl::TWinTbl;
};
}  // namespace

TEST(WinTblClasses, GridClassIsChosenByTheExactLinkName)
{
    QWidget host;
    RegisterWinTblClass(QStringLiteral("DealProd"),
                        [](QWidget* AOwner, QWidget* AParent) { return std::make_unique<TTestProdGrid>(AOwner, AParent); });
    auto prod = CreateWinTblByLinkName(QStringLiteral("DealProd"), &host, &host);
    auto other = CreateWinTblByLinkName(QStringLiteral("dealprod"), &host, &host);
    RegisterWinTblClass(QStringLiteral("DealProd"), {});
    auto again = CreateWinTblByLinkName(QStringLiteral("DealProd"), &host, &host);
    EXPECT_EQ(typeid(*prod), typeid(TTestProdGrid));
    EXPECT_EQ(typeid(*other), typeid(TWinTbl));
    EXPECT_EQ(typeid(*again), typeid(TWinTbl));
}
