#include "WinTbl.h"

#include "app/Application.h"
#include "app/FuncWin.h"
#include "app/func.h"
#include <QPushButton>  // before WinCard.h, whose button pointers need the class
#include "cards/WinCard.h"
#include "records/Atr.h"

#include <QApplication>
#include <QBoxLayout>
#include <QColor>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTimer>

#include <map>

namespace {

// Background of columns made editable in place.
const QColor kEditableColor(0xDF, 0xDF, 0xFF);

int ColumnWidth(TFldType AFldType)
{
    switch (AFldType) {
    case ftPK:
    case ftInt:
    case ftBoolean: return 50;
    case ftString:
    case ftFK:
    case ftFormula: return 150;
    case ftNum182:
    case ftNum183:
    case ftNum184: return 100;
    case ftDate: return 70;
    }
    return 100;
}

// While a long fetch runs it lets events through so the window repaints;
// user input is held back then (it could reopen, close or change the grid
// under the fetch), except Esc, which asks the fetch to stop. Closing a
// window from the window system waits as well.
class TFetchGate : public QObject {
public:
    explicit TFetchGate(bool* AStop) : FStop(AStop) { qApp->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* AEvent) override
    {
        switch (AEvent->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(AEvent)->key() == Qt::Key_Escape) *FStop = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        case QEvent::Close:
            if (AEvent->spontaneous()) {
                AEvent->ignore();
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    bool* FStop;
};

void ShowLater(const QString& AMessage)
{
    QTimer::singleShot(0, qApp, [AMessage] { TApplication::ShowException(AMessage); });
}

std::map<QString, TWinTblClass>& WinTblClasses()
{
    static std::map<QString, TWinTblClass> classes;
    return classes;
}

}  // namespace

// ------------------------------------------------------------ TWinTblModel

TWinTblModel::TWinTblModel(TWinTbl* AWinTbl) : FWinTbl(AWinTbl) {}

int TWinTblModel::rowCount(const QModelIndex& AParent) const
{
    return AParent.isValid() ? 0 : FShown;
}

int TWinTblModel::columnCount(const QModelIndex& AParent) const
{
    return AParent.isValid() ? 0 : static_cast<int>(FWinTbl->FColumns.size());
}

QVariant TWinTblModel::data(const QModelIndex& AIndex, int ARole) const
{
    if (!AIndex.isValid() || AIndex.row() >= FShown) return {};
    const int col = FWinTbl->FColumns.at(AIndex.column());
    switch (ARole) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return FWinTbl->CellText(AIndex.row(), col);
    case Qt::EditRole: {
        const Variant v = FWinTbl->Rows.Value(AIndex.row(), col);
        const TFldType type = FWinTbl->TblSql->SelectFldList.at(col)->TblTree->Fld->FldType;
        if (type == ftString || type == ftInt || type == ftNum182 || type == ftNum183 || type == ftNum184) {
            try {
                return VarToStrByFldType(v, type);
            } catch (const Exception&) {
            }
        }
        return v.AsText();
    }
    case Qt::CheckStateRole:
        if (FWinTbl->FCheckSupport && AIndex.column() == 0)
            return FWinTbl->Rows.Checked(AIndex.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::BackgroundRole:
        if (FWinTbl->TblSql->SelectFldList.at(col)->Editable) return kEditableColor;
        return {};
    default:
        return {};
    }
}

bool TWinTblModel::setData(const QModelIndex& AIndex, const QVariant& AValue, int ARole)
{
    if (!AIndex.isValid() || AIndex.row() >= FShown) return false;
    if (ARole == Qt::CheckStateRole) {
        if (!FWinTbl->FCheckSupport || AIndex.column() != 0) return false;
        FWinTbl->Rows.SetChecked(AIndex.row(), AValue.toInt() == Qt::Checked);
        emit dataChanged(AIndex, AIndex, {Qt::CheckStateRole});
        return true;
    }
    if (ARole == Qt::EditRole) {
        // Called from the grid's editor as it closes: a value that does not
        // convert is reported once the editor is gone; the row keeps its value.
        try {
            FWinTbl->SetCellText(AIndex.row(), FWinTbl->FColumns.at(AIndex.column()), AValue.toString());
        } catch (const Exception& e) {
            ShowLater(e.Message());
            return false;
        }
        return true;
    }
    return false;
}

Qt::ItemFlags TWinTblModel::flags(const QModelIndex& AIndex) const
{
    if (!AIndex.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FWinTbl->FCheckSupport && AIndex.column() == 0) f |= Qt::ItemIsUserCheckable;
    if (FWinTbl->TblSql->SelectFldList.at(FWinTbl->FColumns.at(AIndex.column()))->Editable) f |= Qt::ItemIsEditable;
    return f;
}

QVariant TWinTblModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const
{
    if (AOrientation != Qt::Horizontal || ASection < 0 || ASection >= columnCount()) return {};
    if (ARole == Qt::DisplayRole || ARole == Qt::ToolTipRole)
        return FWinTbl->TblSql->SelectFldList.at(FWinTbl->FColumns[ASection])->TblTree->LongCapt;
    return {};
}

bool TWinTblModel::canFetchMore(const QModelIndex& AParent) const
{
    return !AParent.isValid() && !FWinTbl->FFetch->Running && FWinTbl->SelectActive();
}

void TWinTblModel::fetchMore(const QModelIndex& AParent)
{
    if (!AParent.isValid()) FWinTbl->FetchVisible();
}

void TWinTblModel::ShowFetched()
{
    const int count = FWinTbl->Rows.Count();
    if (count <= FShown) return;
    beginInsertRows(QModelIndex(), FShown, count - 1);
    FShown = count;
    endInsertRows();
}

void TWinTblModel::InsertRow(int ARow)
{
    beginInsertRows(QModelIndex(), ARow, ARow);
    ++FShown;
    endInsertRows();
}

void TWinTblModel::RemoveRow(int ARow)
{
    beginRemoveRows(QModelIndex(), ARow, ARow);
    --FShown;
    endRemoveRows();
}

void TWinTblModel::RowChanged(int ARow)
{
    if (ARow < FShown && columnCount() > 0) emit dataChanged(index(ARow, 0), index(ARow, columnCount() - 1));
}

void TWinTblModel::ColumnChanged(int AColumn)
{
    if (FShown > 0) emit dataChanged(index(0, AColumn), index(FShown - 1, AColumn));
}

void TWinTblModel::ChecksChanged()
{
    if (FShown > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(FShown - 1, 0), {Qt::CheckStateRole});
}

void TWinTblModel::Reset(const std::function<void()>& AChange)
{
    beginResetModel();
    AChange();
    FShown = FWinTbl->Rows.Count();
    endResetModel();
}

// ------------------------------------------------------------- TWinTblGrid

TWinTblGrid::TWinTblGrid(TWinTbl* AWinTbl, QWidget* AParent) : QTableView(AParent), FWinTbl(AWinTbl) {}

void TWinTblGrid::keyPressEvent(QKeyEvent* AEvent)
{
    bool handled = false;
    QPointer<TWinTblGrid> self = this;
    FWinTbl->GridKeyDown(AEvent, handled);
    if (!self) return;
    if (handled)
        AEvent->accept();
    else
        QTableView::keyPressEvent(AEvent);
}

void TWinTblGrid::mouseDoubleClickEvent(QMouseEvent* AEvent)
{
    QPointer<TWinTblGrid> self = this;
    QTableView::mouseDoubleClickEvent(AEvent);
    if (self && AEvent->button() == Qt::LeftButton && FWinTbl->OnDblClick) FWinTbl->OnDblClick();
}

void TWinTblGrid::paintEvent(QPaintEvent* AEvent)
{
    QTableView::paintEvent(AEvent);
    // The last fetched row was painted: fetch what else fits, once the
    // painting is over.
    if (!FFetchQueued && FWinTbl->SelectActive() && !FWinTbl->FFetch->Running && FWinTbl->LastRowVisible()) {
        FFetchQueued = true;
        QTimer::singleShot(0, this, [this] {
            FFetchQueued = false;
            FWinTbl->FetchVisible();
        });
    }
}

// ----------------------------------------------------------------- TWinTbl

TWinTbl::TWinTbl(QWidget* AOwner, QWidget* AParent)
    : Owner(AOwner), Parent(AParent), FFetch(std::make_shared<TFetchState>())
{
    // 1. The panel.
    Panel = new QWidget(AParent ? AParent : AOwner);
    auto* layout = new QVBoxLayout(Panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // 2. The statements.
    IBSQLSelect = NewIBSQL();
    IBSQLRefresh = NewIBSQL();
    IBSQLDelete = NewIBSQL();

    // 3. The toolbar.
    WinToolBar = std::make_unique<TWinToolBar>(Owner, Panel);
    layout->addWidget(WinToolBar->ToolBar());
    WinToolBar->AddBtn(btAdd, QStringLiteral("Добавить"), [this](QObject*) { Add(); });
    WinToolBar->AddBtn(btEdit, QStringLiteral("Изменить"), [this](QObject*) { Edit(); });
    WinToolBar->AddBtn(btDel, QStringLiteral("Удалить"), [this](QObject*) { DeleteClick(); });
    WinToolBar->AddBtn(btReopen, QStringLiteral("Обновить"), [this](QObject*) { Reopen(); });
    WinToolBar->AddBtn(btClose, QStringLiteral("Закрыть"), [this](QObject*) { Close(); });
    WinToolBar->GetByBtnType(btClose)->SetVisible(DevMode);

    // 4. The grid.
    FModel = std::make_unique<TWinTblModel>(this);
    vt = new TWinTblGrid(this, Panel);
    layout->addWidget(vt, 1);
    vt->setModel(FModel.get());
    vt->setSelectionBehavior(QAbstractItemView::SelectRows);
    vt->setSelectionMode(QAbstractItemView::SingleSelection);
    vt->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    vt->setShowGrid(true);
    vt->setWordWrap(false);
    vt->setSortingEnabled(false);
    vt->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    vt->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    vt->horizontalHeader()->setVisible(true);
    vt->horizontalHeader()->setHighlightSections(false);
    vt->horizontalHeader()->setStretchLastSection(false);
    vt->verticalHeader()->setVisible(false);
    vt->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    vt->verticalHeader()->setDefaultSectionSize(vt->fontMetrics().height() + 6);
    vt->setMouseTracking(true);

    // 5. Grid events: focus tracking; keys, double click and fetching are
    // the grid component's.
    QObject::connect(vt->selectionModel(), &QItemSelectionModel::selectionChanged, vt,
                     [this](const QItemSelection& ASelected, const QItemSelection& ADeselected) {
                         SelectionChanged(ASelected, ADeselected);
                     });
    OnDblClick = [this] { Edit(); };

    FProgress = new QLabel(Panel);
    FProgress->setContentsMargins(4, 2, 4, 2);
    FProgress->hide();
    layout->addWidget(FProgress);

    if (AParent || AOwner) Panel->show();

    // 6. Input focus.
    if (vt->focusPolicy() != Qt::NoFocus) vt->setFocus();

    // 7. The view and the query builder.
    Tbl = std::make_unique<TTbl>();
    TblSql = std::make_unique<TTblSql>();
}

TWinTbl::~TWinTbl()
{
    FFetch->Alive = false;
    FFetch->Stop = true;
    delete vt.data();
    FModel.reset();
    TblSql.reset();
    IBSQLSelect.reset();
    IBSQLRefresh.reset();
    IBSQLDelete.reset();
    WinToolBar.reset();
    Tbl.reset();
}

// -------------------------------------------------------- initialisation

void TWinTbl::InitById(int AId)
{
    Tbl->RaiseLoad = true;
    Tbl->LoadById(AId);
    InitSQL();
}

void TWinTbl::InitByName(TObj* AObj, TObjLink* AObjLink, const QString& ATblName)
{
    Tbl->RaiseLoad = true;
    Tbl->LoadByName(AObj, AObjLink, ATblName);
    InitSQL();
}

bool TWinTbl::InitByUser(TObj* AObj, TObjLink* AObjLink, int AUserId, bool ARaise)
{
    Tbl->RaiseLoad = ARaise;
    const bool found = Tbl->LoadCurrent(AObj, AObjLink, AUserId);
    if (found) InitSQL();
    return found;
}

void TWinTbl::InitSQL()
{
    TblSql->Clear();
    TblSql->CreateBaseSQL(Tbl.get());
    TblSql->LoadFilters();
    SetupFilters();
    TblSql->AddFilters();
    CreateColumns();
    UpdateButtons();
}

void TWinTbl::SetupFilters() {}

void TWinTbl::CreateColumns()
{
    FModel->Reset([this] {
        FColumns.clear();
        for (int i = 0; i < static_cast<int>(TblSql->SelectFldList.size()); ++i)
            if (i != 0 || TblSql->ShowPKCol) FColumns.push_back(i);
    });
    if (!vt) return;
    for (int c = 0; c < static_cast<int>(FColumns.size()); ++c)
        vt->setColumnWidth(c, ColumnWidth(TblSql->SelectFldList[FColumns[c]]->TblTree->Fld->FldType));
}

void TWinTbl::CreateSQL()
{
    TblSql->SetSQL(IBSQLSelect->SQL, IBSQLRefresh->SQL, IBSQLDelete->SQL);
}

// ------------------------------------------------------ opening, fetching

bool TWinTbl::SelectActive() const
{
    return IBSQLSelect && IBSQLSelect->Open() && !IBSQLSelect->Eof();
}

void TWinTbl::Open()
{
    DebugMessageFmt(QStringLiteral("SQL-запросы для таблицы %s\r\r%s\r%s\r%s"),
                    {Tbl->GetObj() ? Tbl->GetObj()->Capt : QString(), IBSQLSelect->Text(), IBSQLRefresh->Text(),
                     IBSQLDelete->Text()});
    TblSql->SetParams(IBSQLSelect.get(), stSelect);
    IBSQLSelect->ExecQuery();
    FetchRow();
    UpdateButtons();
}

void TWinTbl::FetchRow()
{
    if (!SelectActive()) return;
    Rows.Append(*IBSQLSelect);
    FModel->ShowFetched();
    IBSQLSelect->Next();
}

bool TWinTbl::LastRowVisible() const
{
    if (!vt) return false;
    const int last = FModel->rowCount() - 1;
    if (last < 0) return true;
    return vt->rowViewportPosition(last) < vt->viewport()->height();
}

void TWinTbl::FetchVisible()
{
    if (FFetch->Running || !vt) return;
    // A bound keeps a grid whose rows take no height from reading on.
    for (int n = 0; n < 1000 && SelectActive(); ++n) {
        FetchRow();
        if (!LastRowVisible()) break;
    }
}

void TWinTbl::GotoEnd()
{
    if (FFetch->Running || !SelectActive()) return;
    std::shared_ptr<TFetchState> state = FFetch;
    state->Running = true;
    state->Stop = false;
    bool paused = false;
    auto done = qScopeGuard([&] {
        if (paused) QApplication::restoreOverrideCursor();
        if (!state->Alive) return;
        state->Running = false;
        FModel->ShowFetched();
        ShowProgress(false);
    });
    TFetchGate gate(&state->Stop);
    QElapsedTimer timer;
    timer.start();
    qint64 nextPause = FetchEventsMs;
    while (SelectActive() && !state->Stop) {
        Rows.Append(*IBSQLSelect);
        IBSQLSelect->Next();
        if ((Rows.Count() & 1023) == 0 && timer.elapsed() >= nextPause) {
            if (!paused) {
                paused = true;
                QApplication::setOverrideCursor(Qt::BusyCursor);
            }
            FModel->ShowFetched();
            ShowProgress(true);
            QCoreApplication::processEvents();
            if (!state->Alive) return;
            nextPause = timer.elapsed() + FetchEventsMs;
        }
    }
}

void TWinTbl::ShowProgress(bool AVisible)
{
    if (!FProgress) return;
    if (AVisible)
        FProgress->setText(QStringLiteral("Получено строк: %1. Esc — остановить").arg(Rows.Count()));
    FProgress->setVisible(AVisible);
}

void TWinTbl::Close()
{
    IBSQLSelect->Close();
    if (FocusedRecId().IsNull()) UpdateButtons();
    // Emptying the grid clears its focus, which reports the change.
    if (vt) {
        vt->selectionModel()->clearSelection();
        vt->selectionModel()->clearCurrentIndex();
    }
    FModel->Reset([this] { Rows.Clear(); });
    LastFindChecked = QPersistentModelIndex();
    FocusedRow = false;
}

void TWinTbl::Reopen()
{
    Close();
    Open();
}

// ------------------------------------------------------------ cell text

QString TWinTbl::CellText(int ARow, int ACol) const
{
    const Variant v = Rows.Value(ARow, ACol);
    if (v.IsEmptyOrNull()) return {};
    if (TblSql->SelectFldList.at(ACol)->TblTree->Fld->FldType == ftBoolean) {
        const bool yes = (v.IsNumeric() && v == Variant(1)) || (v.Type() == VarType::Boolean && v.ToBool());
        return yes ? QStringLiteral("да") : QString();
    }
    return v.AsText();
}

void TWinTbl::SetCellText(int ARow, int ACol, const QString& AText)
{
    const TSelectFld* col = TblSql->SelectFldList.at(ACol).get();
    if (!col->Editable) return;
    Rows.SetValue(ARow, ACol, StrToVarByFldType(AText, col->TblTree->Fld->FldType));
    FModel->RowChanged(ARow);
}

// ------------------------------------------------------- focus, buttons

int TWinTbl::FocusedIndex() const
{
    if (!FocusedRow || !vt) return -1;
    // The grid selects whole rows, one at a time: the focused row is the
    // selected one (a row that is merely current, as when the grid takes the
    // input focus, is not).
    const QItemSelection selection = vt->selectionModel()->selection();
    return selection.isEmpty() ? -1 : selection.first().top();
}

Variant TWinTbl::FocusedRecId() const
{
    const int row = FocusedIndex();
    return row < 0 ? Variant::Null() : Rows.Value(row, 0);
}

void TWinTbl::SelectionChanged(const QItemSelection& ASelected, const QItemSelection& ADeselected)
{
    // Moving from one row to another is reported as two changes: the old
    // row left (no node), then the new one focused.
    if (!ADeselected.isEmpty()) GridChange(false);
    if (!ASelected.isEmpty()) GridChange(true);
}

void TWinTbl::GridChange(bool ANode)
{
    FocusedRow = ANode && !Deleting;
    DoChange();
}

void TWinTbl::DoChange()
{
    UpdateButtons();
    if (OnChange) OnChange(this);
}

void TWinTbl::FocusRow(int ARow)
{
    if (!vt || ARow < 0 || ARow >= FModel->rowCount()) return;
    const QModelIndex current = vt->currentIndex();
    const QModelIndex target = FModel->index(ARow, current.isValid() ? current.column() : 0);
    vt->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vt->scrollTo(target);
}

bool TWinTbl::BtnEnabled(TBtnType ABtnType) const
{
    TWinToolBtn* btn = WinToolBar->GetByBtnType(ABtnType);
    return btn && btn->Enabled();
}

void TWinTbl::SetBtnEnabled(TBtnType ABtnType, bool AValue)
{
    if (TWinToolBtn* btn = WinToolBar->GetByBtnType(ABtnType)) btn->SetEnabled(AValue);
}

void TWinTbl::UpdateButtons()
{
    const bool open = IBSQLSelect->Open();
    SetBtnEnabled(btAdd, open);
    SetBtnEnabled(btReopen, open);
    SetBtnEnabled(btClose, open);
    const bool record = !FocusedRecId().IsNull();
    SetBtnEnabled(btEdit, record);
    SetBtnEnabled(btDel, record);
}

void TWinTbl::EnableAddBtn()
{
    SetBtnEnabled(btAdd, true);
}

// ------------------------------------------------------------------ keys

void TWinTbl::GridKeyDown(QKeyEvent* AEvent, bool& AHandled)
{
    const Qt::KeyboardModifiers mods = AEvent->modifiers() & ~Qt::KeypadModifier;
    switch (AEvent->key()) {
    case Qt::Key_End:
        // Every row, then the last one focused (the grid's own move would
        // go to the first row while no row is current).
        if (mods & Qt::ControlModifier) {
            AHandled = true;
            GotoEnd();
            FocusRow(FModel->rowCount() - 1);
        }
        break;
    case Qt::Key_Insert:
        if (BtnEnabled(btAdd)) {
            AHandled = true;
            Add();
        }
        break;
    case Qt::Key_Delete:
        if (BtnEnabled(btDel)) {
            AHandled = true;
            DeleteClick();
        }
        break;
    case Qt::Key_F2:
        if (BtnEnabled(btEdit)) {
            AHandled = true;
            Edit();
        }
        break;
    case Qt::Key_F5:
        if (BtnEnabled(btReopen)) {
            AHandled = true;
            Reopen();
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------- card hooks

void TWinTbl::BeforePost(QObject*, bool, bool& ASkipPost)
{
    ASkipPost = false;
}

void TWinTbl::BeforeCommit(QObject*, bool& DoAction)
{
    DoAction = true;
}

void TWinTbl::BeforeShowNewCard(TWinCard*) {}

// ------------------------------------------------------- after a commit

bool TWinTbl::RefreshRow(int ARow, const Variant& ARecId)
{
    TblSql->RefreshFilter->FilterTree->Value = ARecId;
    auto close = qScopeGuard([this] { IBSQLRefresh->Close(); });
    TblSql->SetParams(IBSQLRefresh.get(), stRefresh);
    IBSQLRefresh->ExecQuery();
    if (IBSQLRefresh->Eof()) return false;
    Rows.Replace(ARow, *IBSQLRefresh);
    return true;
}

void TWinTbl::DoPost(TAtr* Sender)
{
    if (!Sender->NewForEvent) {
        const int row = FocusedIndex();
        if (row < 0) throw Exception(QStringLiteral("TWinTbl.DoPost: no row selected"));
        if (RefreshRow(row, Sender->RecId()))
            FModel->RowChanged(row);
        else
            // The record can no longer be read back (it is gone): so is its row.
            RemoveRowAndFocusNext(row);
    } else {
        const int focused = FocusedIndex();
        const int b = focused < 0 ? 0 : focused;
        Rows.Insert(b, TRow(TblSql->SelectFldList.size(), Variant::Null()));
        bool found = false;
        try {
            found = RefreshRow(b, Sender->RecId());
        } catch (...) {
            Rows.Delete(b);
            throw;
        }
        if (!found) {
            Rows.Delete(b);
        } else {
            FModel->InsertRow(b);
            FocusRow(b);
        }
    }
    if (vt && !vt->hasFocus()) vt->viewport()->update();
}

// --------------------------------------------------------------- delete

bool TWinTbl::ConfirmDelete()
{
    return MessageDlgAtControl(QStringLiteral("Удалить запись?"), QMessageBox::Question,
                               QMessageBox::Yes | QMessageBox::No, vt)
           == QMessageBox::Yes;
}

void TWinTbl::DeleteRecord()
{
    TblSql->DeleteFilter->FilterTree->Value = FocusedRecId();
    TblSql->SetParams(IBSQLDelete.get(), stDelete);
    IBSQLDelete->ExecQuery();
    CommitRetaining();
}

void TWinTbl::DeleteClick()
{
    if (FocusedRecId().IsNull() || !ConfirmDelete()) return;
    // The question let events through: take the row as it is now.
    const int row = FocusedIndex();
    if (row < 0) return;
    DeleteRecord();
    RemoveRowAndFocusNext(row);
    if (OnAfterChange) OnAfterChange(this);
}

void TWinTbl::RemoveRowAndFocusNext(int ARow)
{
    // The next sibling takes the place of the removed row; without one, the previous row.
    const int next = ARow + 1 < FModel->rowCount() ? ARow : ARow - 1;
    Rows.Delete(ARow);
    Deleting = true;
    {
        auto end = qScopeGuard([this] { Deleting = false; });
        if (vt) {
            vt->selectionModel()->clearSelection();
            vt->selectionModel()->clearCurrentIndex();
        }
        FModel->RemoveRow(ARow);
    }
    FocusRow(next);
}

// ----------------------------------------------------------- check marks

void TWinTbl::SetCheckSupport(bool AValue)
{
    FCheckSupport = AValue;
    FModel->ChecksChanged();
}

bool TWinTbl::IsChecked(int AIndex) const
{
    return Rows.Checked(AIndex);
}

void TWinTbl::SetChecked(int AIndex, bool AChecked)
{
    Rows.SetChecked(AIndex, AChecked);
}

Variant TWinTbl::GetFirstChecked()
{
    LastFindChecked = QPersistentModelIndex();
    for (int i = 0; i < FModel->rowCount(); ++i)
        if (Rows.Checked(i)) {
            LastFindChecked = FModel->index(i, 0);
            return Rows.Value(i, 0);
        }
    return Variant::Null();
}

Variant TWinTbl::GetNextChecked()
{
    if (!LastFindChecked.isValid()) return Variant::Null();
    for (int i = LastFindChecked.row() + 1; i < FModel->rowCount(); ++i)
        if (Rows.Checked(i)) {
            LastFindChecked = FModel->index(i, 0);
            return Rows.Value(i, 0);
        }
    return Variant::Null();
}

// ------------------------------------------------ field values of rows

int TWinTbl::ResultColOfFld(const TFld* AFld) const
{
    for (size_t i = 0; i < TblSql->SelectFldList.size(); ++i)
        if (TblSql->SelectFldList[i]->TblTree->Fld == AFld) return static_cast<int>(i);
    return -1;
}

void TWinTbl::GetDataByIndexFld(int AIndex, TFld* AFld, Variant& AValue) const
{
    const int col = ResultColOfFld(AFld);
    if (col < 0)
        throw Exception(Format(QStringLiteral("GetDataByIndexFld: В таблице объекта \"%s\" не найдено поле \"%s\""),
                               {Tbl->GetObj()->Capt, AFld->Capt}));
    AValue = Rows.Value(AIndex, col);
}

void TWinTbl::SetDataByIndexFld(int AIndex, TFld* AFld, const Variant& AValue)
{
    const int col = ResultColOfFld(AFld);
    if (col < 0)
        throw Exception(Format(QStringLiteral("SetDataByIndexFld: В таблице объекта \"%s\" не найдено поле \"%s\""),
                               {Tbl->GetObj()->Capt, AFld->Capt}));
    Rows.SetValue(AIndex, col, AValue);
    FModel->RowChanged(AIndex);
}

bool TWinTbl::EditableColumn(TFld* AFld, bool AEditable)
{
    const int col = ResultColOfFld(AFld);
    if (col < 0) return false;
    TblSql->SelectFldList[col]->Editable = AEditable;
    for (size_t c = 0; c < FColumns.size(); ++c)
        if (FColumns[c] == col) {
            FModel->ColumnChanged(static_cast<int>(c));
            return true;
        }
    return false;
}

// ------------------------------------------------------------ properties

void TWinTbl::ParamByName(const QString& AName, const Variant& AValue)
{
    IBSQLSelect->ParamByName(AName).SetAsVariant(AValue);
}

Variant TWinTbl::ParentId() const
{
    if (!TblSql->ParentFilter || !TblSql->ParentFilter->FilterTree) return Variant::Null();
    return TblSql->ParentFilter->FilterTree->Value;
}

void TWinTbl::SetParentId(const Variant& AValue)
{
    if (!TblSql->ParentFilter || !TblSql->ParentFilter->FilterTree)
        throw Exception(Format(QStringLiteral("TWinTbl.ParentId: Таблица \"%s\" не является таблицей связи"),
                               {Tbl->Capt}));
    TblSql->ParentFilter->FilterTree->Value = AValue;
}

void TWinTbl::SetAlign(TAlign AAlign)
{
    FAlign = AAlign;
    if (!Panel || !Panel->parentWidget()) return;
    QWidget* parent = Panel->parentWidget();
    if (AAlign == alClient) {
        auto* box = qobject_cast<QBoxLayout*>(parent->layout());
        if (!box && !parent->layout()) {
            box = new QVBoxLayout(parent);
            box->setContentsMargins(0, 0, 0, 0);
            box->setSpacing(0);
        }
        if (box && box->indexOf(Panel) < 0) box->addWidget(Panel, 1);
    } else if (QLayout* layout = parent->layout()) {
        layout->removeWidget(Panel);
    }
}

int TWinTbl::Width() const { return Panel ? Panel->width() : 0; }
void TWinTbl::SetWidth(int AValue) { if (Panel) Panel->resize(AValue, Panel->height()); }
int TWinTbl::Height() const { return Panel ? Panel->height() : 0; }
void TWinTbl::SetHeight(int AValue) { if (Panel) Panel->resize(Panel->width(), AValue); }
int TWinTbl::Top() const { return Panel ? Panel->y() : 0; }
void TWinTbl::SetTop(int AValue) { if (Panel) Panel->move(Panel->x(), AValue); }
int TWinTbl::Left() const { return Panel ? Panel->x() : 0; }
void TWinTbl::SetLeft(int AValue) { if (Panel) Panel->move(AValue, Panel->y()); }

// ---------------------------------------------------------- grid classes

void RegisterWinTblClass(const QString& ALinkName, TWinTblClass AClass)
{
    if (AClass)
        WinTblClasses()[ALinkName] = std::move(AClass);
    else
        WinTblClasses().erase(ALinkName);
}

std::unique_ptr<TWinTbl> CreateWinTblByLinkName(const QString& ALinkName, QWidget* AOwner, QWidget* AParent)
{
    auto it = WinTblClasses().find(ALinkName);
    if (it != WinTblClasses().end()) return it->second(AOwner, AParent);
    return std::make_unique<TWinTbl>(AOwner, AParent);
}

// ----------------------------------------------------------- Add and Edit

std::unique_ptr<TWinCard> TWinTbl::CreateCard(bool)
{
    // A stand-alone modal card centred on the grid: the user's card of the
    // listed object (the card frees itself when its initialisation fails).
    auto card = std::make_unique<TWinCard>(Owner, vt, nullptr);
    card->InitByUser(Tbl->GetObj(), UserId);
    return card;
}

void TWinTbl::Add()
{
    if (OnAddClick) OnAddClick(this);
    std::unique_ptr<TWinCard> card = CreateCard(true);
    card->WinAtr->SetInfo(Info);
    if (Tbl->ObjLink)
        card->WinAtr->InitDefaultValues(Tbl->ObjLink, ParentId());
    else
        card->WinAtr->InitDefaultValues(nullptr, Variant::Null());
    card->WinAtr->Atr->OnAfterCommit = [this](TAtr* ASender) { DoPost(ASender); };
    card->OnBeforePost = [this](QObject* ASender, bool ANewCard, bool& ASkipPost) {
        BeforePost(ASender, ANewCard, ASkipPost);
    };
    card->OnBeforeCommit = [this](QObject* ASender, bool& ADoAction) { BeforeCommit(ASender, ADoAction); };
    BeforeShowNewCard(card.get());
    card->ShowModalCard();
    if (OnAfterChange) OnAfterChange(this);
}

void TWinTbl::Edit()
{
    if (!BtnEnabled(btEdit) || FocusedIndex() < 0) return;
    const int id = FocusedRecId().ToInt();
    std::unique_ptr<TWinCard> card = CreateCard(false);
    card->WinAtr->SetInfo(Info);
    card->SetRecId(id);
    card->WinAtr->Atr->OnAfterCommit = [this](TAtr* ASender) { DoPost(ASender); };
    card->ShowModalCard();
    if (OnAfterChange) OnAfterChange(this);
}
