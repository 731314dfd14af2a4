// One field value of a record (TAtrItem) with its change flags and events,
// and the values that formulas read through link paths starting at it.
#pragma once

#include "core/Variant.h"
#include "meta/Formula.h"
#include "meta/Obj.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TAtrItem;

// Text of a generated statement as shown in debug messages: every line
// followed by CR LF.
QString SqlLinesText(const QStringList& ALines);

// Origin of a value assignment: an ordinary change, an initialisation (load,
// defaults; not a change), or a value typed into the item's own editor
// (not echoed back to that editor).
enum TChangeType { ctNone, ctInit, ctWinCtrl };

using TAtrItemNotify = std::function<void(TAtrItem* AAtrItem)>;

// One field read at the end of a link path: its current value and the
// formula nodes that read it.
class TFldValue {
public:
    TFld* Fld = nullptr;
    Variant Value = Variant::Null();
    std::vector<TFormulaItem*> FormulaItemList;  // not owned
};

// One distinct path starting at an item. Path is the path list of the first
// formula node that used it (shared, not owned).
class TFldPath {
public:
    TFldList* Path = nullptr;
    std::vector<std::unique_ptr<TFldValue>> FldValueList;

    TFldValue* GetFldValue(const TFld* AFld) const;
};

// The paths that start at one link item; owns its entries.
class TPathList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TFldPath* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    bool IsEmpty() const { return FItems.empty(); }

    // Registers the path node AFormulaItem: its path (by the fields it holds)
    // and the field it reads at the end.
    void AddPath(TFormulaItem* AFormulaItem);
    // Current value read for the node; raises
    // "TPathList.GetValue: Не найден элемент формулы" for a node never added.
    Variant GetValue(const TFormulaItem* AFormulaItem) const;

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TFldPath>> FItems;
};

class TAtrItem {
private:
    Variant FValue = Variant::Null();  // read through Value, written only through SetValue

public:
    TAtrItem();
    ~TAtrItem();
    TAtrItem(const TAtrItem&) = delete;
    TAtrItem& operator=(const TAtrItem&) = delete;

    TFld* Fld = nullptr;
    TAtrItemNotify OnChange;             // the owning record's AtrItemChange
    TAtrItemNotify OnChangeForWinCtrl;   // the bound editor; empty when none
    std::vector<TAtrItem*> FormulaAtrItemList;  // items whose formulas read this one; not owned
    bool Modified = false;
    TChangeType ChangeType = ctNone;
    bool ForInsert = false;
    bool NeedCalc = false;
    std::unique_ptr<TPathList> PathList;
    std::unique_ptr<TFormula> Formula;

    const Variant& Value() const { return FValue; }
    // Rounds numbers of the fixed-point types, re-reads path values, marks
    // the change and raises the events (see the .cpp).
    void SetValue(const Variant& AValue);
    QString AsString() const;  // Null gives ""
    int AsInteger() const;     // Null gives 0

    // Assigns as an initialisation: not a change, ForInsert := AForInsert.
    void InitValue(const Variant& AValue, bool AForInsert);
    bool ForSelect() const;
    bool ForUpdate() const;

    // Re-reads the values of every path starting at this (link) item.
    void RefreshPathValues();
};
