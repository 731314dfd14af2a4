#include "MDI.h"

#include <QMdiArea>
#include <QMdiSubWindow>

TMDI::TMDI(QMdiArea* AOwner)
{
    auto* client = new QWidget;
    Form = AOwner->addSubWindow(client);
    Form->setAttribute(Qt::WA_DeleteOnClose);
    // A first size in proportion to the frame; the area picks the place.
    Form->resize(qMax(320, AOwner->width() * 3 / 4), qMax(200, AOwner->height() * 3 / 4));
    FDestroyedConnection = QObject::connect(Form, &QObject::destroyed, [this] { FormDestroyed(); });
    Form->show();
}

TMDI::~TMDI()
{
    QObject::disconnect(FDestroyedConnection);
    OnFormDestroy = nullptr;
    delete Form.data();
}

void TMDI::FormDestroyed()
{
    QObject::disconnect(FDestroyedConnection);
    Form = nullptr;
    // The handler may free this document; nothing here is touched afterwards.
    TMDIEvent handler = OnFormDestroy;
    if (handler) handler(this);
}

void TMDI::Show()
{
    if (!Form) return;
    if (Form->isMinimized()) Form->showNormal();
    Form->show();
    if (QMdiArea* area = Form->mdiArea()) area->setActiveSubWindow(Form);
    Form->raise();
}

QWidget* TMDI::ClientArea() const
{
    return Form ? Form->widget() : nullptr;
}
