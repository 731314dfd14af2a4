#include "WinCard.h"

#include "app/FuncWin.h"
#include "app/func.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>

// ---------------------------------------------------------------- TCardForm

TCardForm::TCardForm(QWidget* AParent, bool AEmbedded) : QDialog(AParent), FEmbedded(AEmbedded)
{
    if (AEmbedded) {
        setWindowFlags(Qt::Widget);
        move(0, 0);
    } else {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
        // Window managers that honour it keep the client size in steps of 8 themselves.
        setSizeIncrement(8, 8);
        setBaseSize(0, 0);
    }
    qApp->installEventFilter(this);
}

TCardForm::~TCardForm()
{
    if (qApp) qApp->removeEventFilter(this);
}

void TCardForm::SetClientSize(int AWidth, int AHeight)
{
    FExpectedSize = QSize(AWidth, AHeight);
    resize(AWidth, AHeight);
    Arrange();
}

void TCardForm::Arrange()
{
    const int w = width();
    const int h = height();
    const int btn = BtnPanel ? 40 : 0;
    if (BtnPanel) BtnPanel->setGeometry(0, h - btn, w, btn);
    if (DetPanel && Splitter) {
        if (AtrPanel) AtrPanel->setGeometry(0, 0, w, HeightAtr);
        Splitter->setGeometry(0, HeightAtr, w, TCardSplitter::BarHeight);
        const int top = HeightAtr + TCardSplitter::BarHeight;
        DetPanel->setGeometry(0, top, w, qMax(0, h - btn - top));
    } else if (AtrPanel) {
        AtrPanel->setGeometry(0, 0, w, qMax(0, h - btn));
    }
}

void TCardForm::SetModalResult(int AValue)
{
    done(AValue);
}

void TCardForm::done(int AResult)
{
    if (FEmbedded) return;  // an embedded card is closed by whoever holds it
    const int result = AResult == QDialog::Rejected ? mrCancel : AResult;
    FModalResult = result;
    if (result != mrOk && OnCloseQuery && !OnCloseQuery()) {
        FModalResult = 0;
        return;
    }
    QDialog::done(result);
}

bool TCardForm::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AEvent->type() == QEvent::KeyPress && OnKeyDown && AWatched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(AWatched);
        QWidget* focus = QApplication::focusWidget();
        const bool focusInside = focus && (focus == this || isAncestorOf(focus));
        // A key travels from the focused control up to the form: seen once, first.
        const bool first = focusInside ? w == focus : w == this;
        if (first) {
            const int key = static_cast<QKeyEvent*>(AEvent)->key();
            RunUserAction([&] { OnKeyDown(key); });
        }
    }
    return false;
}

void TCardForm::resizeEvent(QResizeEvent* AEvent)
{
    QDialog::resizeEvent(AEvent);
    const bool free = !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    if (!FEmbedded && free && AEvent->size() != FExpectedSize && OnCanResize && FExpectedSize.isValid()) {
        // The user resized the window: whole steps of 8 pixels only.
        int newWidth = AEvent->size().width();
        int newHeight = AEvent->size().height();
        bool accept = true;
        OnCanResize(newWidth, newHeight, accept);
        const QSize target = accept ? QSize(newWidth, newHeight) : FExpectedSize;
        FExpectedSize = target;
        if (target != size()) resize(target);
    }
    Arrange();
}

// ------------------------------------------------------------ TCardSplitter

TCardSplitter::TCardSplitter(TCardForm* AForm) : QFrame(AForm), FForm(AForm)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setCursor(Qt::SplitVCursor);
    setFixedHeight(BarHeight);
}

void TCardSplitter::DragTo(int ANewSize)
{
    const int max = qMax(0, FForm->height() - 40 - BarHeight);
    int newSize = qBound(0, ANewSize, max);
    bool accept = true;
    if (OnCanResize) OnCanResize(newSize, accept);
    if (!accept) return;
    FForm->HeightAtr = qBound(0, newSize, max);
    FForm->Arrange();
}

void TCardSplitter::mousePressEvent(QMouseEvent* AEvent)
{
    FPressY = static_cast<int>(AEvent->globalPosition().y());
    FPressHeight = FForm->HeightAtr;
}

