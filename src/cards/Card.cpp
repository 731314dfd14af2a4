#include "Card.h"

#include "app/func.h"
#include "records/Atr.h"

#include <functional>
#include <vector>

namespace {
QString DevOrderLine()
{
    return DevMode ? QStringLiteral("order by C.CARD_DEV desc") : QStringLiteral("order by C.CARD_DEV");
}

int IntOf(TIBSQL& AQ, const QString& AName)
{
    return AQ.FieldByName(AName).AsInteger();  // NULL reads as 0
}
}  // namespace

TCard::TCard() : IBSQL(NewIBSQL()) {}

TCard::~TCard()
{
    IBSQL.reset();
    RootCtrl.reset();
}

bool TCard::ReadCardRow()
{
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        if (IBSQL->Eof()) return false;
        const int id = IntOf(*IBSQL, QStringLiteral("CARD_ID"));
        const QString capt = IBSQL->FieldByName(QStringLiteral("CARD_CAPT")).AsString();
        const bool def = IntOf(*IBSQL, QStringLiteral("CARD_DEFAULT")) == 1;
        const QString name = IBSQL->FieldByName(QStringLiteral("CARD_NAME")).AsString();
        const int width = IntOf(*IBSQL, QStringLiteral("CARD_WIDTH"));
        const int heightAtr = IntOf(*IBSQL, QStringLiteral("CARD_HEIGHTATR"));
        const int heightDet = IntOf(*IBSQL, QStringLiteral("CARD_HEIGHTDET"));
        // Resolved before anything is assigned: an unknown object changes nothing.
        TObj* obj = ObjList->GetObjById(IntOf(*IBSQL, QStringLiteral("OBJ_ID")));
        Id = id;
        Capt = capt;
        Default = def;
        Name = name;
        Width = width;
        HeightAtr = heightAtr;
        HeightDet = heightDet;
        Obj = obj;
    }
    LoadTree();
    return true;
}

bool TCard::NotFound(TObj* AObj)
{
    if (RaiseLoad) {
        if (AObj) throw Exception(Format(QStringLiteral("Для объекта \"%s\" не создана карточка"), {AObj->Capt}));
        throw Exception(QStringLiteral("Карточка не найдена"));
    }
    return false;
}

bool TCard::LoadCurrent(TObj* AObj, int AUserId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select C.*"), QStringLiteral("from USRCARD U"),
                             QStringLiteral("join CARD C on C.CARD_ID = U.CARD_ID"),
                             QStringLiteral("where C.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and U.USR_ID = ") + QString::number(AUserId)};
    if (ReadCardRow()) return true;
    IBSQL->SQL = QStringList{QStringLiteral("select C.*"), QStringLiteral("from CARD C"),
                             QStringLiteral("where C.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and C.CARD_DEFAULT = 1"), DevOrderLine()};
    if (ReadCardRow()) return true;
    return NotFound(AObj);
}

bool TCard::LoadById(int AId)
{
    IBSQL->SQL = QStringList{QStringLiteral("select C.*"), QStringLiteral("from CARD C"),
                             QStringLiteral("where C.CARD_ID = ") + QString::number(AId)};
    if (ReadCardRow()) return true;
    return NotFound(nullptr);
}

bool TCard::LoadByName(TObj* AObj, const QString& AName)
{
    IBSQL->SQL = QStringList{QStringLiteral("select C.*"), QStringLiteral("from CARD C"),
                             QStringLiteral("where C.OBJ_ID = ") + QString::number(AObj->Id),
                             QStringLiteral("and C.CARD_NAME = :CARD_NAME"), DevOrderLine()};
    IBSQL->ParamByName(QStringLiteral("CARD_NAME")).SetAsString(AName);
    if (ReadCardRow()) return true;
    return NotFound(AObj);
}

TCtrl* TCard::FindParentCtrl(TCtrl* ACtrl, int ALft)
{
    if (ALft == ACtrl->Lft + 1) return ACtrl;
    if (ALft == ACtrl->Rgt + 1) return ACtrl->Parent;  // nil at the root: the search ends
    for (const auto& child : *ACtrl)
        if (TCtrl* p = FindParentCtrl(child.get(), ALft)) return p;
    return nullptr;
}

