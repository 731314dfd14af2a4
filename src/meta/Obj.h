// The in-memory catalogue: objects, fields, links, their lists, the code
// tables of field types, delete rules and formula functions, and value
// conversion by field type.
#pragma once

#include "core/OwnedIterator.h"
#include "core/IBX.h"
#include "core/Variant.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

class TObj;
class TFld;
class TObjLink;
class TFormula;

enum TFldType { ftPK, ftString, ftFK, ftInt, ftBoolean, ftNum182, ftNum183, ftNum184, ftDate, ftFormula };
enum TFKRule { fkNone, fkNoAction, fkCascade, fkSetNull };
enum TFormulaFunc { ffNone, ffAdd, ffDed, ffMul, ffDiv, ffRate, ffCurD, ffCurU, ffParId };

struct TFldTypeTableRec {
    int ID;
    QString Name;
    TFldType FldType;
};
struct TFKRuleRec {
    int ID;
    QString Name;
    TFKRule FKRule;
};
struct TFormulaFuncRec {
    int Id;
    QString Name;
    TFormulaFunc Func;
    QString Capt;
};

// The code tables, compiled in with id 0 and filled from the database on
// first use; each is loaded once per process (a failed load is retried).
extern std::array<TFldTypeTableRec, 10> FldTypeTable;
extern std::array<TFKRuleRec, 3> FKRuleTable;
extern std::array<TFormulaFuncRec, 8> FormulaFuncTable;
extern const std::array<QString, 4> FKRuleSql;

void LoadFldTypeTable();
void LoadFKRuleTable();
void LoadFormulaFuncTable();
// Forgets what was loaded (tests only: a new database may number codes differently).
void ResetCodeTables();

TFldType CodeToFldType(int ACode);
int FldTypeToCode(TFldType AFldType);
TFKRule CodeToFKRule(int ACode);
int FKRuleToCode(TFKRule AFKRule);
TFormulaFunc CodeToFormulaFunc(int ACode);
int FormulaFuncToCode(TFormulaFunc AFunc);
QString FormulaFuncToCapt(TFormulaFunc AFunc);

QString VarToStrByFldType(const Variant& AValue, TFldType AFldType);
Variant StrToVarByFldType(const QString& AText, TFldType AFldType);

// A list of fields that does not own them (paths of links).
class TFldList {
public:
    virtual ~TFldList() = default;
    int Count() const { return static_cast<int>(FItems.size()); }
    TFld* Items(int AIndex) const { return FItems.at(AIndex); }
    TFld* operator[](int AIndex) const { return FItems.at(AIndex); }
    void Add(TFld* AFld) { FItems.push_back(AFld); }
    void Clear() { FItems.clear(); }
    int IndexOf(const TFld* AFld) const;
    // Copies this list into the argument (the argument is cleared first).
    void Assign(TFldList* AFldList) const;
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

protected:
    std::vector<TFld*> FItems;
};

// The fields of one object; owns them.
class TObjFldList {
public:
    explicit TObjFldList(TObj* AObj) : Obj(AObj) {}
    TObj* Obj;
    int Count() const { return static_cast<int>(FItems.size()); }
    TFld* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TFld* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TFld* Add(std::unique_ptr<TFld> AFld);
    void Clear();
    int IndexOf(const TFld* AFld) const;
    // Removes and frees the field.
    void Remove(TFld* AFld);

    TFld* GetFldById(int AFldId) const;
    TFld* GetFldByFldName(const QString& AFldName) const;
    TFld* GetPKFld() const;
    // Raises "Главное поле для объекта \"%s\" не определено" when ARaise.
    TFld* GetMainFld(bool ARaise) const;

    using iterator = TOwnedIterator<TFld>;
    iterator begin() const { return iterator(FItems.begin()); }
    iterator end() const { return iterator(FItems.end()); }

private:
    std::vector<std::unique_ptr<TFld>> FItems;
};

