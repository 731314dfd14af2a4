#include "Ctrl.h"

#include "app/func.h"

std::array<TCtrlTypeRec, 12> CtrlTypeTable = {{
    {0, QStringLiteral("Root"), ctRoot},
    {0, QStringLiteral("PageControl"), ctPageControl},
    {0, QStringLiteral("TabSheet"), ctTabSheet},
    {0, QStringLiteral("EditStr"), ctEditStr},
    {0, QStringLiteral("EditInt"), ctEditInt},
    {0, QStringLiteral("EditNum182"), ctEditNum182},
    {0, QStringLiteral("EditNum183"), ctEditNum183},
    {0, QStringLiteral("EditNum184"), ctEditNum184},
    {0, QStringLiteral("EditObj"), ctEditObj},
    {0, QStringLiteral("DateEdit"), ctDateEdit},
    {0, QStringLiteral("CheckBox"), ctBoolean},
    {0, QStringLiteral("Formula"), ctFormula},
}};

namespace {
bool GCtrlTypeTableLoaded = false;

void EnsureLoaded()
{
    if (!GCtrlTypeTableLoaded) LoadCtrlTypeTable();
}
}  // namespace

void LoadCtrlTypeTable()
{
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral("select * from CTRLTRTP")};
    TIBSQLCloser closer{*q};
    q->ExecQuery();
    while (!q->Eof()) {
        const QString name = q->FieldByName(QStringLiteral("CTRLTRTP_NAME")).AsString();
        TCtrlTypeRec* rec = nullptr;
        for (TCtrlTypeRec& r : CtrlTypeTable)
            if (r.Name == name) {
                rec = &r;
                break;
            }
        if (!rec) throw Exception(Format(QStringLiteral("Тип контрола с именем \"%s\" не известен системе"), {name}));
        rec->ID = q->FieldByName(QStringLiteral("CTRLTRTP_ID")).AsInteger();
        q->Next();
    }
    GCtrlTypeTableLoaded = true;
}

TCtrlType CodeToCtrlType(int ACode)
{
    EnsureLoaded();
    for (const TCtrlTypeRec& r : CtrlTypeTable)
        if (r.ID == ACode) return r.CtrlType;
    throw Exception(Format(QStringLiteral("CtrlType with code %d not found"), {ACode}));
}

int CtrlTypeToCode(TCtrlType ACtrlType)
{
    EnsureLoaded();
    for (const TCtrlTypeRec& r : CtrlTypeTable)
        if (r.CtrlType == ACtrlType) return r.ID;
    throw Exception(Format(QStringLiteral("CtrlType \"%d\" not found"), {int(ACtrlType)}));
}

void ResetCtrlTypeTable()
{
    for (TCtrlTypeRec& r : CtrlTypeTable) r.ID = 0;
    GCtrlTypeTableLoaded = false;
}

bool IsFieldCtrlType(TCtrlType ACtrlType)
{
    return ACtrlType >= ctEditStr && ACtrlType <= ctFormula;
}

bool IsEditCtrlType(TCtrlType ACtrlType)
{
    return ACtrlType >= ctEditStr && ACtrlType <= ctEditObj;
}

// ---------------------------------------------------------------------- TCtrl

QString TCtrl::GetCapt() const
{
    return Fld ? Fld->Capt : Capt;
}

TCtrl* TCtrl::Add(std::unique_ptr<TCtrl> AItem)
{
    AItem->Parent = this;
    FItems.push_back(std::move(AItem));
    return FItems.back().get();
}

int TCtrl::IndexOf(const TCtrl* AItem) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AItem) return i;
    return -1;
}

bool TCtrl::Remove(TCtrl* AItem)
{
    return Extract(AItem) != nullptr;
}

std::unique_ptr<TCtrl> TCtrl::Extract(TCtrl* AItem)
{
    const int i = IndexOf(AItem);
    if (i < 0) return nullptr;
    std::unique_ptr<TCtrl> item = std::move(FItems[i]);
    FItems.erase(FItems.begin() + i);
    item->Parent = nullptr;
    return item;
}
