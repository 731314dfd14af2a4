// The grid window: the records of one table view in a grid with a toolbar
// (Add, Edit, Delete, Refresh, Close). Rows are fetched lazily, one at a
// time, as the grid shows them; after a card has committed a record only
// that row is re-read (or inserted at the focused position). It is the one
// list window of the program: object documents, detail tabs of cards, the
// value picker and the configurator's lists all use it or a subclass.
#pragma once

#include "RowList.h"
#include "Sql.h"
#include "Tbl.h"
#include "WinToolBar.h"
#include "meta/Obj.h"

#include <QAbstractTableModel>
#include <QItemSelection>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class TAtr;
class TWinCard;
class TWinTbl;

using TTblEvent = std::function<void(TWinTbl* AWinTbl)>;

// How the panel is placed in its parent: alClient fills the parent (through
// the parent's box layout, made when it has none); alNone leaves the place to
// Left, Top, Width and Height.
enum TAlign { alNone, alClient };

// The rows of a grid window as a Qt model: one model row per fetched row,
// one model column per grid column. Fetching more rows is the window's.
class TWinTblModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TWinTblModel(TWinTbl* AWinTbl);

    int rowCount(const QModelIndex& AParent = QModelIndex()) const override;
    int columnCount(const QModelIndex& AParent = QModelIndex()) const override;
    QVariant data(const QModelIndex& AIndex, int ARole) const override;
    bool setData(const QModelIndex& AIndex, const QVariant& AValue, int ARole) override;
    Qt::ItemFlags flags(const QModelIndex& AIndex) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole) const override;
    bool canFetchMore(const QModelIndex& AParent) const override;
    void fetchMore(const QModelIndex& AParent) override;

private:
    friend class TWinTbl;
    // Announces the rows fetched since the last call.
    void ShowFetched();
    void InsertRow(int ARow);
    void RemoveRow(int ARow);
    void RowChanged(int ARow);
    void ColumnChanged(int AColumn);
    void ChecksChanged();
    void Reset(const std::function<void()>& AChange);

    TWinTbl* FWinTbl;
    int FShown = 0;  // rows the views know of; fetched rows beyond are not announced yet
};

// The grid component: a flat table with the window's keys, double click and
// paint-driven fetching.
class TWinTblGrid : public QTableView {
    Q_OBJECT
public:
    TWinTblGrid(TWinTbl* AWinTbl, QWidget* AParent);

protected:
    void keyPressEvent(QKeyEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    void paintEvent(QPaintEvent* AEvent) override;

private:
    TWinTbl* FWinTbl;
    bool FFetchQueued = false;
};

class TWinTbl {
public:
    // Creates the panel in AParent with the toolbar and the grid. AOwner is
    // the widget that owns the windows this one opens (cards), and the
    // panel's parent when AParent is nil.
    TWinTbl(QWidget* AOwner, QWidget* AParent);
    // Frees the grid, the query builder, the statements, the toolbar and the
    // view; the panel is left to its parent widget.
    virtual ~TWinTbl();
    TWinTbl(const TWinTbl&) = delete;
    TWinTbl& operator=(const TWinTbl&) = delete;

    // Choosing the view and compiling it. InitById and InitByName raise when
    // the view is missing; InitByUser raises only with ARaise, answers
    // whether a view was found and compiles only then.
    void InitById(int AId);
    void InitByName(TObj* AObj, TObjLink* AObjLink, const QString& ATblName);
    bool InitByUser(TObj* AObj, TObjLink* AObjLink, int AUserId, bool ARaise);

    // Writes the texts of the select, refresh and delete statements.
    void CreateSQL();
    // Runs the select and shows its first row; further rows come as the
    // grid shows them. Only on a new or closed grid.
    void Open();
    // Closes the select and empties the grid.
    void Close();
    // Close, then Open.
    void Reopen();
    // Fetches every remaining row. A long fetch shows its progress and lets
    // the window repaint; Esc stops it, keeping the rows fetched so far.
    void GotoEnd();

    // Id of the focused record; Null when none.
    Variant FocusedRecId() const;
    // Sets a named parameter of the select statement.
    void ParamByName(const QString& AName, const Variant& AValue);
    void EnableAddBtn();
    // Ids of the checked rows in grid order; Null at the end.
    Variant GetFirstChecked();
    Variant GetNextChecked();
    // Allows or forbids in-place editing of a field's column; false when the
    // view shows no such column (or no grid column shows it).
    bool EditableColumn(TFld* AFld, bool AEditable);
    // Rows fetched so far.
    int Count() const { return Rows.Count(); }

    // The record's id of the parent filter of a link view (Null when the
    // view is not a link view; setting it there raises).
    Variant ParentId() const;
    void SetParentId(const Variant& AValue);
    void SetCheckSupport(bool AValue);
    bool CheckSupport() const { return FCheckSupport; }
    void SetAlign(TAlign AAlign);
    TAlign Align() const { return FAlign; }
    int Width() const;
    void SetWidth(int AValue);
    int Height() const;
    void SetHeight(int AValue);
    int Top() const;
    void SetTop(int AValue);
    int Left() const;
    void SetLeft(int AValue);

