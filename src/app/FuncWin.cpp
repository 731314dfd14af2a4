#include "FuncWin.h"

#include "func.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

QString ApplicationTitle()
{
    return QCoreApplication::applicationName();
}

namespace {

// Moves its control along with the right and/or bottom edge of the parent,
// keeping the distances the control had when it was anchored.
class TAnchor : public QObject {
public:
    TAnchor(QWidget* AControl, bool ARight, bool ABottom)
        : QObject(AControl), FControl(AControl), FRight(ARight), FBottom(ABottom)
    {
        QWidget* parent = AControl->parentWidget();
        FRightGap = parent->width() - AControl->x();
        FBottomGap = parent->height() - AControl->y();
        parent->installEventFilter(this);
    }

    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        if (AEvent->type() == QEvent::Resize && AWatched == FControl->parentWidget()) {
            const QSize size = static_cast<QResizeEvent*>(AEvent)->size();
            QPoint pos = FControl->pos();
            if (FRight) pos.setX(size.width() - FRightGap);
            if (FBottom) pos.setY(size.height() - FBottomGap);
            FControl->move(pos);
        }
        return false;
    }

private:
    QWidget* FControl;
    bool FRight;
    bool FBottom;
    int FRightGap;   // parent width - control left
    int FBottomGap;  // parent height - control top
};

// The screen a window is placed on: the control's, else the form's.
QScreen* ScreenOf(QWidget* AControl, QWidget* AForm)
{
    QScreen* screen = nullptr;
    if (AControl) screen = AControl->screen();
    if (!screen && AForm) screen = AForm->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen;
}

// Standard button captions in the language of the program.
void TranslateButtons(QMessageBox& ABox)
{
    static const struct {
        QMessageBox::StandardButton Button;
        const char* Text;
    } texts[] = {
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "Отмена"},
        {QMessageBox::Yes, "Да"},
        {QMessageBox::No, "Нет"},
        {QMessageBox::YesToAll, "Да для всех"},
        {QMessageBox::NoToAll, "Нет для всех"},
        {QMessageBox::Abort, "Прервать"},
        {QMessageBox::Retry, "Повторить"},
        {QMessageBox::Ignore, "Пропустить"},
        {QMessageBox::Close, "Закрыть"},
        {QMessageBox::Help, "Справка"},
    };
    for (const auto& t : texts)
        if (QAbstractButton* b = ABox.button(t.Button)) b->setText(QString::fromUtf8(t.Text));
}

// A message box that places itself over a control once its size is known.
class TMessageDlg : public QMessageBox {
public:
    TMessageDlg(QMessageBox::Icon AType, const QString& ACaption, const QString& AMessage,
                QMessageBox::StandardButtons AButtons, QWidget* AParent, QWidget* AControl)
        : QMessageBox(AType, ACaption, AMessage, AButtons, AParent), FControl(AControl)
    {
        TranslateButtons(*this);
    }

protected:
    void showEvent(QShowEvent* AEvent) override
    {
        QMessageBox::showEvent(AEvent);  // fixes the box's size
        if (!FPlaced) {
            FPlaced = true;
            PlaceFormAtControl(FControl, this);
        }
    }

private:
    QPointer<QWidget> FControl;
    bool FPlaced = false;
};

QString DialogCaption(QMessageBox::Icon AType)
{
    switch (AType) {
    case QMessageBox::Question: return QStringLiteral("Подтверждение");
    case QMessageBox::Critical: return QStringLiteral("Ошибка");
    case QMessageBox::Warning: return QStringLiteral("Предупреждение");
    case QMessageBox::Information: return QStringLiteral("Информация");
    default: return ApplicationTitle();
    }
}

}  // namespace

QWidget* DialogOwner()
{
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    // Nothing active (the window manager gave the focus elsewhere): the
    // main window, i.e. the first visible top-level window that is no popup.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->parentWidget() && !(w->windowType() == Qt::Popup)) return w;
    return nullptr;
}

void AnchorControl(QWidget* AControl, bool ARight, bool ABottom)
{
    if (!AControl->parentWidget()) return;
    new TAnchor(AControl, ARight, ABottom);
}