void TCardSplitter::mouseMoveEvent(QMouseEvent* AEvent)
{
    if (!(AEvent->buttons() & Qt::LeftButton)) return;
    DragTo(FPressHeight + static_cast<int>(AEvent->globalPosition().y()) - FPressY);
}

// ----------------------------------------------------------------- TWinCard

TWinCard::TWinCard(QWidget* AOwner, QWidget* AParentPosition, QWidget* AParent)
    : Card(std::make_unique<TCard>()),
      Owner(AOwner),
      UserId(::UserId),
      Parent(AParent),
      FEmbedded(AParent != nullptr),
      ParentPosition(AParentPosition)
{
    Card->RaiseLoad = true;
}

TWinCard::~TWinCard()
{
    WinAtr.reset();
    WinDetBook.reset();
    delete Form.data();
    Card.reset();
}

void TWinCard::InitById(int ACardId)
{
    Card->LoadById(ACardId);
    BuildForm();
}

void TWinCard::InitByName(TObj* AObj, const QString& ACardName)
{
    Card->LoadByName(AObj, ACardName);
    BuildForm();
}

void TWinCard::InitByUser(TObj* AObj, int AUserId)
{
    UserId = AUserId;
    Card->LoadCurrent(AObj, UserId);
    BuildForm();
}

void TWinCard::BuildForm()
{
    const bool embedded = FEmbedded;
    Form = new TCardForm(embedded ? Parent.data() : Owner.data(), embedded);
    Form->setWindowTitle(Card->Obj->Capt);
    Form->SetClientSize(Card->Width, Card->HeightAtr);

    AtrPanel = new QWidget(Form);
    Form->AtrPanel = AtrPanel;
    Form->HeightAtr = Card->HeightAtr;
    Form->Arrange();
    Form->OnKeyDown = [this](int AKey) { FormKeyDown(AKey); };
    Form->OnCloseQuery = [this] { return FormCloseQuery(); };
    Form->OnCanResize = [this](int& W, int& H, bool& R) { FormCanResize(W, H, R); };

    CreateWinAtr();

    DetPanel = new QWidget(Form);
    CreateWinDetBook();
    int clientHeight = Card->HeightAtr;
    if (!WinDetBook || WinDetBook->DetBook->Count() == 0) {
        WinDetBook.reset();
        delete DetPanel.data();
    } else {
        auto* splitter = new TCardSplitter(Form);
        splitter->OnCanResize = [this](int& ASize, bool& AAccept) { SplitterCanResize(ASize, AAccept); };
        Form->Splitter = splitter;
        Form->DetPanel = DetPanel;
        clientHeight += TCardSplitter::BarHeight + Card->HeightDet;
        WinDetBook->EnableAddBtn();
        WinDetBook->OnNewRecord = [this](TWinDet* ASender) { DetNewRecord(ASender); };
        WinDetBook->OnAfterChange = [this](TWinDet* ASender) { DetAfterChange(ASender); };
    }

    BtnPanel = new QWidget(Form);
    Form->BtnPanel = BtnPanel;
    clientHeight += 40;
    Form->SetClientSize(Card->Width, clientHeight);

    if (!embedded) PlaceFormAtControl(ParentPosition, Form);

    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    CreateOkCancelButtons(BtnPanel, ok, cancel);
    btOk = ok;
    btCancel = cancel;
    // Enter is the card's own key (OK); the buttons must not take it over.
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);

    if (embedded) Form->show();
    QObject::connect(ok, &QPushButton::clicked, Form, [this, ok] { RunUserAction([&] { OkClick(ok); }); });
}

int TWinCard::ShowModalCard()
{
    return Form->exec();
}

Variant TWinCard::RecId() const
{
    return WinAtr->RecId();
}

void TWinCard::SetRecId(const Variant& Value)
{
    WinAtr->SetRecId(Value);
    if (WinDetBook) {
        WinDetBook->SetParentId(Value.ToInt());
        WinDetBook->Open();
    }
}

int TWinCard::Width() const
{
    return Form->width();
}

void TWinCard::SetWidth(int Value)
{
    Form->SetClientSize(Value, Form->height());
}

