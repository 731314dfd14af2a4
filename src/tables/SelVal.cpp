#include "SelVal.h"

#include "app/FuncWin.h"
#include "app/func.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// Key preview: Enter pressed anywhere in the window chooses, before the
// control that has the focus sees it (and no button takes it as a click).
class TEnterChooses : public QObject {
public:
    TEnterChooses(QDialog* AForm, std::function<void()> AChoose) : QObject(AForm), FForm(AForm), FChoose(std::move(AChoose))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AEvent->type() != QEvent::KeyPress || !AWatched->isWidgetType()) return false;
        const int key = static_cast<QKeyEvent*>(AEvent)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        if (static_cast<QWidget*>(AWatched)->window() != FForm) return false;
        FChoose();
        return true;
    }

private:
    QDialog* FForm;
    std::function<void()> FChoose;
};

// Places the window once it is shown, when its frame is known.
class TPlaceOnShow : public QObject {
public:
    TPlaceOnShow(QDialog* AForm, QPointer<QWidget>* AControl) : QObject(AForm), FForm(AForm), FControl(AControl)
    {
        AForm->installEventFilter(this);
    }
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AWatched == FForm && AEvent->type() == QEvent::Show) PlaceFormAtControl(*FControl, FForm);
        return false;
    }

private:
    QDialog* FForm;
    QPointer<QWidget>* FControl;
};

}  // namespace

TSelectValue::TSelectValue(QWidget* AOwner, QWidget* AParentPosition) : ParentPosition(AParentPosition)
{
    Form = new QDialog(AOwner);
    Form->setModal(true);
    new TEnterChooses(Form, [this] { ChooseValue(); });
    new TPlaceOnShow(Form, &ParentPosition);
}

TSelectValue::~TSelectValue()
{
    WinTbl.reset();
    delete Form.data();
}

void TSelectValue::Init(TObj* AObj, const QString& ATblName, const QString& ACapt)
{
    // 1. The window.
    Form->resize(300, 300);
    Form->setWindowTitle(ACapt.isEmpty() ? AObj->Capt : ACapt);

    // 2. The grid window.
    WinTbl = std::make_unique<TWinTbl>(Form, Form);
    if (!ATblName.isEmpty())
        WinTbl->InitByName(AObj, nullptr, ATblName);
    else
        WinTbl->InitByUser(AObj, nullptr, UserId, true);
    WinTbl->SetAlign(alClient);
    WinTbl->CreateSQL();
    WinTbl->OnDblClick = [this] { ChooseValue(); };

    // 3. The catalogue's own records are changed only in developer mode.
    if (AObj->Meta && !DevMode)
        for (TBtnType kind : {btAdd, btEdit, btDel})
            if (TWinToolBtn* btn = WinTbl->WinToolBar->GetByBtnType(kind)) btn->AlwaysDisable = true;

    // 4. The button strip below the grid.
    Panel = new QWidget(Form);
    Panel->setFixedHeight(41);
    Panel->resize(Form->width(), 41);
    if (auto* box = qobject_cast<QBoxLayout*>(Form->layout())) box->addWidget(Panel);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    CreateOkCancelButtons(Panel, ok, cancel);
    btOk = ok;
    btCancel = cancel;
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, ok, [this] { ChooseValue(); });
}

void TSelectValue::ChooseValue()
{
    if (!WinTbl) return;
    const Variant id = WinTbl->FocusedRecId();
    if (id.IsNull()) return;
    Value = id;
    Form->done(QDialog::Accepted);
}

bool TSelectValue::Execute()
{
    WinTbl->Open();
    PlaceFormAtControl(ParentPosition, Form);
    return Form->exec() == QDialog::Accepted;
}
