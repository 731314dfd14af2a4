// One record of one object while it is read, defaulted, edited, validated
// and written (TAtr, a list of TAtrItem), with the evaluation of its
// computed fields.
#pragma once

#include "AtrItem.h"
#include "Rate.h"
#include "core/OwnedIterator.h"
#include "core/IBX.h"
#include "core/SysUtils.h"
#include "core/Variant.h"
#include "meta/Obj.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TAtr;

using TAtrNotify = std::function<void(TAtr* ASender)>;

// A value that failed validation; AtrItem is the offending item.
class ECheckFldException : public Exception {
public:
    ECheckFldException(const QString& AMessage, TAtrItem* AAtrItem) : Exception(AMessage), AtrItem(AAtrItem) {}
    static ECheckFldException CreateAtrItem(const QString& AMsg, TAtrItem* AAtrItem);
    static ECheckFldException CreateFmtAtrItem(const QString& AFormat, TAtrItem* AAtrItem,
                                               const QList<Variant>& AArgs);

    TAtrItem* AtrItem;
};

class TAtr {
private:
    std::vector<std::unique_ptr<TAtrItem>> FItems;
    std::unique_ptr<TIBSQL> IBSQL;
    Variant FRecId;
    std::unique_ptr<TCurrRateTable> FCurrRateTable;

public:
    TAtr();
    virtual ~TAtr();
    TAtr(const TAtr&) = delete;
    TAtr& operator=(const TAtr&) = delete;

    TObj* Obj = nullptr;       // set by the creator before any other call
    bool New = true;           // the next Post inserts
    bool NewForEvent = true;   // not yet loaded or committed
    TAtrNotify OnAfterCommit;

    // The items, in creation order (the column order of every statement).
    int Count() const { return static_cast<int>(FItems.size()); }
    TAtrItem* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TAtrItem* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    int IndexOf(const TAtrItem* AAtrItem) const;
    using iterator = TOwnedIterator<TAtrItem>;
    iterator begin() const { return iterator(FItems.begin()); }
    iterator end() const { return iterator(FItems.end()); }

    // Key of the record; unassigned until it is loaded or inserted. Written
    // through SetRecId, which loads the record.
    const Variant& RecId() const { return FRecId; }

    // The item of AFld, created on demand (with its own copy of the formula).
    TAtrItem* GetByFld(TFld* AFld);
    TAtrItem* GetByFldName(const QString& AFldName);

    // CommitRetaining, then the after-commit event.
    void Commit();
    bool Modified() const;
    void ClearModified();
    // Re-reads the summing fields of the loaded record.
    void RefreshArgFlieds();

    // Virtual operations, in slot order.
    virtual void SetInsertValues();
    virtual void AtrItemChange(TAtrItem* AAtrItem);
    virtual void AfterLoad(const Variant& ARecId);
    virtual void CheckInsert();
    virtual void CheckUpdate();
    virtual void DoAfterCommit();
    virtual void SetRecId(const Variant& Value);
    virtual void Post();
    virtual void SetDefaultValues(TObjLink* AObjLink, const Variant& AParentId);

    // Formula evaluation.
    // Creates the items of formula fields and of what they read, resolves
    // parent-key formulas through AObjLink and registers the dependencies.
    void InitFormulas(TObjLink* AObjLink);
    // Calculates AAtrItem's formula and assigns the result as a change.
    void CalcAtrItem(TAtrItem* AAtrItem);
    Variant CalcItem(TFormulaItem* AFormulaItem);

    TCurrRateTable* CurrRateTable() const { return FCurrRateTable.get(); }

protected:
    void InitValueByName(const QString& AFldName, const Variant& AValue, bool AForInsert);
    // Build the statements into IBSQL (and show them as debug messages).
    bool MakeSelectSql(bool AAgrOnly);
    void MakeInsertSql();
    bool MakeUpdateSql();
    // Binds one item's value to the parameter named like its column.
    void SetParam(TAtrItem* AAtrItem);
    void ApplyDefaults(TObjLink* AObjLink, const Variant& AParentId);

private:
    // Items whose formulas depend on their own value (found when the
    // formulas are prepared), with the message that stops their calculation.
    struct TCycle {
        TAtrItem* AtrItem;
        QString Message;
    };
    std::vector<TCycle> FCycles;
    void FindCycles();
};
