#include "WinDetBook.h"

#include "WinDetTbl.h"

#include <QEvent>

namespace {
// Keeps the page control 8 pixels inside every edge of its panel.
class TMarginWatch : public QObject {
public:
    TMarginWatch(QWidget* AParent, QTabWidget* APageControl) : FParent(AParent), FPageControl(APageControl)
    {
        AParent->installEventFilter(this);
        Place();
    }
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AWatched == FParent && AEvent->type() == QEvent::Resize) Place();
        return false;
    }
    void Place()
    {
        if (!FParent || !FPageControl) return;
        FPageControl->setGeometry(8, 8, qMax(0, FParent->width() - 16), qMax(0, FParent->height() - 16));
    }

private:
    QPointer<QWidget> FParent;
    QPointer<QTabWidget> FPageControl;
};
}  // namespace

TWinDetBook::TWinDetBook(QWidget* AOwner, QWidget* AParent)
    : DetBook(std::make_unique<TDetBook>()), Owner(AOwner), Parent(AParent)
{
}

TWinDetBook::~TWinDetBook()
{
    FParentWatch.reset();
    FItems.clear();
    DetBook.reset();
}

void TWinDetBook::LoadDetBook(TObj* AObj, int AUserId)
{
    DetBook->RaiseLoad = false;
    DetBook->LoadCurrent(AObj, AUserId);
}

void TWinDetBook::Init(TObj* AObj, int AUserId)
{
    LoadDetBook(AObj, AUserId);
    UserId = AUserId;
    if (DetBook->Count() == 0) return;

    pc = new QTabWidget(Parent);
    for (TObjLink* link : *DetBook) {
        auto* sheet = new QWidget(pc);
        pc->addTab(sheet, link->ChildFld->Obj->Capt2);
        auto tab = std::make_unique<TWinDetTbl>(Owner, sheet);
        tab->Init(link, UserId);
        tab->OnNewRecord = [this](TWinDet* ASender) {
            if (OnNewRecord) OnNewRecord(ASender);
        };
        tab->OnAfterChange = [this](TWinDet* ASender) {
            if (OnAfterChange) OnAfterChange(ASender);
        };
        FItems.push_back(std::move(tab));
    }
    FParentWatch = std::make_unique<TMarginWatch>(Parent, pc);
    pc->show();
}

void TWinDetBook::SetParentId(int Value)
{
    for (const auto& tab : FItems) tab->SetParentId(Value);
}

void TWinDetBook::Open()
{
    for (const auto& tab : FItems) tab->Open();
}

void TWinDetBook::Close()
{
    for (const auto& tab : FItems) tab->Close();
}

void TWinDetBook::EnableAddBtn()
{
    for (const auto& tab : FItems) tab->EnableAddBtn();
}

void TWinDetBook::SetEnabled(bool Value)
{
    if (pc) pc->setEnabled(Value);
}

bool TWinDetBook::Enabled() const
{
    return pc && pc->isEnabled();
}

int TWinDetBook::Top() const
{
    return pc ? pc->y() : 0;
}

void TWinDetBook::SetTop(int Value)
{
    if (pc) pc->move(pc->x(), Value);
}

int TWinDetBook::Height() const
{
    return pc ? pc->height() : 0;
}

void TWinDetBook::SetHeight(int Value)
{
    if (pc) pc->resize(pc->width(), Value);
}
