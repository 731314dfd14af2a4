#include "MDILst.h"

#include "core/SysUtils.h"
#include "core/Variant.h"
#include "meta/Obj.h"

#include <map>

namespace {
std::map<TMDIType, TMDIFactory>& Factories()
{
    static std::map<TMDIType, TMDIFactory> factories;
    return factories;
}

std::unique_ptr<TMDI> NewMDI(QMdiArea* AOwner, TMDIType AMDIType, TObj* AObj)
{
    if (AMDIType == mtNone) return std::make_unique<TMDI>(AOwner);
    auto it = Factories().find(AMDIType);
    if (it == Factories().end() || !it->second) {
        if (AMDIType == mtConfig) throw Exception(QStringLiteral("Окно конфигуратора недоступно"));
        throw Exception(Format(QStringLiteral("Окно объекта \"%s\" недоступно"),
                               {AObj ? AObj->Capt2 : QString()}));
    }
    return it->second(AOwner, AObj);
}
}  // namespace

void RegisterMDIFactory(TMDIType AMDIType, TMDIFactory AFactory)
{
    if (AFactory)
        Factories()[AMDIType] = std::move(AFactory);
    else
        Factories().erase(AMDIType);
}

TMDIFactory MDIFactory(TMDIType AMDIType)
{
    auto it = Factories().find(AMDIType);
    return it == Factories().end() ? TMDIFactory() : it->second;
}

TMDIList::TMDIList(QMdiArea* AOwner) : Owner(AOwner) {}

TMDIList::~TMDIList()
{
    // Each document leaves the list before it is freed, so nothing it does
    // while closing finds a half-freed list.
    while (!FItems.empty()) {
        std::unique_ptr<TMDI> item = std::move(FItems.back());
        FItems.pop_back();
        item.reset();
    }
}

int TMDIList::IndexOf(const TMDI* AMDI) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == AMDI) return static_cast<int>(i);
    return -1;
}

TMDI* TMDIList::Show(TMDIType AMDIType, TObj* AObj)
{
    for (const auto& item : FItems)
        if (item->MDIType == AMDIType && item->Obj == AObj) {
            item->Show();
            return item.get();
        }
    std::unique_ptr<TMDI> mdi = NewMDI(Owner, AMDIType, AObj);
    mdi->MDIType = AMDIType;
    mdi->Obj = AObj;
    mdi->OnFormDestroy = [this](TMDI* AMDI) { RemoveMDI(AMDI); };
    FItems.push_back(std::move(mdi));
    return FItems.back().get();
}

void TMDIList::RemoveMDI(TMDI* AMDI)
{
    int index = IndexOf(AMDI);
    if (index < 0) return;
    std::unique_ptr<TMDI> item = std::move(FItems[index]);
    FItems.erase(FItems.begin() + index);
    item.reset();
}