int TWinCard::Height() const
{
    return Form->height();
}

void TWinCard::SetHeight(int Value)
{
    Form->SetClientSize(Form->width(), Value);
}

int TWinCard::HeightAtr() const
{
    return WinDetBook ? Form->HeightAtr : AtrPanel->height();
}

void TWinCard::SetHeightAtr(int Value)
{
    if (WinDetBook) {
        Form->HeightAtr = Value;
        Form->Arrange();
    } else {
        // The panel fills the form above the buttons: the form follows.
        Form->SetClientSize(Form->width(), Value + 40);
    }
}

int TWinCard::HeightDet() const
{
    return DetPanel ? DetPanel->height() : 0;
}

void TWinCard::SetHeightDet(int Value)
{
    if (!DetPanel) return;
    Form->SetClientSize(Form->width(), Form->HeightAtr + TCardSplitter::BarHeight + Value + 40);
}

void TWinCard::SetActiveForm(bool Value)
{
    FActiveForm = Value;
    Form->setProperty("activeForm", Value);
    Form->update();
}

// ------------------------------------------------------ virtual operations

void TWinCard::OkClick(QObject* Sender)
{
    if (FEmbedded) return;
    if (!NoPost) PostAndCommit();
    Form->SetModalResult(mrOk);
}

void TWinCard::CreateWinAtr()
{
    WinAtr = std::make_unique<TWinAtr>(Form, AtrPanel);
    WinAtr->Init(Card.get());
}

void TWinCard::CreateWinDetBook()
{
    // Cards opened from the detail grids belong to this card's window.
    WinDetBook = std::make_unique<TWinDetBook>(Form, DetPanel);
    WinDetBook->Init(Card->Obj, UserId);
}

void TWinCard::DoCommit()
{
    WinAtr->Atr->Commit();
}

void TWinCard::PostAndCommit()
{
    TAtr* atr = WinAtr->Atr.get();
    const bool wasNew = atr->New;
    std::vector<TAtrItem*> modified;
    for (TAtrItem* item : *atr)
        if (item->Modified) modified.push_back(item);
    try {
        WinAtr->Post();
        DoCommit();
    } catch (...) {
        try {
            RollbackRetaining();
        } catch (...) {
            // the original failure is the one to report
        }
        // What was rolled back is to be written again by the next attempt:
        // a record inserted but not committed is new again, and the input
        // still counts as a change.
        if (wasNew && atr->NewForEvent) atr->New = true;
        for (TAtrItem* item : modified) item->Modified = true;
        throw;
    }
}

// ----------------------------------------------------------------- handlers

void TWinCard::FormKeyDown(int AKey)
{
    if (AKey == Qt::Key_Return || AKey == Qt::Key_Enter) OkClick(Form);
}

bool TWinCard::FormCloseQuery()
{
    if (FEmbedded) return false;
    if (Form->ModalResult() == mrOk || !WinAtr->Atr->Modified()) return true;
    return MessageDlgAtControl(QStringLiteral("Отменить?"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                               Form) == QMessageBox::Yes;
}

void TWinCard::FormCanResize(int& ANewWidth, int& ANewHeight, bool& AResize)
{
    // Qt sizes a window by its client area: width and client width agree.
    const QSize current = Form->AcceptedSize();
    AResize = current.width() / 8 != ANewWidth / 8 || current.height() / 8 != ANewHeight / 8;
    ANewWidth = (ANewWidth / 8) * 8;
    ANewHeight = (ANewHeight / 8) * 8;
}

void TWinCard::SplitterCanResize(int& ANewSize, bool& AAccept)
{
    ANewSize = (ANewSize / 8) * 8;
    AAccept = ANewSize != (Form->HeightAtr / 8) * 8;
}

void TWinCard::DetNewRecord(TWinDet* Sender)
{
    if (!WinAtr->Atr->New) return;
    PostAndCommit();
    if (WinDetBook) {
        WinDetBook->SetParentId(RecId().ToInt());
        WinDetBook->Open();
    }
}

void TWinCard::DetAfterChange(TWinDet* Sender)
{
    WinAtr->UpdateArgFlieds();
}
