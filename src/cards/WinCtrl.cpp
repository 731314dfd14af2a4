#include "WinCtrl.h"

#include <QDialog>  // the picker's header refers to its window type
#include <QPushButton>

#include "app/Application.h"
#include "app/MainFo.h"
#include "app/func.h"
#include "tables/SelVal.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QTabWidget>

// ---------------------------------------------------------------- widgets

TButtonEdit::TButtonEdit(QWidget* AParent) : QLineEdit(AParent)
{
    FButton = addAction(QIcon(), QLineEdit::TrailingPosition);
    FButton->setVisible(false);
}

bool TButtonEdit::ButtonVisible() const
{
    return FButton->isVisible();
}

void TButtonEdit::SetButtonVisible(bool AVisible)
{
    FButton->setVisible(AVisible);
}

void TButtonEdit::SetButtonIcon(const QIcon& AIcon)
{
    FButton->setIcon(AIcon);
}

TDateCheckEdit::TDateCheckEdit(QWidget* AParent)
    : QWidget(AParent), FCheckBox(new QCheckBox(this)), FDateEdit(new QDateEdit(this))
{
    FDateEdit->setCalendarPopup(true);
    FDateEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    FDateEdit->setDate(DateTimeToQDate(::Date()));
    connect(FCheckBox, &QCheckBox::toggled, this, [this] {
        UpdateState();
        if (!FSetting) emit Changed();
    });
    connect(FDateEdit, &QDateEdit::dateChanged, this, [this] {
        if (!FSetting) emit Changed();
    });
    UpdateState();
}

bool TDateCheckEdit::Checked() const
{
    return FCheckBox->isChecked();
}

QDate TDateCheckEdit::Date() const
{
    return FDateEdit->date();
}

void TDateCheckEdit::SetCheckedDate(bool AChecked, const QDate& ADate)
{
    const bool changed = AChecked != Checked() || (AChecked && ADate != Date());
    FSetting = true;
    FCheckBox->setChecked(AChecked);
    if (AChecked) FDateEdit->setDate(ADate);
    FSetting = false;
    UpdateState();
    if (changed) emit Changed();
}

void TDateCheckEdit::UpdateState()
{
    FDateEdit->setEnabled(FCheckBox->isChecked());
    setFocusProxy(FCheckBox->isChecked() ? static_cast<QWidget*>(FDateEdit) : FCheckBox);
}

void TDateCheckEdit::resizeEvent(QResizeEvent* AEvent)
{
    QWidget::resizeEvent(AEvent);
    const int h = AEvent->size().height();
    const int box = FCheckBox->sizeHint().width();
    FCheckBox->setGeometry(2, 0, box, h);
    FDateEdit->setGeometry(box + 4, 0, qMax(0, AEvent->size().width() - box - 4), h);
}

TGrayCheckBox::TGrayCheckBox(QWidget* AParent) : QCheckBox(AParent)
{
    setCheckState(Qt::PartiallyChecked);
}

void TGrayCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

TDateTime QDateToDateTime(const QDate& ADate)
{
    return EncodeDate(ADate.year(), ADate.month(), ADate.day());
}

QDate DateTimeToQDate(TDateTime ADate)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(ADate, y, m, d);
    return QDate(y, m, d);
}

// ---------------------------------------------------------------- TWinCtrl

// Context of the control's connections (they end with the node) and the
// key filter of its editor.
class TWinCtrl::TEvents : public QObject {
public:
    explicit TEvents(TWinCtrl* AOwner) : FOwner(AOwner) {}

    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AEvent->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(AEvent);
        const TCtrlType type = FOwner->Ctrl->CtrlType;
        if (type == ctEditObj || type == ctFormula) {
            if (key->key() == Qt::Key_F2) RunUserAction([&] { FOwner->EditKeyDown(AWatched, key->key()); });
            return false;
        }
        // Numeric editors: the typed character may be replaced.
        const QString text = key->text();
        if (text.size() != 1) return false;
        QChar ch = text[0];
        const QChar typed = ch;
        FOwner->OnKeyPress(AWatched, ch);
        if (ch == typed) return false;
        auto* edit = qobject_cast<QLineEdit*>(AWatched);
        if (edit && !edit->isReadOnly()) edit->insert(QString(ch));
        return true;
    }