void CreateOkCancelButtons(QWidget* APanel, QPushButton*& AOk, QPushButton*& ACancel)
{
    const int w = APanel->contentsRect().width();
    const int h = APanel->contentsRect().height();
    const QPoint origin = APanel->contentsRect().topLeft();

    AOk = new QPushButton(QStringLiteral("ОК"), APanel);
    AOk->setGeometry(origin.x() + w - 166, origin.y() + h - 33, 75, 25);
    AnchorControl(AOk, true, true);

    ACancel = new QPushButton(QStringLiteral("Отмена"), APanel);
    ACancel->setGeometry(origin.x() + w - 83, origin.y() + h - 33, 75, 25);
    AnchorControl(ACancel, true, true);
    QPushButton* cancel = ACancel;
    QObject::connect(ACancel, &QPushButton::clicked, ACancel, [cancel] {
        if (auto* dialog = qobject_cast<QDialog*>(cancel->window())) dialog->reject();
    });
}

void PlaceFormAtControl(QWidget* AControl, QWidget* AForm)
{
    // A form whose size was never set takes the size of its layout now, so
    // that it is placed by the size it will be shown with.
    if (!AForm->testAttribute(Qt::WA_Resized) && AForm->layout()) AForm->adjustSize();
    const QSize formSize = AForm->isVisible() ? AForm->frameGeometry().size() : AForm->size();

    QRect around;  // the rectangle the form is centred on, screen coordinates
    if (AControl) {
        const QPoint p = AControl->isWindow() ? AControl->pos() : AControl->mapToGlobal(QPoint(0, 0));
        const QSize size = AControl->isWindow() ? AControl->frameGeometry().size() : AControl->size();
        around = QRect(p, size);
    } else if (QWidget* owner = AForm->parentWidget()) {
        around = owner->window()->frameGeometry();
    }

    QScreen* screen = ScreenOf(AControl ? AControl : AForm->parentWidget(), AForm);
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, formSize.width(), formSize.height());
    if (around.isNull()) around = work;

    int left = around.x() + around.width() / 2 - formSize.width() / 2;
    int top = around.y() + around.height() / 2 - formSize.height() / 2;
    if (left < work.left()) left = work.left();
    if (left + formSize.width() > work.left() + work.width()) left = work.left() + work.width() - formSize.width();
    if (top < work.top()) top = work.top();
    if (top + formSize.height() > work.top() + work.height()) top = work.top() + work.height() - formSize.height();
    AForm->move(left, top);
}

int MessageDlgAtControl(const QString& AMessage, QMessageBox::Icon AType, QMessageBox::StandardButtons AButtons,
                        QWidget* AControl)
{
    QWidget* parent = AControl ? AControl->window() : DialogOwner();
    TMessageDlg box(AType, DialogCaption(AType), AMessage, AButtons, parent, AControl);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? static_cast<int>(box.standardButton(clicked)) : static_cast<int>(QMessageBox::NoButton);
}

void ShowMessage(const QString& AMessage)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), AMessage, QMessageBox::Ok, DialogOwner());
    TranslateButtons(box);
    box.exec();
}

void InstallDebugMessageHandler()
{
    DebugMessageHandler = [](const QString& AMessage) { ShowMessage(AMessage); };
}

TLabeledEdit::TLabeledEdit(const QString& ACaption, QWidget* AParent)
    : QLineEdit(AParent), FLabel(new QLabel(ACaption, AParent))
{
    FLabel->setBuddy(this);
    FLabel->adjustSize();
    PlaceLabel();
}

TLabeledEdit::~TLabeledEdit()
{
    delete FLabel.data();
}

void TLabeledEdit::PlaceLabel()
{
    if (!FLabel) return;
    FLabel->adjustSize();
    FLabel->move(x(), y() - FLabel->height() - 3);
}

void TLabeledEdit::moveEvent(QMoveEvent* AEvent)
{
    QLineEdit::moveEvent(AEvent);
    PlaceLabel();
}

void TLabeledEdit::resizeEvent(QResizeEvent* AEvent)
{
    QLineEdit::resizeEvent(AEvent);
    PlaceLabel();
}

void TLabeledEdit::changeEvent(QEvent* AEvent)
{
    QLineEdit::changeEvent(AEvent);
    if (!FLabel) return;
    if (AEvent->type() == QEvent::EnabledChange) FLabel->setEnabled(isEnabled());
    if (AEvent->type() == QEvent::FontChange) PlaceLabel();
}

void TLabeledEdit::showEvent(QShowEvent* AEvent)
{
    QLineEdit::showEvent(AEvent);
    if (FLabel) FLabel->setVisible(true);
}

void TLabeledEdit::hideEvent(QHideEvent* AEvent)
{
    QLineEdit::hideEvent(AEvent);
    if (FLabel && !isVisibleTo(parentWidget())) FLabel->setVisible(false);
}
