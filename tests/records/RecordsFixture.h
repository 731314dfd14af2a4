// Small catalogues with real tables for record tests: catalogue rows by SQL
// (TCatalogFixture), the object's table and sequence by DDL, formulas as
// nested node descriptions numbered like the formula editor numbers them.
#pragma once

#include "ErrorOf.h"
#include "CatalogFixture.h"
#include "SqlTrace.h"
#include "meta/Formula.h"
#include "meta/Obj.h"
#include "records/Atr.h"

#include <gtest/gtest.h>

#include <QHash>

#include <functional>
#include <ostream>
#include <memory>
#include <vector>

inline void PrintTo(const Variant& AValue, std::ostream* AOut)
{
    *AOut << Variant::TypeName(AValue.Type()).toStdString() << "(" << AValue.AsText().toStdString() << ")";
}

// One formula node: a function with operands, a field reference (possibly
// through a path of link fields) or a constant.
struct TNode {
    QString Func;
    int Fld = 0;
    QList<int> Path;
    QString Value;
    std::vector<TNode> Kids;
};

inline TNode Fn(const QString& AFunc, std::vector<TNode> AKids = {})
{
    TNode n;
    n.Func = AFunc;
    n.Kids = std::move(AKids);
    return n;
}
inline TNode Ref(int AFld, QList<int> APath = {})
{
    TNode n;
    n.Fld = AFld;
    n.Path = std::move(APath);
    return n;
}
inline TNode Const(const QString& AValue)
{
    TNode n;
    n.Value = AValue;
    return n;
}

class RecordsTest : public ::testing::Test {
protected:
    TTestSession S;
    TCatalogFixture C{S};

    // DDL is committed at once so that the table can be used.
    void Ddl(const QString& ASql)
    {
        S.Exec(ASql);
        CommitRetaining();
    }

    // An object with its table "<ATable> (<ATable>_ID integer primary key,
    // <AColumns>)" and its sequence.
    int AddTable(const QString& ATable, const QString& ACapt, const QString& AColumns, bool ARef = false)
    {
        Ddl(QStringLiteral("create table %1 (%1_ID integer not null primary key%2)")
                .arg(ATable, AColumns.isEmpty() ? QString() : QStringLiteral(", ") + AColumns));
        Ddl(QStringLiteral("create sequence %1_ID").arg(ATable));
        return C.AddObj(ATable, ACapt, ARef);
    }

    // Changes FLD columns of one field ("FLD_NOTNULL = 1").
    void SetFld(int AFldId, const QString& ASet)
    {
        S.Exec(QStringLiteral("update FLD set %1 where FLD_ID = %2").arg(ASet).arg(AFldId));
    }

    void SetFormula(int AFldId, const TNode& ARoot)
    {
        C.SetFormulaHave(AFldId);
        int next = 1;
        AddNode(AFldId, ARoot, next);
    }

    TObj* Obj(int AObjId) { return ObjList->GetObjById(AObjId); }
    TFld* Fld(int AFldId) { return ObjList->GetFldById(AFldId); }

    std::unique_ptr<TAtr> NewAtr(int AObjId)
    {
        auto atr = std::make_unique<TAtr>();
        atr->Obj = Obj(AObjId);
        return atr;
    }

private:
    static int Size(const TNode& ANode)
    {
        int n = 1;
        for (const TNode& k : ANode.Kids) n += Size(k);
        return n;
    }

    void AddNode(int AFldId, const TNode& ANode, int& ANext)
    {
        const int lft = ANext++;
        const int rgt = lft + 2 * Size(ANode) - 1;
        int id = C.AddFrml(AFldId, lft, rgt, ANode.Func, ANode.Fld, ANode.Value, !ANode.Path.isEmpty());
        for (int p : ANode.Path) C.AddPath(id, p);
        for (const TNode& k : ANode.Kids) AddNode(AFldId, k, ANext);
        ANext = rgt + 1;
    }
};