private:
    TWinCtrl* FOwner;
};

namespace {
QIcon EllipsisIcon()
{
    if (MainForm && MainForm->il.size() > 4) return MainForm->il[4];
    return QIcon(TMainForm::DrawGlyph(4));
}

bool IsEditKind(TCtrlType AType)
{
    return AType == ctEditStr || AType == ctEditInt || AType == ctEditNum182 || AType == ctEditNum183 ||
           AType == ctEditNum184;
}

bool HasButtonKind(TCtrlType AType)
{
    return AType == ctEditObj || AType == ctFormula;
}

TFldType EditFldType(TCtrlType AType)
{
    switch (AType) {
    case ctEditInt:
        return ftInt;
    case ctEditNum182:
        return ftNum182;
    case ctEditNum183:
        return ftNum183;
    case ctEditNum184:
        return ftNum184;
    default:
        return ftString;
    }
}
}  // namespace

void RunUserAction(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const Exception& E) {
        const QString message = E.Message();
        QMetaObject::invokeMethod(
            qApp, [message] { TApplication::ShowException(message); }, Qt::QueuedConnection);
    } catch (const std::exception& E) {
        const QString message = QString::fromUtf8(E.what());
        QMetaObject::invokeMethod(
            qApp, [message] { TApplication::ShowException(message); }, Qt::QueuedConnection);
    }
}

TWinCtrl::TWinCtrl(QWidget* AOwner, QWidget* AParent, TCtrl* ACtrl)
    : Ctrl(ACtrl), Owner(AOwner), FEvents(std::make_unique<TEvents>(this))
{
    const TCtrlType type = ACtrl->CtrlType;
    if (type > ctFormula || type < ctRoot)
        throw Exception(Format(QStringLiteral("TWinAtr.Create: Неизвестный тип контрола %d"), {int(type)}));
    TEvents* events = FEvents.get();

    switch (type) {
    case ctRoot:
        WinControl = AParent;
        break;
    case ctPageControl:
        WinControl = new QTabWidget(AParent);
        break;
    case ctTabSheet: {
        auto* pc = qobject_cast<QTabWidget*>(AParent);
        if (!pc)
            throw Exception(Format(QStringLiteral("TWinCtrl.Create: Вкладка \"%s\" должна лежать на панели вкладок"),
                                   {ACtrl->Capt}));
        auto* sheet = new QWidget(pc);
        pc->addTab(sheet, ACtrl->Capt);
        WinControl = sheet;
        FTabPageControl = pc;
        break;
    }
    case ctEditStr:
    case ctEditInt:
    case ctEditNum182:
    case ctEditNum183:
    case ctEditNum184: {
        auto* edit = new TButtonEdit(AParent);
        WinControl = edit;
        QObject::connect(edit, &QLineEdit::textChanged, events,
                         [this, edit] { RunUserAction([&] { OnWinControlChange(edit); }); });
        if (type != ctEditStr && type != ctEditInt) edit->installEventFilter(events);
        break;
    }
    case ctEditObj:
    case ctFormula: {
        auto* edit = new TButtonEdit(AParent);
        WinControl = edit;
        edit->setReadOnly(true);
        edit->SetButtonIcon(EllipsisIcon());
        edit->SetButtonVisible(true);
        if (type == ctEditObj && ACtrl->Fld && !ACtrl->Fld->Virt) SelectObj = ACtrl->Fld->FKObj;
        QObject::connect(edit, &QLineEdit::textChanged, events,
                         [this, edit] { RunUserAction([&] { OnWinControlChange(edit); }); });
        // Virtual: a subclass's picker is the one the button runs.
        QObject::connect(edit->Button(), &QAction::triggered, events,
                         [this, edit] { RunUserAction([&] { RightButtonClick(edit); }); });
        edit->installEventFilter(events);
        break;
    }
    case ctDateEdit: {
        auto* date = new TDateCheckEdit(AParent);
        WinControl = date;
        QObject::connect(date, &TDateCheckEdit::Changed, events,
                         [this, date] { RunUserAction([&] { OnWinControlChange(date); }); });
        break;
    }
    case ctBoolean: {
        auto* check = new TGrayCheckBox(AParent);
        WinControl = check;
        QObject::connect(check, &QCheckBox::stateChanged, events,
                         [this, check] { RunUserAction([&] { OnWinControlChange(check); }); });
        break;
    }
    default:
        break;
    }

    if (type != ctRoot && type != ctTabSheet) {
        // Edits keep their natural height, whatever is stored.
        const int height = HasButtonKind(type) || IsEditKind(type) ? WinControl->sizeHint().height() : ACtrl->CHeight;
        WinControl->setGeometry(ACtrl->CLeft, ACtrl->CTop, ACtrl->CWidth, height);
        WinControl->show();
    }
    if (type != ctPageControl && type != ctTabSheet) {
        auto* label = new QLabel(ACtrl->GetCapt(), AParent);
        label->setGeometry(ACtrl->LLeft, ACtrl->LTop, ACtrl->LWidth, ACtrl->LHeight);
        label->adjustSize();  // labels size themselves to their text
        if (type != ctRoot) label->setBuddy(WinControl);
        label->show();
        LabelCtrl = label;
    }
}