    // The panel and the grid (nil once their window has been destroyed).
    QWidget* GetPanel() const { return Panel; }
    QTableView* Grid() const { return vt; }
    TWinTblModel* Model() const { return FModel.get(); }
    // Index of the focused row, -1 when none.
    int FocusedIndex() const;
    // Text of a cell: row ARow, result column ACol (a grid column's tag).
    QString CellText(int ARow, int ACol) const;

    // The user's actions, as the toolbar and the keys run them.
    void Add();
    void Edit();

    std::unique_ptr<TTbl> Tbl;
    std::unique_ptr<TTblSql> TblSql;
    TTblEvent OnAfterChange;  // after an Add or Edit card has closed and after a deletion
    TTblEvent OnAddClick;     // at the very start of Add, before the card is created
    TTblEvent OnChange;       // when the focused row changes
    std::function<void()> OnDblClick;  // the grid's double click; Edit unless replaced
    TInfo Info;                        // handed to every card the grid opens
    std::unique_ptr<TWinToolBar> WinToolBar;

    // How often a long GotoEnd lets the window react (milliseconds of
    // fetching between two rounds of events; 0: every 1024 rows).
    int FetchEventsMs = 200;

    // Virtual operations, in slot order.
    virtual void BeforePost(QObject* Sender, bool ANewCard, bool& ASkipPost);
    virtual void BeforeCommit(QObject* Sender, bool& DoAction);
    virtual void DeleteClick();
    virtual void DeleteRecord();
    virtual void DoChange();
    virtual void InitSQL();
    virtual void SetupFilters();
    virtual bool ConfirmDelete();
    virtual void BeforeShowNewCard(TWinCard* ACard);
    virtual std::unique_ptr<TWinCard> CreateCard(bool ANew);

    // For subclasses and the cards the grid opens.
    void GetDataByIndexFld(int AIndex, TFld* AFld, Variant& AValue) const;
    void SetDataByIndexFld(int AIndex, TFld* AFld, const Variant& AValue);
    bool IsChecked(int AIndex) const;
    void SetChecked(int AIndex, bool AChecked);
    // The after-commit handler given to cards: re-reads the committed row in
    // place, or inserts a new one at the focused position.
    void DoPost(TAtr* Sender);
    // A finished in-place edit: the text converted by the column's field type
    // replaces the value of the fetched row. Nothing is written to the database.
    void SetCellText(int ARow, int ACol, const QString& AText);

protected:
    QWidget* Owner;
    QPointer<TWinTblGrid> vt;

    void UpdateButtons();
    void CreateColumns();
    // Index of the result column showing AFld, -1 when none.
    int ResultColOfFld(const TFld* AFld) const;

private:
    friend class TWinTblModel;
    friend class TWinTblGrid;

    QPointer<QWidget> Parent;
    std::unique_ptr<TIBSQL> IBSQLSelect;
    std::unique_ptr<TIBSQL> IBSQLRefresh;
    std::unique_ptr<TIBSQL> IBSQLDelete;
    TRowList Rows;
    QPointer<QWidget> Panel;
    bool Deleting = false;
    bool FocusedRow = false;
    QPersistentModelIndex LastFindChecked;

    std::unique_ptr<TWinTblModel> FModel;
    std::vector<int> FColumns;  // tag (result column) of each grid column
    QPointer<QLabel> FProgress;
    bool FCheckSupport = false;
    TAlign FAlign = alNone;
    // Shared with a running GotoEnd, which may outlive the window while it
    // lets events through.
    struct TFetchState {
        bool Alive = true;
        bool Running = false;
        bool Stop = false;
    };
    std::shared_ptr<TFetchState> FFetch;

    bool SelectActive() const;
    void FetchRow();
    // Fetches rows while the last one is within the grid's visible area.
    void FetchVisible();
    bool LastRowVisible() const;
    void GridKeyDown(QKeyEvent* AEvent, bool& AHandled);
    void GridChange(bool ANode);
    void SelectionChanged(const QItemSelection& ASelected, const QItemSelection& ADeselected);
    // Focuses and selects a row (nothing when ARow < 0).
    void FocusRow(int ARow);
    // Removes grid row ARow and focuses the next row, else the previous one.
    void RemoveRowAndFocusNext(int ARow);
    // Re-reads record ARecId into row ARow; false when the refresh statement
    // found no row.
    bool RefreshRow(int ARow, const Variant& ARecId);
    bool BtnEnabled(TBtnType ABtnType) const;
    void SetBtnEnabled(TBtnType ABtnType, bool AValue);
    void ShowProgress(bool AVisible);
};

// Grid window classes chosen by the name of a detail link ("DealProd",
// "DealPaym", "DealShip" are the sales grids); any other name gives a plain
// TWinTbl. Units with grid subclasses register them once at start.
using TWinTblClass = std::function<std::unique_ptr<TWinTbl>(QWidget* AOwner, QWidget* AParent)>;
void RegisterWinTblClass(const QString& ALinkName, TWinTblClass AClass);  // an empty class unregisters
std::unique_ptr<TWinTbl> CreateWinTblByLinkName(const QString& ALinkName, QWidget* AOwner, QWidget* AParent);