void TCard::LoadTree()
{
    RootCtrl.reset();
    IBSQL->SQL = QStringList{
        Format(QStringLiteral("select * from CTRLTREE C where C.CARD_ID = %d order by C.CTRLTREE_LFT"), {Id})};
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        auto node = std::make_unique<TCtrl>();
        node->Lft = IntOf(*IBSQL, QStringLiteral("CTRLTREE_LFT"));
        node->Rgt = IntOf(*IBSQL, QStringLiteral("CTRLTREE_RGT"));
        node->CLeft = IntOf(*IBSQL, QStringLiteral("CTRLTREE_CLEFT"));
        node->CTop = IntOf(*IBSQL, QStringLiteral("CTRLTREE_CTOP"));
        node->CWidth = IntOf(*IBSQL, QStringLiteral("CTRLTREE_CWIDTH"));
        node->CHeight = IntOf(*IBSQL, QStringLiteral("CTRLTREE_CHEIGHT"));
        node->LLeft = IntOf(*IBSQL, QStringLiteral("CTRLTREE_LLEFT"));
        node->LTop = IntOf(*IBSQL, QStringLiteral("CTRLTREE_LTOP"));
        node->LWidth = IntOf(*IBSQL, QStringLiteral("CTRLTREE_LWIDTH"));
        node->LHeight = IntOf(*IBSQL, QStringLiteral("CTRLTREE_LHEIGHT"));
        node->CtrlType = CodeToCtrlType(IntOf(*IBSQL, QStringLiteral("CTRLTRTP_ID")));
        node->Capt = IBSQL->FieldByName(QStringLiteral("CTRLTREE_CAPT")).AsString();
        node->ROAdd = IntOf(*IBSQL, QStringLiteral("CTRLTREE_ROADD")) == 1;
        node->ROEdt = IntOf(*IBSQL, QStringLiteral("CTRLTREE_ROEDT")) == 1;
        // A node without a field id (root, page controls, tab sheets) has no field.
        const TIBField& fldId = IBSQL->FieldByName(QStringLiteral("FLD_ID"));
        if (!fldId.IsNull()) {
            node->Fld = Obj->FldList->GetFldById(fldId.AsInteger());
            // Edit and reference controls may show a field of another object
            // (the card window then refuses it); other kinds stay without field.
            if (!node->Fld && IsEditCtrlType(node->CtrlType)) node->Fld = ObjList->GetFldById(fldId.AsInteger());
        }

        if (!RootCtrl) {
            RootCtrl = std::move(node);
        } else if (TCtrl* parent = FindParentCtrl(RootCtrl.get(), node->Lft)) {
            parent->Add(std::move(node));
        } else {
            throw Exception(
                Format(QStringLiteral("Обнаружено нарушение структуры дерева для карточки \"%s\" (объект: \"%s\")"),
                       {Capt, Obj->Capt}));
        }
        IBSQL->Next();
    }
}

void TCard::DeleteCtrl(TCtrl* ADelCtrl)
{
    std::function<bool(TCtrl*)> walk = [&](TCtrl* ANode) {
        for (const auto& child : *ANode) {
            if (child.get() == ADelCtrl) {
                ANode->Remove(ADelCtrl);
                return true;
            }
            if (walk(child.get())) return true;
        }
        return false;
    };
    if (RootCtrl) walk(RootCtrl.get());
}

namespace {
// Geometry columns a kind writes.
bool UsesEditorPos(TCtrlType AType)
{
    return AType == ctPageControl || IsFieldCtrlType(AType);
}
bool UsesEditorHeight(TCtrlType AType)
{
    return AType == ctPageControl || AType == ctDateEdit || AType == ctBoolean;
}
Variant IntOrNull(bool AUsed, int AValue)
{
    return AUsed ? Variant(AValue) : Variant::Null();
}
}  // namespace

void TCard::SaveTree()
{
    IBSQL->SQL = QStringList{QStringLiteral("delete from CTRLTREE where CARD_ID = ") + QString::number(Id)};
    {
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
    }

    // Renumbered 1..2n; the nodes in pre-order.
    std::vector<TCtrl*> order;
    int counter = 0;
    std::function<void(TCtrl*)> number = [&](TCtrl* ANode) {
        order.push_back(ANode);
        ANode->Lft = ++counter;
        for (const auto& c : *ANode) number(c.get());
        ANode->Rgt = ++counter;
    };
    if (RootCtrl) number(RootCtrl.get());

    TAtr atr;
    atr.Obj = ObjList->GetObjByTable(QStringLiteral("CTRLTREE"));
    auto set = [&atr](const char* AFldName, const Variant& AValue) {
        atr.GetByFldName(QString::fromLatin1(AFldName))->SetValue(AValue);
    };
    for (TCtrl* node : order) {
        const TCtrlType type = node->CtrlType;
        const bool field = IsFieldCtrlType(type);
        atr.New = true;
        atr.SetDefaultValues(nullptr, Variant::Null());
        set("CTRLTREE_ID", Variant::Null());
        set("CARD_ID", Id);
        set("FLD_ID", node->Fld ? Variant(node->Fld->Id) : Variant::Null());
        set("CTRLTREE_LFT", node->Lft);
        set("CTRLTREE_RGT", node->Rgt);
        set("CTRLTREE_CLEFT", IntOrNull(UsesEditorPos(type), node->CLeft));
        set("CTRLTREE_CTOP", IntOrNull(UsesEditorPos(type), node->CTop));
        set("CTRLTREE_CWIDTH", IntOrNull(UsesEditorPos(type), node->CWidth));
        set("CTRLTREE_CHEIGHT", IntOrNull(UsesEditorHeight(type), node->CHeight));
        set("CTRLTREE_LLEFT", IntOrNull(field, node->LLeft));
        set("CTRLTREE_LTOP", IntOrNull(field, node->LTop));
        set("CTRLTRTP_ID", CtrlTypeToCode(type));
        // The own caption is what a tab sheet, a virtual field's control and
        // a field control without field show; the others show their field's.
        const bool ownCapt = type == ctTabSheet || (node->Fld && node->Fld->Virt) || (field && !node->Fld);
        set("CTRLTREE_CAPT", ownCapt ? Variant(node->Capt) : Variant::Null());
        set("CTRLTREE_ROADD", node->ROAdd);
        set("CTRLTREE_ROEDT", node->ROEdt);
        atr.Post();
    }
}

void TCard::SaveCard()
{
    TAtr atr;
    atr.Obj = ObjList->GetObjByTable(QStringLiteral("CARD"));
    atr.SetRecId(Id);
    atr.GetByFldName(QStringLiteral("CARD_HEIGHTATR"))->SetValue(HeightAtr);
    atr.GetByFldName(QStringLiteral("CARD_HEIGHTDET"))->SetValue(HeightDet);
    atr.GetByFldName(QStringLiteral("CARD_WIDTH"))->SetValue(Width);
    atr.Post();
}
