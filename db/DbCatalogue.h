// The catalogue as it is described in db/ (catalogue.json, demo.json,
// large.json): objects with their fields and links, table views as lists of
// field paths, cards as lists of fields (laid out as the card designer would
// place them), detail sets, filters with their node trees, formulas written
// as expressions, and the personal choices of users. TDbCatalogue reads such
// descriptions, checks them, completes what they leave out (a default view
// and card for every object, a view for every detail link) and hands the
// result to TDbCatalogueWriter (DbCatalogueWriter.h), which turns it into
// rows and, for objects that are new, into tables.
//
// Objects, fields, links and formulas are held in the client's own metadata
// classes (TObj, TFld, TObjLink, TFormula), built in memory without a
// session; their ids are 0 until the writer gives them theirs.
//
// The file format is described in db/README.md.
#pragma once

#include "meta/Obj.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class TFormulaItem;

// A field reached from an object: the link fields followed, then the field.
struct TDbFldPath {
    QList<TFld*> Path;
    TFld* Fld = nullptr;
};

// A node of a view's column tree.
struct TDbTblNode {
    TFld* Fld = nullptr;
    int Lft = 0;
    int Rgt = 0;
    std::vector<std::unique_ptr<TDbTblNode>> Children;
};

// A node of a filter's tree.
struct TDbFltrNode {
    QString Kind;  // a name of FLTRTRTP ("And", "Equal", ...)
    bool Not = false;
    QString Name;                  // FLTRTREE_NAME; empty: NULL
    std::optional<QString> Value;  // FLTRTREE_VALUE; none: NULL (code fills it)
    TDbFldPath Ref;                // compared field and its path; Fld null for And/Or
    TObjLink* Link = nullptr;      // DEP_ID of the node
    int Lft = 0;
    int Rgt = 0;
    std::vector<std::unique_ptr<TDbFltrNode>> Children;
};

struct TDbFilter {
    QString Name;
    QString Capt;
    bool Always = false;
    bool Dev = false;
    // Exactly one of the three is set: the filter belongs to a view, to a
    // link (its child object is listed) or to an object.
    struct TDbView* View = nullptr;
    TObjLink* Link = nullptr;
    TObj* Obj = nullptr;
    std::unique_ptr<TDbFltrNode> Root;
    TObj* ListedObj() const;
};

struct TDbView {
    QString Name;
    QString Capt;
    TObj* Obj = nullptr;         // an object's view, or
    TObjLink* Link = nullptr;    // a view of a link's child rows
    bool Default = false;
    bool Dev = false;
    QStringList Users;           // logins that get it as their personal view
    std::unique_ptr<TDbTblNode> Root;
    TObj* ListedObj() const { return Obj ? Obj : Link->ChildFld->Obj; }
};

// Control kinds: the names of CTRLTRTP.
namespace DbCtrl {
inline const QString Root = QStringLiteral("Root");
inline const QString PageControl = QStringLiteral("PageControl");
inline const QString TabSheet = QStringLiteral("TabSheet");
inline const QString EditStr = QStringLiteral("EditStr");
inline const QString EditInt = QStringLiteral("EditInt");
inline const QString EditNum182 = QStringLiteral("EditNum182");
inline const QString EditNum183 = QStringLiteral("EditNum183");
inline const QString EditNum184 = QStringLiteral("EditNum184");
inline const QString EditObj = QStringLiteral("EditObj");
inline const QString DateEdit = QStringLiteral("DateEdit");
inline const QString CheckBox = QStringLiteral("CheckBox");
inline const QString Formula = QStringLiteral("Formula");
}  // namespace DbCtrl

// A node of a card's control tree with the geometry the card designer gives
// it. Columns a kind does not use are written as NULL (see the writer).
struct TDbCtrl {
    QString Kind;
    TFld* Fld = nullptr;
    QString Capt;  // tab caption
    int CLeft = 0, CTop = 0, CWidth = 0, CHeight = 0;
    int LLeft = 0, LTop = 0;
    bool ROAdd = false;
    bool ROEdt = false;
    int Lft = 0;
    int Rgt = 0;
    std::vector<std::unique_ptr<TDbCtrl>> Children;
};