TWinCtrl::~TWinCtrl()
{
    FItems.clear();
    if (AtrItem) AtrItem->OnChangeForWinCtrl = nullptr;
    GetValueIBSQL.reset();
}

TWinCtrl* TWinCtrl::Add(std::unique_ptr<TWinCtrl> AItem)
{
    AItem->ParentWinCtrl = this;
    FItems.push_back(std::move(AItem));
    return FItems.back().get();
}

int TWinCtrl::IndexOf(const TWinCtrl* AItem) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AItem) return i;
    return -1;
}

bool TWinCtrl::Remove(TWinCtrl* AItem)
{
    const int i = IndexOf(AItem);
    if (i < 0) return false;
    std::unique_ptr<TWinCtrl> item = std::move(FItems[i]);
    FItems.erase(FItems.begin() + i);
    return true;
}

TButtonEdit* TWinCtrl::Edit() const
{
    return qobject_cast<TButtonEdit*>(WinControl.data());
}

TDateCheckEdit* TWinCtrl::DateEdit() const
{
    return Ctrl->CtrlType == ctDateEdit ? qobject_cast<TDateCheckEdit*>(WinControl.data()) : nullptr;
}

TGrayCheckBox* TWinCtrl::CheckBox() const
{
    return Ctrl->CtrlType == ctBoolean ? qobject_cast<TGrayCheckBox*>(WinControl.data()) : nullptr;
}

QTabWidget* TWinCtrl::PageControl() const
{
    return Ctrl->CtrlType == ctPageControl ? qobject_cast<QTabWidget*>(WinControl.data()) : nullptr;
}

// ------------------------------------------------------ virtual operations

QString TWinCtrl::GetObjText(int AId)
{
    if (!SelectObj)
        throw Exception(
            Format(QStringLiteral("TWinCtrl.GetObjText: Для поля \"%s\" не указан объект выбора"), {Ctrl->GetCapt()}));
    TFld* mainFld = SelectObj->FldList->GetMainFld(true);
    TFld* pk = SelectObj->FldList->GetPKFld();
    if (!pk)
        throw Exception(
            Format(QStringLiteral("TWinCtrl.GetObjText: У объекта \"%s\" нет ключевого поля"), {SelectObj->Capt}));
    if (!GetValueIBSQL) GetValueIBSQL = NewIBSQL();
    GetValueIBSQL->SQL = QStringList{
        Format(QStringLiteral("select %s from %s where %s = %d"), {mainFld->Field, SelectObj->Table, pk->Field, AId})};
    TIBSQLCloser closer{*GetValueIBSQL};
    GetValueIBSQL->ExecQuery();
    // A record that is not there (deleted meanwhile) shows no text.
    return GetValueIBSQL->Eof() ? QString() : GetValueIBSQL->Fields(0).AsString();
}

