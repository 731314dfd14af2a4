#include "DbCardLayout.h"

#include "core/SysUtils.h"

#include <algorithm>

using namespace DbLayout;

int DbEditorWidth(int AContainerWidth)
{
    return std::clamp(AContainerWidth - 104, 80, 240);
}

QString DbCtrlKind(TFldType AFldType)
{
    switch (AFldType) {
    case ftPK:
    case ftInt: return DbCtrl::EditInt;
    case ftString: return DbCtrl::EditStr;
    case ftFK: return DbCtrl::EditObj;
    case ftBoolean: return DbCtrl::CheckBox;
    case ftNum182: return DbCtrl::EditNum182;
    case ftNum183: return DbCtrl::EditNum183;
    case ftNum184: return DbCtrl::EditNum184;
    case ftDate: return DbCtrl::DateEdit;
    case ftFormula: return DbCtrl::Formula;
    }
    throw Exception(QStringLiteral("DbCtrlKind: Неизвестный тип поля \"%1\"").arg(int(AFldType)));
}

void DbPresetReadOnly(TDbCtrl& ACtrl)
{
    TFld* f = ACtrl.Fld;
    ACtrl.ROAdd = ACtrl.ROEdt = false;
    if (!f)
        return;
    if (f->AgrObjLink) {
        ACtrl.ROEdt = true;
        ACtrl.ROAdd = f->Field != QStringLiteral("DEALPAYM_SUM");
        return;
    }
    bool mainLink = false;
    if (f->FldType == ftFK && !f->Virt && f->Obj && f->Obj->ParentList)
        if (TObjLink* l = f->Obj->ParentList->GetByFld(f))
            mainLink = l->Main;
    if (f->FldType == ftPK || mainLink)
        ACtrl.ROAdd = ACtrl.ROEdt = true;
}

namespace {

std::unique_ptr<TDbCtrl> NewFieldCtrl(TFld* AFld)
{
    auto c = std::make_unique<TDbCtrl>();
    c->Fld = AFld;
    c->Kind = DbCtrlKind(AFld->FldType);
    if (c->Kind == DbCtrl::CheckBox) {
        c->CWidth = CheckWidth;
        c->CHeight = CheckHeight;
    } else if (c->Kind == DbCtrl::DateEdit) {
        c->CHeight = DateHeight;
    }
    DbPresetReadOnly(*c);
    return c;
}

int BottomOf(const TDbCtrl& ACtrl)
{
    return ACtrl.CTop + (ACtrl.CHeight > 0 ? ACtrl.CHeight : EditHeight);
}

// Fills a container with its fields; answers the lowest bottom edge (0 when empty).
int FillContainer(TDbCtrl* AContainer, int AWidth, const QList<TFld*>& AFields)
{
    int bottom = 0;
    for (TFld* f : AFields) {
        std::unique_ptr<TDbCtrl> c = AContainer->Children.empty() ? DbFirstFieldCtrl(f, AWidth)
                                                                  : DbNextFieldCtrl(f, *AContainer->Children.back());
        bottom = std::max(bottom, BottomOf(*c));
        AContainer->Children.push_back(std::move(c));
    }
    return bottom;
}

int RoundUp8(int AValue)
{
    return (AValue + 7) / 8 * 8;
}

}  // namespace

std::unique_ptr<TDbCtrl> DbFirstFieldCtrl(TFld* AFld, int AContainerWidth)
{
    auto c = NewFieldCtrl(AFld);
    c->CTop = FirstTop;
    c->CLeft = EditLeft;
    if (c->Kind != DbCtrl::CheckBox)
        c->CWidth = DbEditorWidth(AContainerWidth);
    c->LLeft = LabelLeft;
    c->LTop = FirstLabelTop;
    return c;
}

std::unique_ptr<TDbCtrl> DbNextFieldCtrl(TFld* AFld, const TDbCtrl& APrev)
{
    auto c = NewFieldCtrl(AFld);
    c->CTop = APrev.CTop + RowStep;
    c->CLeft = APrev.CLeft;
    if (c->Kind != DbCtrl::CheckBox)
        c->CWidth = APrev.Kind == DbCtrl::CheckBox ? 160 : APrev.CWidth;
    c->LLeft = APrev.LLeft;
    c->LTop = APrev.LTop + RowStep;
    return c;
}

std::unique_ptr<TDbCtrl> DbLayOutCard(int AWidth, const QList<TFld*>& AFields, const QList<TDbCardTab>& ATabs,
                                      int* AHeightAtr)
{
    auto root = std::make_unique<TDbCtrl>();
    root->Kind = DbCtrl::Root;
    int bottom = FillContainer(root.get(), AWidth, AFields);

    if (!ATabs.isEmpty()) {
        // A new page control lies at the top of the card; it is moved down
        // below the fields and made higher in the designer's 22-pixel steps.
        auto pc = std::make_unique<TDbCtrl>();
        pc->Kind = DbCtrl::PageControl;
        pc->CLeft = 8;
        pc->CTop = FirstTop + RowStep * static_cast<int>(AFields.size());
        pc->CWidth = AWidth - 16;
        pc->CHeight = PageHeight;
        const int tabWidth = pc->CWidth - TabInset;
        int tabBottom = 0;
        for (const TDbCardTab& t : ATabs) {
            auto sheet = std::make_unique<TDbCtrl>();
            sheet->Kind = DbCtrl::TabSheet;
            sheet->Capt = t.Capt;
            tabBottom = std::max(tabBottom, FillContainer(sheet.get(), tabWidth, t.Fields));
            pc->Children.push_back(std::move(sheet));
        }
        while (pc->CHeight < TabHeader + tabBottom + 8)
            pc->CHeight += RowStep;
        bottom = pc->CTop + pc->CHeight;
        root->Children.push_back(std::move(pc));
    }
    if (AHeightAtr)
        *AHeightAtr = std::max(RoundUp8(bottom + 8), 64);
    NumberTree(root.get());
    return root;
}