// Links of one object: its ChildList owns them, its ParentList only refers.
class TObjLinkList {
public:
    TObjLinkList(TObj* AObj, bool AOwnsObjects);
    ~TObjLinkList();
    TObj* Obj;
    bool OwnsObjects() const { return FOwns; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TObjLink* Items(int AIndex) const { return FItems.at(AIndex); }
    TObjLink* operator[](int AIndex) const { return FItems.at(AIndex); }
    // Appends; an owning list takes the link over (pass the owner's pointer
    // to AddOwned), a non-owning one only refers to it.
    void Add(TObjLink* ALink);
    TObjLink* AddOwned(std::unique_ptr<TObjLink> ALink);
    void Clear();
    int IndexOf(const TObjLink* ALink) const;
    // Removes the link (freeing it when owned) and answers its former index, or -1.
    int Remove(TObjLink* ALink);

    // Reads the links whose parent is Obj (the ChildList).
    void Load();
    TObjLink* GetByFld(const TFld* AFld) const;
    TObjLink* GetById(int AId) const;
    TObjLink* GetByChiObjTable(const QString& AObjTable) const;
    TObjLink* GetByName(const QString& AName) const;
    int RemoveById(int AId);

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::unique_ptr<TIBSQL> IBSQL;
    bool FOwns;
    std::vector<TObjLink*> FItems;
    std::vector<std::unique_ptr<TObjLink>> FOwned;  // an owning list's links, same order as FItems
};

class TObj {
public:
    TObj();
    virtual ~TObj();  // frees ParentList, ChildList, FldList, IBSQL in this order

    std::unique_ptr<TIBSQL> IBSQL;
    int Id = 0;
    QString Table;
    QString Capt;
    QString Capt2;
    bool Ref = false;
    bool Meta = false;
    bool Sys = false;
    std::unique_ptr<TObjFldList> FldList;
    std::unique_ptr<TObjLinkList> ParentList;  // links where this object is the child
    std::unique_ptr<TObjLinkList> ChildList;   // links where this object is the parent; owns them

    void CreateObjLists();  // FldList, ChildList (owning), ParentList (not owning)
    void LoadFields();
    void LoadRefs();
    void ResolveFKFields();
    void LoadFormuls();
    int GetNewId();
};

class TFld {
public:
    TFld();
    virtual ~TFld();

    TObj* Obj = nullptr;
    int Id = 0;
    QString Field;
    TFldType FldType = ftPK;
    int Size = 0;
    bool NotNull = false;
    QString Capt;
    int UniqFld = 0;
    bool Main = false;
    TObjLink* AgrObjLink = nullptr;
    TFld* AgrFld = nullptr;
    bool Virt = false;
    bool Sys = false;
    TObj* FKObj = nullptr;
    TFKRule FKRule = fkNone;
    std::unique_ptr<TFormula> Formula;
    bool FormulaHave = false;
    bool Def0 = false;

    // Ids read by LoadFields and resolved by TObj::LoadRefs (0 = none).
    int AgrObjLinkId = 0;
    int AgrFldId = 0;
};

class TObjLink {
public:
    int Id = 0;
    TObj* ParentObj = nullptr;
    TFld* ChildFld = nullptr;
    bool Main = false;
    TFKRule DeleteRule = fkNone;
    bool Det = false;
    QString Capt;
    bool Sys = false;
    QString Name;
};

// The catalogue; owns its objects.
class TObjList {
public:
    TObjList();
    ~TObjList();  // frees the statement, then the objects

    int Count() const { return static_cast<int>(FItems.size()); }
    TObj* Items(int AIndex) const { return FItems.at(AIndex).get(); }
    TObj* operator[](int AIndex) const { return FItems.at(AIndex).get(); }
    TObj* Add(std::unique_ptr<TObj> AObj);
    void Clear();
    int IndexOf(const TObj* AObj) const;
    void Remove(TObj* AObj);  // removes and frees

    void Load();
    TObj* GetObjById(int AObjId) const;
    TObj* GetObjByTable(const QString& AObjTable) const;
    TFld* GetFldById(int AFldId) const;
    TObjLink* GetObjLinkById(int AObjLinkId) const;

    using iterator = TOwnedIterator<TObj>;
    iterator begin() const { return iterator(FItems.begin()); }
    iterator end() const { return iterator(FItems.end()); }

private:
    std::unique_ptr<TIBSQL> IBSQL;
    std::vector<std::unique_ptr<TObj>> FItems;
};

using TFldArray = std::vector<TFld*>;

// Context a grid hands to each card it opens.
struct TInfo {
    TObj* ParentObj = nullptr;
    TObjLink* ObjLink = nullptr;
    int DealId = 0;
};
