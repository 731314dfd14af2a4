// The card window: edits one record of one object. An attribute panel with
// one editor per field control of the card's control tree, below it (when the
// object has a detail set) a splitter and a detail panel with grids of the
// child records, and a button panel with OK and Cancel. Normally a modal
// window opened by a grid's Add or Edit; the card designer embeds one as a
// live preview.
#pragma once

#include "Card.h"
#include "WinAtr.h"
#include "WinDetBook.h"
#include "meta/Obj.h"

#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>

// Modal results of a card.
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

using TBeforePost = std::function<void(QObject* Sender, bool ANewCard, bool& ASkipPost)>;
using TBeforeAction = std::function<void(QObject* Sender, bool& DoAction)>;

class TCardSplitter;

// The form of a card: places its panels as the card aligns them (attribute
// panel on top, splitter, detail panel filling the rest, button panel at the
// bottom), asks before it closes, lets the card see every key first and
// keeps the size the user gives it in steps of 8 pixels.
class TCardForm : public QDialog {
    Q_OBJECT
public:
    TCardForm(QWidget* AParent, bool AEmbedded);
    ~TCardForm() override;

    bool Embedded() const { return FEmbedded; }

    QPointer<QWidget> AtrPanel;
    QPointer<TCardSplitter> Splitter;
    QPointer<QWidget> DetPanel;
    QPointer<QWidget> BtnPanel;
    int HeightAtr = 0;  // the attribute panel's height while there is a detail panel

    // Sets the client size (not snapped) and places the panels.
    void SetClientSize(int AWidth, int AHeight);
    void Arrange();
    // The size the form has as far as the program is concerned (while the
    // user resizes it, the size before).
    QSize AcceptedSize() const { return FExpectedSize.isValid() ? FExpectedSize : size(); }
    // Result of the last closing (mrOk, mrCancel); 0 while open.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int AValue);

    std::function<bool()> OnCloseQuery;       // true: may close
    std::function<void(int AKey)> OnKeyDown;  // every key of the card, first
    std::function<void(int& ANewWidth, int& ANewHeight, bool& AResize)> OnCanResize;

    // Closing with any result other than mrOk (Cancel, Esc, the close box)
    // asks OnCloseQuery first.
    void done(int AResult) override;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;

private:
    bool FEmbedded;
    int FModalResult = 0;
    QSize FExpectedSize;  // the size last set by the program; others come from the user
};

// The splitter between attribute and detail panel: a beveled bar that
// resizes the panels live while it is dragged.
class TCardSplitter : public QFrame {
    Q_OBJECT
public:
    explicit TCardSplitter(TCardForm* AForm);
    static constexpr int BarHeight = 3;
    // Drags the bar so that the attribute panel would be ANewSize high.
    void DragTo(int ANewSize);
    std::function<void(int& ANewSize, bool& AAccept)> OnCanResize;

protected:
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;

private:
    TCardForm* FForm;
    int FPressY = 0;
    int FPressHeight = 0;
};

class TWinCard {
public:
    // Stores the arguments and creates Card (raising when a load finds no
    // card). AParent nil: a stand-alone modal card centred over
    // AParentPosition; otherwise a card embedded in AParent. Nothing is built yet.
    TWinCard(QWidget* AOwner, QWidget* AParentPosition, QWidget* AParent);
    // Frees WinAtr, WinDetBook, the form and Card, in this order.
    virtual ~TWinCard();
    TWinCard(const TWinCard&) = delete;
    TWinCard& operator=(const TWinCard&) = delete;

    // Load the definition and build the window; the record is empty.
    void InitById(int ACardId);
    void InitByName(TObj* AObj, const QString& ACardName);
    void InitByUser(TObj* AObj, int AUserId);

    // Shows the form modally: mrOk after OK, mrCancel after Cancel or closing.
    int ShowModalCard();

    Variant RecId() const;
    // Loads an existing record for editing; the detail grids list its children.
    void SetRecId(const Variant& Value);

    // Client sizes of the form and its panels.
    int Width() const;
    void SetWidth(int Value);
    int Height() const;
    void SetHeight(int Value);
    int HeightAtr() const;
    void SetHeightAtr(int Value);
    int HeightDet() const;  // meaningful only with a detail area
    void SetHeightDet(int Value);
    // Paints an embedded card as the active (or inactive) window.
    void SetActiveForm(bool Value);

    std::unique_ptr<TCard> Card;
    std::unique_ptr<TWinAtr> WinAtr;
    std::unique_ptr<TWinDetBook> WinDetBook;  // nil without detail set
    TBeforePost OnBeforePost;                 // for the grid that opens the card; not raised here
    TBeforeAction OnBeforeCommit;             // likewise
    bool NoPost = false;                      // OK closes with mrOk without saving

    QDialog* GetForm() const { return Form; }
    QPushButton* OkButton() const { return btOk; }
    QPushButton* CancelButton() const { return btCancel; }

    // Virtual operations, in slot order.
    // OK (button and Enter): posts and commits (rolled back retaining on
    // failure, the card stays open), then closes with mrOk.
    virtual void OkClick(QObject* Sender);
    virtual void CreateWinAtr();
    virtual void CreateWinDetBook();
    virtual void DoCommit();

    // Handlers (public for the card designer and tests).
    void FormKeyDown(int AKey);
    bool FormCloseQuery();
    void FormCanResize(int& ANewWidth, int& ANewHeight, bool& AResize);
    void SplitterCanResize(int& ANewSize, bool& AAccept);
    // A detail grid's Add: a new record is saved and committed first, and
    // the grids get its id.
    void DetNewRecord(TWinDet* Sender);
    // A detail grid changed its records: the summing fields are re-read.
    void DetAfterChange(TWinDet* Sender);

protected:
    QPointer<QWidget> Owner;
    QPointer<QWidget> DetPanel;
    // The user whose detail set the card shows: the logged-in user unless
    // InitByUser names another.
    int UserId;
    QPointer<TCardForm> Form;
    QPointer<QWidget> AtrPanel;

    // Posts and commits; on failure rolls back retaining (a new record
    // stays new for the next attempt) and propagates.
    void PostAndCommit();
    // The card sits inside another control (the designer's preview).
    bool Embedded() const { return FEmbedded; }

private:
    QPointer<QWidget> Parent;
    bool FEmbedded;
    QPointer<QWidget> ParentPosition;
    QPointer<QWidget> BtnPanel;
    QPointer<QPushButton> btOk;
    QPointer<QPushButton> btCancel;
    bool FActiveForm = false;

    void BuildForm();
};