QString TWinCtrl::GetTblName()
{
    return QString();
}

void TWinCtrl::BeforeSelect() {}

void TWinCtrl::RightButtonClick(QObject* Sender)
{
    const QString tblName = GetTblName();
    if (!SelectObj)
        throw Exception(Format(QStringLiteral("TWinCtrl.RightButtonClick: Для поля \"%s\" не указан объект выбора"),
                               {Ctrl->GetCapt()}));
    auto picker = std::make_unique<TSelectValue>(Owner, WinControl);
    SelectValue = picker.get();
    struct TReset {
        TSelectValue*& P;
        ~TReset() { P = nullptr; }
    } reset{SelectValue};
    picker->Init(SelectObj, tblName, Caption());
    BeforeSelect();
    if (picker->Execute()) SetValue(picker->Value);
}

// ------------------------------------------------------------------ values

Variant TWinCtrl::Value() const
{
    const TCtrlType type = Ctrl->CtrlType;
    switch (type) {
    case ctEditStr:
    case ctEditInt:
    case ctEditNum182:
    case ctEditNum183:
    case ctEditNum184:
    case ctFormula:
        return StrToVarByFldType(Edit()->text(), EditFldType(type));
    case ctEditObj:
        return ObjRecId;
    case ctDateEdit: {
        TDateCheckEdit* date = DateEdit();
        if (!date->Checked()) return Variant::Null();
        return Variant(static_cast<double>(QDateToDateTime(date->Date())));
    }
    case ctBoolean: {
        const Qt::CheckState state = CheckBox()->checkState();
        if (state == Qt::PartiallyChecked) return Variant::Null();
        return Variant(state == Qt::Checked);
    }
    case ctRoot:
    case ctPageControl:
    case ctTabSheet:
        return Variant();
    }
    throw Exception(Format(QStringLiteral("TWinCtrl.GetValue: Неизвестный тип контрола %d"), {int(type)}));
}

void TWinCtrl::SetValue(const Variant& AValue)
{
    const TCtrlType type = Ctrl->CtrlType;
    const bool none = AValue.IsEmptyOrNull();
    switch (type) {
    case ctEditStr:
    case ctEditInt:
    case ctEditNum182:
    case ctEditNum183:
    case ctEditNum184:
    case ctFormula:
        Edit()->setText(VarToStrByFldType(none ? Variant::Null() : AValue, EditFldType(type)));
        return;
    case ctEditObj: {
        const QString text = none ? QString() : GetObjText(AValue.ToInt());
        ObjRecId = none ? Variant::Null() : AValue;
        // The same text makes no change of the editor's own: the new id must
        // still reach the record.
        if (Edit()->text() == text) OnWinControlChange(Edit());
        Edit()->setText(text);
        return;
    }
    case ctDateEdit:
        if (none)
            DateEdit()->SetCheckedDate(false, DateEdit()->Date());
        else
            DateEdit()->SetCheckedDate(true, DateTimeToQDate(AValue.ToDate()));
        return;
    case ctBoolean:
        if (none)
            CheckBox()->setCheckState(Qt::PartiallyChecked);
        else
            CheckBox()->setCheckState(AValue.ToBool() ? Qt::Checked : Qt::Unchecked);
        return;
    case ctRoot:
    case ctPageControl:
    case ctTabSheet:
        return;
    }
    throw Exception(Format(QStringLiteral("TWinCtrl.SetValue: Неизвестный тип контрола %d"), {int(type)}));
}

QString TWinCtrl::Caption() const
{
    if (Ctrl->CtrlType == ctTabSheet) {
        QTabWidget* pc = FTabPageControl;
        return pc ? pc->tabText(pc->indexOf(WinControl)) : Ctrl->Capt;
    }
    return LabelCtrl ? LabelCtrl->text() : QString();
}

