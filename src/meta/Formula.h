// Formulas of computed fields: expression trees of functions, field
// references (possibly through a path of links) and constants.
#pragma once

#include "Obj.h"
#include "core/Variant.h"

#include <memory>
#include <vector>

class TFormulaItem {
public:
    TFormulaItem();
    ~TFormulaItem();  // frees its path list (not the fields) and its children

    int Lft = 0;
    int Rgt = 0;
    TFld* Fld = nullptr;
    TFormulaFunc Func = ffNone;
    Variant Value;
    bool PathHave = false;
    std::unique_ptr<TFldList> Path;  // link fields from the record's object towards Fld's object

    // Child nodes (operands in order); owned.
    int Count() const { return static_cast<int>(FItems.size()); }
    TFormulaItem* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TFormulaItem* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TFormulaItem* Add(std::unique_ptr<TFormulaItem> AItem);
    std::unique_ptr<TFormulaItem> Extract(TFormulaItem* AItem);  // removes without freeing
    void Clear() { FItems.clear(); }
    int IndexOf(const TFormulaItem* AItem) const;

    // Display text; AFull gives the whole expression, otherwise a function
    // node gives only its caption.
    QString Text(bool AFull) const;

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TFormulaItem>> FItems;
};

class TFormula {
public:
    TFormula() = default;
    ~TFormula() { Clear(); }
    TFormula(const TFormula&) = delete;
    TFormula& operator=(const TFormula&) = delete;

    std::unique_ptr<TFormulaItem> FormulaItemRoot;  // none: the formula is empty

    // Deep copy of this formula into AFormula (which is cleared first).
    void Assign(TFormula* AFormula) const;
    void Clear();
    QString Text() const;
    bool IsEmpty() const { return !FormulaItemRoot; }
};

// Attaches X (arriving in left-bound order) below P; false when it fits nowhere.
bool AddToTree(TFormulaItem* P, std::unique_ptr<TFormulaItem>& X);
