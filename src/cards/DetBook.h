// Detail sets: which child records a card shows below its fields, as one row
// of DETBOOK for a parent object with its links in DETDEP, and the choice of
// the set a user gets.
#pragma once

#include "core/IBX.h"
#include "meta/Obj.h"

#include <QString>
#include <memory>
#include <vector>

// A list of child links of one object; the links belong to the catalogue.
class TDetBook {
public:
    TDetBook();
    ~TDetBook();
    TDetBook(const TDetBook&) = delete;
    TDetBook& operator=(const TDetBook&) = delete;

    int Id = 0;
    QString Capt;
    bool Default = false;  // DETBOOK_DEFAULT = 1
    QString Name;
    TObj* Obj = nullptr;     // the parent object
    bool Dev = false;        // DETBOOK_DEV = 1
    bool RaiseLoad = false;  // a load that finds no set raises

    // The set the user gets for an object: the personal set (USRDET), else
    // the object's default set (developer sets first only in developer
    // mode). Each load answers whether a set was found; a load that finds
    // none changes nothing (and raises when RaiseLoad is set). The links are
    // appended in the order of their DETDEP rows (by DETDEP_ID).
    bool LoadCurrent(TObj* AObj, int AUserId);
    bool LoadById(int AId);
    bool LoadByName(TObj* AObj, const QString& AName);

    int Count() const { return static_cast<int>(FItems.size()); }
    TObjLink* Items(int AIndex) const { return FItems.at(AIndex); }
    TObjLink* operator[](int AIndex) const { return FItems.at(AIndex); }
    void Add(TObjLink* AObjLink) { FItems.push_back(AObjLink); }
    void Clear() { FItems.clear(); }
    int IndexOf(const TObjLink* AObjLink) const;
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::unique_ptr<TIBSQL> IBSQL;
    std::vector<TObjLink*> FItems;

    bool ReadFound();
    void LoadLinks();
    bool NotFound(TObj* AObj);
};