void TWinCtrl::SetCaption(const QString& AValue)
{
    if (Ctrl->CtrlType == ctTabSheet) {
        if (QTabWidget* pc = FTabPageControl) pc->setTabText(pc->indexOf(WinControl), AValue);
        return;
    }
    if (LabelCtrl) {
        LabelCtrl->setText(AValue);
        LabelCtrl->adjustSize();
    }
}

bool TWinCtrl::ShowButton() const
{
    TButtonEdit* edit = Edit();
    return edit && edit->ButtonVisible();
}

void TWinCtrl::SetShowButton(bool AValue)
{
    if (TButtonEdit* edit = Edit()) edit->SetButtonVisible(AValue);
}

void TWinCtrl::SetEditorColor(QWidget* AWidget, bool AButtonFace)
{
    QPalette pal = AWidget->palette();
    const QPalette standard = QApplication::palette(AWidget);
    pal.setColor(QPalette::Base, AButtonFace ? standard.color(QPalette::Button) : standard.color(QPalette::Base));
    AWidget->setPalette(pal);
}

void TWinCtrl::SetReadOnly(bool AValue)
{
    const TCtrlType type = Ctrl->CtrlType;
    switch (type) {
    case ctEditStr:
    case ctEditInt:
    case ctEditNum182:
    case ctEditNum183:
    case ctEditNum184:
        Edit()->setReadOnly(AValue);
        SetEditorColor(Edit(), AValue);
        break;
    case ctEditObj:
    case ctFormula:
        SetEditorColor(Edit(), AValue);
        Edit()->SetButtonVisible(!AValue);  // typing stays impossible either way
        break;
    case ctDateEdit:
        DateEdit()->setEnabled(!AValue);
        SetEditorColor(DateEdit()->DateEdit(), AValue);
        break;
    case ctBoolean:
        CheckBox()->setEnabled(!AValue);
        SetEditorColor(CheckBox(), AValue);
        break;
    case ctPageControl:
    case ctTabSheet:
        break;
    default:
        throw Exception(Format(QStringLiteral("TWinCtrl.SetReadOnly: Неизвестный тип контрола %d"), {int(type)}));
    }
    FReadOnly = AValue;
}

// ------------------------------------------------------------ notification

void TWinCtrl::OnWinControlChange(QObject* Sender)
{
    // A control without record item (its field belongs to another object)
    // has nowhere to put the change.
    if (!AtrItem) return;
    if (AtrItem->ChangeType != ctNone) return;
    AtrItem->ChangeType = ctWinCtrl;
    try {
        AtrItem->SetValue(Value());
    } catch (...) {
        AtrItem->ChangeType = ctNone;
        throw;
    }
    AtrItem->ChangeType = ctNone;
    if (OnChange) OnChange(this);
}

void TWinCtrl::AtrItemChange(TAtrItem* AAtrItem)
{
    SetValue(AAtrItem->Value());
}

void TWinCtrl::OnKeyPress(QObject* Sender, QChar& Key)
{
    if (!Ctrl->Fld) return;
    const TFldType type = Ctrl->Fld->FldType;
    if (type != ftNum182 && type != ftNum183 && type != ftNum184) return;
    if (Key == u'.' || Key == u',') Key = DecimalSeparator();
}

void TWinCtrl::EditKeyDown(QObject* Sender, int AKey)
{
    if (AKey == Qt::Key_F2 && !FReadOnly) RightButtonClick(nullptr);
}

void TWinCtrl::ActivateTabs()
{
    TWinCtrl* node = this;
    if (node->Ctrl->CtrlType != ctTabSheet) node = node->ParentWinCtrl;
    while (node && node->Ctrl->CtrlType == ctTabSheet) {
        TWinCtrl* pc = node->ParentWinCtrl;
        if (node->FTabPageControl && node->WinControl) node->FTabPageControl->setCurrentWidget(node->WinControl);
        node = pc ? pc->ParentWinCtrl : nullptr;
    }
}

void TWinCtrl::SetFocus()
{
    ActivateTabs();
    if (WinControl) WinControl->setFocus(Qt::OtherFocusReason);
}