struct TDbCard {
    QString Name;
    QString Capt;
    TObj* Obj = nullptr;
    bool Default = false;
    bool Dev = false;
    int Width = 0;
    int HeightAtr = 0;
    int HeightDet = 0;
    QStringList Users;
    std::unique_ptr<TDbCtrl> Root;
};

struct TDbDetBook {
    QString Name;
    QString Capt;
    TObj* Obj = nullptr;
    bool Default = false;
    bool Dev = false;
    QList<TObjLink*> Links;
    QStringList Users;
};

struct TDbUser {
    QString Login;
    QString Name;
};

class TDbCatalogue {
public:
    TDbCatalogue();
    ~TDbCatalogue();
    TDbCatalogue(const TDbCatalogue&) = delete;
    TDbCatalogue& operator=(const TDbCatalogue&) = delete;

    // Reads one description file. Objects of earlier files may be referred
    // to; objects of this file are created as tables when the file says
    // "create": true. Raises Exception naming ASource and the item at fault.
    void Read(const QByteArray& AJson, const QString& ASource);

    // Adds what the descriptions leave out: a default view and a default card
    // for every object that has none, and a default view for every detail
    // link (DEP_DET) that has none. Objects of earlier Complete calls keep
    // what they were given then.
    void Complete();

    // Everything read so far, in description order.
    std::vector<std::unique_ptr<TObj>> Objs;
    std::vector<std::unique_ptr<TDbView>> Views;
    std::vector<std::unique_ptr<TDbCard>> Cards;
    std::vector<std::unique_ptr<TDbDetBook>> DetBooks;
    std::vector<std::unique_ptr<TDbFilter>> Filters;
    std::vector<TDbUser> Users;

    // Objects whose tables the writer creates (the others exist already).
    bool IsNew(const TObj* AObj) const;
    // The links of all objects, in the order their referencing fields were described.
    QList<TObjLink*> Links() const;

    TObj* FindObj(const QString& ATable) const;
    TObj* ObjByTable(const QString& ATable) const;  // raises when unknown
    // A link given as "CHILDTABLE.FIELD" (its referencing field).
    TObjLink* LinkByRef(const QString& ARef) const;  // raises when unknown
    // A field path "FK>FK>FIELD" from AObj; raises naming the part at fault.
    TDbFldPath FldPath(TObj* AObj, const QString& APath) const;

    // Builds the column tree of a view of AObj from field paths (see README):
    // the key field as the root, paths sharing link fields share their node.
    std::unique_ptr<TDbTblNode> ColumnTree(TObj* AObj, const QStringList& APaths) const;

    // Parses a formula expression for a field of AObj, numbered as a nested set.
    std::unique_ptr<TFormulaItem> ParseFormula(TObj* AObj, const QString& AText) const;

private:
    void ReadObjects(const QJsonArray& AObjs, const QString& ASource, bool ACreate);
    void ReadViews(const QJsonArray& AViews, const QString& ASource);
    void ReadCards(const QJsonArray& ACards, const QString& ASource);
    void ReadDetBooks(const QJsonArray& ABooks, const QString& ASource);
    void ReadFilter(const QJsonObject& AFilter, const QString& AWhere, TDbView* AView);
    std::unique_ptr<TDbFltrNode> ReadFltrNode(const QJsonValue& ANode, TObj* AListed, const QString& AWhere) const;

    QList<TObj*> FNew;
    QList<TObj*> FCompleted;
};

// Nested-set numbering of a tree in pre-order (1 .. 2n): every node type with
// Lft, Rgt and Children can be numbered.
template <typename TNode>
void NumberTree(TNode* ARoot)
{
    int counter = 0;
    auto walk = [&counter](auto&& self, TNode* ANode) -> void {
        ANode->Lft = ++counter;
        for (auto& c : ANode->Children)
            self(self, c.get());
        ANode->Rgt = ++counter;
    };
    if (ARoot)
        walk(walk, ARoot);
}
