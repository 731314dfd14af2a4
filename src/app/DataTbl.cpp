#include "DataTbl.h"

#include "MDILst.h"
#include "func.h"
#include "meta/Obj.h"
#include "tables/WinTbl.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>

TDataTbl::TDataTbl(QMdiArea* AOwner, TObj* AObj) : TMDI(AOwner)
{
    Form->setWindowTitle(AObj->Capt2);
    QWidget* client = ClientArea();
    WinTbl = std::make_unique<TWinTbl>(client, client);
    WinTbl->InitByUser(AObj, nullptr, UserId, true);
    WinTbl->SetAlign(alClient);

    // A first size that shows the columns, within the main window's area.
    int width = 40;
    if (QTableView* grid = WinTbl->Grid()) width += grid->horizontalHeader()->length();
    const QSize area = AOwner->viewport()->size();
    Form->resize(qBound(320, width, qMax(320, area.width() * 9 / 10)), qMax(240, area.height() * 3 / 4));
    // The area placed the window by its first, smaller size: keep it inside.
    QPoint pos = Form->pos();
    pos.setX(qMax(0, qMin(pos.x(), area.width() - Form->width())));
    pos.setY(qMax(0, qMin(pos.y(), area.height() - Form->height())));
    Form->move(pos);

    WinTbl->CreateSQL();
    WinTbl->Open();
}

TDataTbl::~TDataTbl()
{
    WinTbl.reset();
}

void RegisterDataTbl()
{
    RegisterMDIFactory(mtObj, [](QMdiArea* AOwner, TObj* AObj) -> std::unique_ptr<TMDI> {
        return std::make_unique<TDataTbl>(AOwner, AObj);
    });
}
