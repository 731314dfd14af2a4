#include "DbCheck.h"

#include "DbCardLayout.h"

#include "core/IBX.h"
#include "core/SysUtils.h"
#include "meta/Ddl.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

struct TObjR {
    int Id = 0;
    QString Table;
};

struct TFldR {
    int Id = 0;
    int Obj = 0;
    QString Field, Type, Capt;
    int Size = 0;
    bool NotNull = false, Main = false, Virt = false, FrmlHave = false, Def0 = false;
    int AgrDep = 0, AgrFld = 0;
};

struct TDepR {
    int Id = 0, Par = 0, Chi = 0;
    QString Rule, Name;
};

struct TDefR {  // a view, card or detail set
    int Id = 0;
    QString Name;
    int Obj = 0, Dep = 0;
    bool Default = false;
};

struct TNodeR {
    int Id = 0, Owner = 0, Lft = 0, Rgt = 0, Fld = 0;
    QString Kind;           // control, filter node or formula function kind
    QString Name;           // filter node name
    int Ref = 0;            // formula: FLD_ID_VALUE
    bool Flag = false;      // formula: PATHHAVE; control: ROADD
    bool HasValue = false;  // formula constant / filter value present
};

struct TFltrR {
    int Id = 0;
    QString Name;
    bool Always = false;
    std::optional<int> Dev;
    int Tbl = 0, Dep = 0, Obj = 0;
};

struct TColR {
    QString Source;
    int Type = 0, CharLen = 0;
    bool NotNull = false, HasDefault = false;
};

struct TTrigR {
    QString Table;
    int Type = 0, Seq = 0;
    bool Inactive = false;
    QString Source;
};

// The nodes of one tree; the reference stays valid while the map is unchanged.
const QList<TNodeR>& TreeOf(const QMap<int, QList<TNodeR>>& ATrees, int AOwner)
{
    static const QList<TNodeR> none;
    auto it = ATrees.constFind(AOwner);
    return it == ATrees.constEnd() ? none : it.value();
}

template <typename F>
void Rows(TIBDatabase* ADb, TIBTransaction* ATr, const QString& ASql, F AOnRow)
{
    TIBSQL q(ADb, ATr);
    q.SQL = QStringList{ASql};
    q.ExecQuery();
    while (!q.Eof()) {
        AOnRow(q);
        q.Next();
    }
    q.Close();
}

int I(const TIBSQL& Q, const char* AName)
{
    return Q.FieldByName(QLatin1String(AName)).AsInteger();
}

QString S(const TIBSQL& Q, const char* AName)
{
    return Q.FieldByName(QLatin1String(AName)).AsString().trimmed();
}

bool B(const TIBSQL& Q, const char* AName)
{
    return Q.FieldByName(QLatin1String(AName)).AsInteger() != 0;
}

// Parent index of every node of a tree given in left-bound order (-1 for the
// root), or nothing when the bounds are not a nested set numbered 1 .. 2n.
std::optional<QList<int>> NestedParents(const QList<const TNodeR*>& ANodes)
{
    const int n = ANodes.size();
    QList<int> parents;
    QSet<int> seen;
    QList<int> stack;
    for (int i = 0; i < n; ++i) {
        const TNodeR* x = ANodes[i];
        if (x->Lft >= x->Rgt || x->Lft < 1 || x->Rgt > 2 * n || seen.contains(x->Lft) || seen.contains(x->Rgt))
            return std::nullopt;
        seen.insert(x->Lft);
        seen.insert(x->Rgt);
        while (!stack.isEmpty() && ANodes[stack.last()]->Rgt < x->Lft)
            stack.removeLast();
        if (i == 0) {
            if (x->Lft != 1 || x->Rgt != 2 * n)
                return std::nullopt;
        } else if (stack.isEmpty() || x->Rgt > ANodes[stack.last()]->Rgt) {
            return std::nullopt;
        }
        parents.append(stack.isEmpty() ? -1 : stack.last());
        stack.append(i);
    }
    return parents;
}

const QStringList kFldTypes = {"pk", "string", "fk", "int", "boolean", "num182", "num183", "num184", "date", "Formula"};

class TChecker {
public:
    TChecker(TIBDatabase* ADb, TIBTransaction* ATr, const TDbCheckOptions& AOptions)
        : Db(ADb), Tr(ATr), Options(AOptions)
    {
    }

    QStringList Run()
    {
        Load();
        CheckCodes();
        CheckObjects();
        CheckLinks();
        CheckSums();
        CheckFormulas();
        CheckViews();
        CheckCards();
        CheckDetBooks();
        CheckFilters();
        CheckRequired();
        return Problems;
    }

private:
    TIBDatabase* Db;
    TIBTransaction* Tr;
    TDbCheckOptions Options;
    QStringList Problems;

    QList<TObjR> Objs;
    QList<TFldR> Flds;
    QList<TDepR> Deps;
    QList<TDefR> Tbls, Cards, Books;
    QList<QPair<int, int>> DetDeps;  // book, link
    QList<TFltrR> Fltrs;
    QMap<int, QList<TNodeR>> TblTrees, CtrlTrees, FltrTrees, FrmlTrees;
    QHash<int, QList<int>> FltrPaths, FrmlPaths;  // node id -> path field ids
    QHash<QString, QMap<QString, TColR>> Columns;  // table -> column
    QSet<QString> Generators;
    QHash<QString, QString> ForeignKeys;  // "TABLE.COLUMN" -> "PARENT.COLUMN RULE"
    QHash<QString, TTrigR> Triggers;
    QHash<QString, QStringList> Codes;
    QStringList FuncCaptions;
    QSet<QString> Logins;

    void Problem(const QString& AText) { Problems.append(AText); }

    // ---------------------------------------------------------- lookups

    const TObjR* Obj(int AId) const
    {
        for (const TObjR& o : Objs)
            if (o.Id == AId)
                return &o;
        return nullptr;
    }
    const TObjR* ObjByTable(const QString& ATable) const
    {
        for (const TObjR& o : Objs)
            if (o.Table == ATable)
                return &o;
        return nullptr;
    }
    const TFldR* Fld(int AId) const
    {
        for (const TFldR& f : Flds)
            if (f.Id == AId)
                return &f;
        return nullptr;
    }
    const TFldR* FldOf(int AObj, const QString& AField) const
    {
        for (const TFldR& f : Flds)
            if (f.Obj == AObj && f.Field == AField)
                return &f;
        return nullptr;
    }
    const TFldR* FldOf(const QString& ATable, const QString& AField) const
    {
        const TObjR* o = ObjByTable(ATable);
        return o ? FldOf(o->Id, AField) : nullptr;
    }
    const TFldR* PK(int AObj) const
    {
        for (const TFldR& f : Flds)
            if (f.Obj == AObj && f.Type == QLatin1String("pk"))
                return &f;
        return nullptr;
    }
    const TDepR* Dep(int AId) const
    {
        for (const TDepR& d : Deps)
            if (d.Id == AId)
                return &d;
        return nullptr;
    }
    const TDepR* DepByChild(int AFld) const
    {
        for (const TDepR& d : Deps)
            if (d.Chi == AFld)
                return &d;
        return nullptr;
    }
    // The object a link refers to (its parent), through its parent key field.
    int ParentObj(const TDepR* ADep) const
    {
        const TFldR* f = ADep ? Fld(ADep->Par) : nullptr;
        return f ? f->Obj : 0;
    }
    int ChildObj(const TDepR* ADep) const
    {
        const TFldR* f = ADep ? Fld(ADep->Chi) : nullptr;
        return f ? f->Obj : 0;
    }
    QString ObjName(int AId) const
    {
        const TObjR* o = Obj(AId);
        return o ? o->Table : QStringLiteral("#%1").arg(AId);
    }
    QString FldName(int AId) const
    {
        const TFldR* f = Fld(AId);
        return f ? ObjName(f->Obj) + u'.' + f->Field : QStringLiteral("#%1").arg(AId);
    }
    QString LinkName(const TDepR* ADep) const { return FldName(ADep->Chi); }

    // Follows a path of link fields from AObj; answers the object reached, or
    // 0 after reporting the step at fault.
    int FollowPath(int AObj, const QList<int>& APath, const QString& AWhere)
    {
        int obj = AObj;
        for (int step : APath) {
            const TFldR* f = Fld(step);
            const TDepR* d = f ? DepByChild(f->Id) : nullptr;
            if (!f || f->Obj != obj || f->Type != QLatin1String("fk") || f->Virt || !d) {
                Problem(QStringLiteral("%1: шаг пути %2 не является полем связи объекта %3")
                            .arg(AWhere, FldName(step), ObjName(obj)));
                return 0;
            }
            obj = ParentObj(d);
        }
        return obj;
    }

    // -------------------------------------------------------------- load

    void Load()
    {
        Rows(Db, Tr, QStringLiteral("select OBJ_ID, OBJ_TABLE from OBJ order by OBJ_ID"),
             [&](const TIBSQL& q) { Objs.append({I(q, "OBJ_ID"), S(q, "OBJ_TABLE")}); });
        Rows(Db, Tr,
             QStringLiteral("select F.*, T.FLDTYPE_NAME from FLD F left join FLDTYPE T on T.FLDTYPE_ID = F.FLDTYPE_ID "
                            "order by F.FLD_ID"),
             [&](const TIBSQL& q) {
                 TFldR f;
                 f.Id = I(q, "FLD_ID");
                 f.Obj = I(q, "OBJ_ID");
                 f.Field = S(q, "FLD_FIELD");
                 f.Type = S(q, "FLDTYPE_NAME");
                 f.Capt = S(q, "FLD_CAPT");
                 f.Size = I(q, "FLD_SIZE");
                 f.NotNull = B(q, "FLD_NOTNULL");
                 f.Main = B(q, "FLD_MAIN");
                 f.Virt = B(q, "FLD_VIRT");
                 f.FrmlHave = B(q, "FLD_FRMLHAVE");
                 f.Def0 = B(q, "FLD_DEF0");
                 f.AgrDep = I(q, "DEP_ID_AGR");
                 f.AgrFld = I(q, "FLD_ID_AGR");
                 Flds.append(f);
             });
        Rows(Db, Tr,
             QStringLiteral("select D.*, R.FKRULE_NAME from DEP D left join FKRULE R on R.FKRULE_ID = D.FKRULE_ID "
                            "order by D.DEP_ID"),
             [&](const TIBSQL& q) {
                 Deps.append({I(q, "DEP_ID"), I(q, "FLD_ID_PAR"), I(q, "FLD_ID_CHI"), S(q, "FKRULE_NAME"),
                              S(q, "DEP_NAME")});
             });
        Rows(Db, Tr, QStringLiteral("select * from TBL order by TBL_ID"), [&](const TIBSQL& q) {
            Tbls.append({I(q, "TBL_ID"), S(q, "TBL_NAME"), I(q, "OBJ_ID"), I(q, "DEP_ID"), B(q, "TBL_DEFAULT")});
        });
        Rows(Db, Tr, QStringLiteral("select * from CARD order by CARD_ID"), [&](const TIBSQL& q) {
            Cards.append({I(q, "CARD_ID"), S(q, "CARD_NAME"), I(q, "OBJ_ID"), 0, B(q, "CARD_DEFAULT")});
        });
        Rows(Db, Tr, QStringLiteral("select * from DETBOOK order by DETBOOK_ID"), [&](const TIBSQL& q) {
            Books.append({I(q, "DETBOOK_ID"), S(q, "DETBOOK_NAME"), I(q, "OBJ_ID"), 0, B(q, "DETBOOK_DEFAULT")});
        });
        Rows(Db, Tr, QStringLiteral("select * from DETDEP order by DETDEP_ID"),
             [&](const TIBSQL& q) { DetDeps.append({I(q, "DETBOOK_ID"), I(q, "DEP_ID")}); });
        Rows(Db, Tr, QStringLiteral("select * from FLTR order by FLTR_ID"), [&](const TIBSQL& q) {
            TFltrR f;
            f.Id = I(q, "FLTR_ID");
            f.Name = S(q, "FLTR_NAME");
            f.Always = B(q, "FLTR_ALWAYS");
            if (!q.FieldByName(QStringLiteral("FLTR_DEV")).IsNull())
                f.Dev = I(q, "FLTR_DEV");
            f.Tbl = I(q, "TBL_ID");
            f.Dep = I(q, "DEP_ID");
            f.Obj = I(q, "OBJ_ID");
            Fltrs.append(f);
        });
        Rows(Db, Tr, QStringLiteral("select * from TBLTREE order by TBL_ID, TBLTREE_LFT"), [&](const TIBSQL& q) {
            TNodeR n;
            n.Id = I(q, "TBLTREE_ID");
            n.Owner = I(q, "TBL_ID");
            n.Lft = I(q, "TBLTREE_LFT");
            n.Rgt = I(q, "TBLTREE_RGT");
            n.Fld = I(q, "FLD_ID");
            TblTrees[n.Owner].append(n);
        });
        Rows(Db, Tr,
             QStringLiteral("select C.*, K.CTRLTRTP_NAME from CTRLTREE C "
                            "left join CTRLTRTP K on K.CTRLTRTP_ID = C.CTRLTRTP_ID order by C.CARD_ID, C.CTRLTREE_LFT"),
             [&](const TIBSQL& q) {
                 TNodeR n;
                 n.Id = I(q, "CTRLTREE_ID");
                 n.Owner = I(q, "CARD_ID");
                 n.Lft = I(q, "CTRLTREE_LFT");
                 n.Rgt = I(q, "CTRLTREE_RGT");
                 n.Fld = I(q, "FLD_ID");
                 n.Kind = S(q, "CTRLTRTP_NAME");
                 n.Flag = B(q, "CTRLTREE_ROADD");
                 CtrlTrees[n.Owner].append(n);
             });
        Rows(Db, Tr,
             QStringLiteral("select N.*, K.FLTRTRTP_NAME from FLTRTREE N "
                            "left join FLTRTRTP K on K.FLTRTRTP_ID = N.FLTRTRTP_ID order by N.FLTR_ID, N.FLTRTREE_LFT"),
             [&](const TIBSQL& q) {
                 TNodeR n;
                 n.Id = I(q, "FLTRTREE_ID");
                 n.Owner = I(q, "FLTR_ID");
                 n.Lft = I(q, "FLTRTREE_LFT");
                 n.Rgt = I(q, "FLTRTREE_RGT");
                 n.Fld = I(q, "FLD_ID");
                 n.Kind = S(q, "FLTRTRTP_NAME");
                 n.Name = S(q, "FLTRTREE_NAME");
                 n.HasValue = !q.FieldByName(QStringLiteral("FLTRTREE_VALUE")).IsNull();
                 FltrTrees[n.Owner].append(n);
             });
        Rows(Db, Tr,
             QStringLiteral("select N.*, K.FRMLFUNC_NAME from FRMLTREE N "
                            "left join FRMLFUNC K on K.FRMLFUNC_ID = N.FRMLFUNC_ID order by N.FLD_ID, N.FRMLTREE_LFT"),
             [&](const TIBSQL& q) {
                 TNodeR n;
                 n.Id = I(q, "FRMLTREE_ID");
                 n.Owner = I(q, "FLD_ID");
                 n.Lft = I(q, "FRMLTREE_LFT");
                 n.Rgt = I(q, "FRMLTREE_RGT");
                 n.Kind = S(q, "FRMLFUNC_NAME");
                 n.Ref = I(q, "FLD_ID_VALUE");
                 n.Flag = B(q, "FRMLTREE_PATHHAVE");
                 n.HasValue = !q.FieldByName(QStringLiteral("FRMLTREE_VALUE")).IsNull();
                 FrmlTrees[n.Owner].append(n);
             });
        Rows(Db, Tr, QStringLiteral("select * from FLTRTRPT order by FLTRTRPT_ID"),
             [&](const TIBSQL& q) { FltrPaths[I(q, "FLTRTREE_ID")].append(I(q, "FLD_ID")); });
        Rows(Db, Tr, QStringLiteral("select * from FRMLTRPT order by FRMLTRPT_ID"),
             [&](const TIBSQL& q) { FrmlPaths[I(q, "FRMLTREE_ID")].append(I(q, "FLD_ID")); });

        Rows(Db, Tr,
             QStringLiteral("select trim(R.RDB$RELATION_NAME) T, trim(R.RDB$FIELD_NAME) C, trim(R.RDB$FIELD_SOURCE) S, "
                            "F.RDB$FIELD_TYPE TP, coalesce(F.RDB$CHARACTER_LENGTH, 0) L, "
                            "coalesce(R.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) NN, "
                            "case when R.RDB$DEFAULT_SOURCE is not null or F.RDB$DEFAULT_SOURCE is not null "
                            "then 1 else 0 end DF "
                            "from RDB$RELATION_FIELDS R "
                            "join RDB$RELATIONS X on X.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
                            "join RDB$FIELDS F on F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE "
                            "where coalesce(X.RDB$SYSTEM_FLAG, 0) = 0"),
             [&](const TIBSQL& q) {
                 Columns[S(q, "T")][S(q, "C")] = {S(q, "S"), I(q, "TP"), I(q, "L"), B(q, "NN"), B(q, "DF")};
             });
        Rows(Db, Tr, QStringLiteral("select trim(RDB$GENERATOR_NAME) G from RDB$GENERATORS where coalesce(RDB$SYSTEM_FLAG, 0) = 0"),
             [&](const TIBSQL& q) { Generators.insert(S(q, "G")); });
        Rows(Db, Tr,
             QStringLiteral("select trim(C.RDB$RELATION_NAME) T, trim(S.RDB$FIELD_NAME) C, trim(P.RDB$RELATION_NAME) PT, "
                            "trim(SP.RDB$FIELD_NAME) PC, trim(R.RDB$DELETE_RULE) DR "
                            "from RDB$RELATION_CONSTRAINTS C "
                            "join RDB$REF_CONSTRAINTS R on R.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME "
                            "join RDB$RELATION_CONSTRAINTS P on P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
                            "join RDB$INDEX_SEGMENTS S on S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                            "join RDB$INDEX_SEGMENTS SP on SP.RDB$INDEX_NAME = P.RDB$INDEX_NAME "
                            "where C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY'"),
             [&](const TIBSQL& q) {
                 ForeignKeys.insert(S(q, "T") + u'.' + S(q, "C"), S(q, "PT") + u'.' + S(q, "PC") + u' ' + S(q, "DR"));
             });
        Rows(Db, Tr,
             QStringLiteral("select trim(RDB$TRIGGER_NAME) N, trim(RDB$RELATION_NAME) T, RDB$TRIGGER_TYPE TP, "
                            "RDB$TRIGGER_SEQUENCE SQ, coalesce(RDB$TRIGGER_INACTIVE, 0) INA, RDB$TRIGGER_SOURCE SRC "
                            "from RDB$TRIGGERS where coalesce(RDB$SYSTEM_FLAG, 0) = 0"),
             [&](const TIBSQL& q) {
                 Triggers.insert(S(q, "N"), {S(q, "T"), I(q, "TP"), I(q, "SQ"), B(q, "INA"),
                                             q.FieldByName(QStringLiteral("SRC")).AsString()});
             });
        for (const char* t : {"FLDTYPE", "FKRULE", "FRMLFUNC", "CTRLTRTP", "FLTRTRTP"}) {
            const QString table = QLatin1String(t);
            Rows(Db, Tr, QStringLiteral("select %1_NAME N from %1 order by %1_ID").arg(table),
                 [&](const TIBSQL& q) { Codes[table].append(S(q, "N")); });
        }
        Rows(Db, Tr, QStringLiteral("select FRMLFUNC_NAME, FRMLFUNC_CAPT from FRMLFUNC"), [&](const TIBSQL& q) {
            if (S(q, "FRMLFUNC_CAPT").isEmpty())
                FuncCaptions.append(S(q, "FRMLFUNC_NAME"));
        });
        Rows(Db, Tr, QStringLiteral("select USR_LOGIN from USR"), [&](const TIBSQL& q) { Logins.insert(S(q, "USR_LOGIN")); });
    }

    // ------------------------------------------------------------ checks

    void CheckCodes()
    {
        const QHash<QString, QStringList> expected = {
            {"FLDTYPE", kFldTypes},
            {"FKRULE", {"NoAction", "Cascade", "SetNull"}},
            {"FRMLFUNC", {"Add", "Ded", "Mul", "Div", "Rate", "CurD", "CurU", "ParId"}},
            {"CTRLTRTP", {"Root", "PageControl", "TabSheet", "EditStr", "EditInt", "EditNum182", "EditNum183",
                          "EditNum184", "EditObj", "DateEdit", "CheckBox", "Formula"}},
            {"FLTRTRTP", {"And", "Or", "Equal", "Greater", "Less", "Empty", "Containing", "Between", "In", "Exist"}},
        };
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            QStringList have = Codes.value(it.key());
            QStringList want = it.value();
            std::sort(have.begin(), have.end());
            std::sort(want.begin(), want.end());
            if (have != want)
                Problem(QStringLiteral("Таблица кодов %1 содержит [%2] вместо [%3]")
                            .arg(it.key(), Codes.value(it.key()).join(u' '), it.value().join(u' ')));
        }
        for (const QString& f : FuncCaptions)
            Problem(QStringLiteral("У функции формул \"%1\" нет названия").arg(f));
        if (!Logins.contains(QStringLiteral("tormel")))
            Problem(QStringLiteral("Нет пользователя \"tormel\""));
    }

    void CheckObjects()
    {
        QSet<QString> described;
        for (const TObjR& o : Objs) {
            described.insert(o.Table);
            int pks = 0, mains = 0;
            for (const TFldR& f : Flds)
                if (f.Obj == o.Id) {
                    pks += f.Type == QLatin1String("pk");
                    mains += f.Main;
                }
            if (pks != 1)
                Problem(QStringLiteral("У объекта %1 ключевых полей: %2 (нужно одно)").arg(o.Table).arg(pks));
            if (mains > 1)
                Problem(QStringLiteral("У объекта %1 главных полей: %2").arg(o.Table).arg(mains));
            if (!Columns.contains(o.Table)) {
                Problem(QStringLiteral("Объект %1: нет таблицы %1").arg(o.Table));
                continue;
            }
            if (const TFldR* pk = PK(o.Id); pk && !Generators.contains(pk->Field))
                Problem(QStringLiteral("Объект %1: нет последовательности %2").arg(o.Table, pk->Field));
            const QMap<QString, TColR>& cols = Columns[o.Table];
            for (auto c = cols.begin(); c != cols.end(); ++c)
                if (!FldOf(o.Id, c.key()))
                    Problem(QStringLiteral("Колонка %1.%2 не описана полем").arg(o.Table, c.key()));
        }
        for (const TFldR& f : Flds) {
            const QString name = FldName(f.Id);
            if (!Obj(f.Obj)) {
                Problem(QStringLiteral("Поле %1 принадлежит несуществующему объекту").arg(name));
                continue;
            }
            if (!kFldTypes.contains(f.Type))
                Problem(QStringLiteral("Поле %1: неизвестный тип").arg(name));
            if (f.Virt) {
                if (f.Type == QLatin1String("pk"))
                    Problem(QStringLiteral("Ключевое поле %1 помечено виртуальным").arg(name));
                if (Columns.value(ObjName(f.Obj)).contains(f.Field))
                    Problem(QStringLiteral("У виртуального поля %1 есть колонка").arg(name));
                continue;
            }
            if (f.Type == QLatin1String("Formula")) {
                Problem(QStringLiteral("Поле %1 типа Formula не помечено виртуальным").arg(name));
                continue;
            }
            const QMap<QString, TColR> cols = Columns.value(ObjName(f.Obj));
            if (!cols.contains(f.Field)) {
                Problem(QStringLiteral("Поле %1: нет колонки в таблице").arg(name));
                continue;
            }
            const TColR& c = cols[f.Field];
            const QHash<QString, QString> domains = {{"pk", "PK"},         {"fk", "FK"},         {"int", "INTEG"},
                                                     {"boolean", "BOOL"},  {"num182", "NUM182"}, {"num183", "NUM183"},
                                                     {"num184", "NUM184"}, {"date", "DATEONLY"}};
            if (f.Type == QLatin1String("string")) {
                if (c.Type != 37 || c.CharLen != f.Size)
                    Problem(QStringLiteral("Поле %1: колонка не varchar(%2)").arg(name).arg(f.Size));
            } else if (c.Source != domains.value(f.Type)) {
                Problem(QStringLiteral("Поле %1 типа %2: колонка объявлена через %3 вместо %4")
                            .arg(name, f.Type, c.Source, domains.value(f.Type)));
            }
            if (c.NotNull && !f.NotNull && f.Type != QLatin1String("pk"))
                Problem(QStringLiteral("Поле %1: колонка не допускает NULL, а поле не обязательное").arg(name));
            if (f.Def0 && !c.HasDefault)
                Problem(QStringLiteral("Поле %1: у колонки нет значения по умолчанию").arg(name));
        }
    }

    void CheckLinks()
    {
        QSet<QString> names;
        for (const TFldR& f : Flds) {
            if (f.Type != QLatin1String("fk") || f.Virt)
                continue;
            int count = 0;
            for (const TDepR& d : Deps)
                count += d.Chi == f.Id;
            if (count != 1)
                Problem(QStringLiteral("Поле связи %1: связей %2 (нужна одна)").arg(FldName(f.Id)).arg(count));
        }
        for (const TDepR& d : Deps) {
            const TFldR* par = Fld(d.Par);
            const TFldR* chi = Fld(d.Chi);
            if (!par || par->Type != QLatin1String("pk"))
                Problem(QStringLiteral("Связь %1: родитель задан не ключевым полем").arg(d.Id));
            if (!chi || chi->Type != QLatin1String("fk") || chi->Virt) {
                Problem(QStringLiteral("Связь %1: поле связи не хранимое поле типа fk").arg(d.Id));
                continue;
            }
            if (!par)
                continue;
            if (!d.Name.isEmpty()) {
                if (names.contains(d.Name))
                    Problem(QStringLiteral("Имя связи \"%1\" повторяется").arg(d.Name));
                names.insert(d.Name);
            }
            const QString key = ObjName(chi->Obj) + u'.' + chi->Field;
            const QString want = ObjName(par->Obj) + u'.' + par->Field;
            const QString fk = ForeignKeys.value(key);
            if (fk.isEmpty()) {
                Problem(QStringLiteral("Связь %1: нет внешнего ключа в базе").arg(key));
                continue;
            }
            const QHash<QString, QStringList> rules = {
                {"NoAction", {"RESTRICT", "NO ACTION"}}, {"Cascade", {"CASCADE"}}, {"SetNull", {"SET NULL"}}};
            if (fk.section(u' ', 0, 0) != want || !rules.value(d.Rule).contains(fk.section(u' ', 1)))
                Problem(QStringLiteral("Связь %1 (%2, %3): внешний ключ в базе — %4").arg(key, want, d.Rule, fk));
            // A record referring to an object is shown by that object's main field.
            bool main = false;
            for (const TFldR& f : Flds)
                main = main || (f.Obj == par->Obj && f.Main);
            if (!main)
                Problem(QStringLiteral("На объект %1 ссылается %2, но у него нет главного поля").arg(ObjName(par->Obj), key));
        }
    }

    void CheckSums()
    {
        for (const TFldR& f : Flds) {
            if (!f.AgrDep && !f.AgrFld)
                continue;
            const QString name = FldName(f.Id);
            const TDepR* d = Dep(f.AgrDep);
            const TFldR* summed = Fld(f.AgrFld);
            if (!d || !summed) {
                Problem(QStringLiteral("Суммирующее поле %1: не задана связь или суммируемое поле").arg(name));
                continue;
            }
            if (ParentObj(d) != f.Obj)
                Problem(QStringLiteral("Суммирующее поле %1: связь %2 ведёт к другому объекту").arg(name, LinkName(d)));
            if (summed->Obj != ChildObj(d))
                Problem(QStringLiteral("Суммирующее поле %1: поле %2 не принадлежит объекту связи").arg(name, FldName(summed->Id)));
            if (summed->Type != f.Type || !QStringList{"int", "num182", "num183", "num184"}.contains(f.Type))
                Problem(QStringLiteral("Суммирующее поле %1: тип %2 не суммируется полем типа %3").arg(name, summed->Type, f.Type));
            if (f.Virt || f.FrmlHave)
                Problem(QStringLiteral("Суммирующее поле %1 виртуальное или с формулой").arg(name));
            const TFldR* pk = PK(f.Obj);
            const TFldR* fk = Fld(d->Chi);
            if (!pk || !fk)
                continue;
            TAgrFldNames n{f.Field, ObjName(summed->Obj), ObjName(f.Obj), pk->Field, fk->Field, summed->Field};
            const QList<QStringList> statements = AgrTriggersSql(n);
            const char* suffix[] = {"_AI", "_AD", "_AU"};
            const int types[] = {2, 6, 4};  // after insert, after delete, after update
            for (int k = 0; k < 3; ++k) {
                const QString trig = f.Field + QLatin1String(suffix[k]);
                if (!Triggers.contains(trig)) {
                    Problem(QStringLiteral("Суммирующее поле %1: нет триггера %2").arg(name, trig));
                    continue;
                }
                const TTrigR& t = Triggers[trig];
                const QStringList& lines = statements[k];
                const QString body = lines.mid(lines.indexOf(QStringLiteral("AS"))).join(QStringLiteral("\r\n"));
                if (t.Table != n.ChildTable || t.Type != types[k] || t.Seq != 0 || t.Inactive)
                    Problem(QStringLiteral("Суммирующее поле %1: триггер %2 не того вида или не на той таблице").arg(name, trig));
                else if (t.Source.trimmed() != body.trimmed())
                    Problem(QStringLiteral("Суммирующее поле %1: текст триггера %2 отличается от создаваемого конфигуратором")
                                .arg(name, trig));
            }
        }
    }

    void CheckFormulas()
    {
        for (const TFldR& f : Flds)
            if (f.FrmlHave != FrmlTrees.contains(f.Id))
                Problem(QStringLiteral("Поле %1: признак формулы не соответствует её узлам").arg(FldName(f.Id)));
        for (auto it = FrmlTrees.begin(); it != FrmlTrees.end(); ++it) {
            const TFldR* owner = Fld(it.key());
            const QString where = QStringLiteral("Формула поля %1").arg(FldName(it.key()));
            if (!owner)
                continue;
            if (owner->Type == QLatin1String("pk") || owner->Type == QLatin1String("Formula") || owner->AgrDep)
                Problem(QStringLiteral("%1: у такого поля не бывает формулы").arg(where));
            QList<const TNodeR*> nodes;
            for (const TNodeR& n : it.value())
                nodes.append(&n);
            const auto parents = NestedParents(nodes);
            if (!parents) {
                Problem(QStringLiteral("%1: нарушено вложенное множество узлов").arg(where));
                continue;
            }
            QList<int> children(nodes.size(), 0);
            for (int p : *parents)
                if (p >= 0)
                    ++children[p];
            for (int i = 0; i < nodes.size(); ++i) {
                const TNodeR* n = nodes[i];
                const QList<int> path = FrmlPaths.value(n->Id);
                if (!n->Kind.isEmpty()) {
                    if (n->Ref || n->HasValue || !path.isEmpty())
                        Problem(QStringLiteral("%1: узел функции %2 ссылается на поле или значение").arg(where, n->Kind));
                    const int c = children[i];
                    const bool ok = n->Kind == QLatin1String("Rate") ? c == 2
                                    : QStringList{"CurD", "CurU", "ParId"}.contains(n->Kind) ? c == 0
                                                                                            : c >= 2;
                    if (!ok)
                        Problem(QStringLiteral("%1: у функции %2 параметров: %3").arg(where, n->Kind).arg(c));
                    if (n->Kind == QLatin1String("ParId") && i != 0)
                        Problem(QStringLiteral("%1: функция ParId не в корне").arg(where));
                    continue;
                }
                if (children[i] != 0)
                    Problem(QStringLiteral("%1: у поля или константы есть вложенные узлы").arg(where));
                if (n->Ref) {
                    if (n->Flag != !path.isEmpty())
                        Problem(QStringLiteral("%1: признак пути не соответствует шагам пути").arg(where));
                    const int reached = FollowPath(owner->Obj, path, where);
                    const TFldR* ref = Fld(n->Ref);
                    if (reached && (!ref || ref->Obj != reached))
                        Problem(QStringLiteral("%1: поле %2 не принадлежит объекту %3").arg(where, FldName(n->Ref), ObjName(reached)));
                    else if (ref && (ref->Virt || ref->AgrDep))
                        Problem(QStringLiteral("%1: поле %2 виртуальное или суммирующее").arg(where, FldName(n->Ref)));
                } else if (!n->HasValue) {
                    Problem(QStringLiteral("%1: узел без функции, поля и значения").arg(where));
                }
            }
        }
    }

    int ListedObj(const TDefR& AView) const
    {
        return AView.Obj ? AView.Obj : ChildObj(Dep(AView.Dep));
    }

    QString ViewName(const TDefR& AView) const
    {
        return AView.Obj ? QStringLiteral("Представление \"%1\" объекта %2").arg(AView.Name, ObjName(AView.Obj))
                         : QStringLiteral("Представление \"%1\" связи %2")
                               .arg(AView.Name, Dep(AView.Dep) ? LinkName(Dep(AView.Dep)) : QString::number(AView.Dep));
    }

    void CheckViews()
    {
        QSet<QString> seen;
        for (const TDefR& v : Tbls) {
            const QString where = ViewName(v);
            if ((v.Obj != 0) == (v.Dep != 0) || (v.Dep && !Dep(v.Dep)) || (v.Obj && !Obj(v.Obj))) {
                Problem(QStringLiteral("%1: задаётся либо объектом, либо связью").arg(where));
                continue;
            }
            const QString key = QStringLiteral("%1/%2/%3").arg(v.Obj).arg(v.Dep).arg(v.Name);
            if (seen.contains(key))
                Problem(QStringLiteral("%1: имя повторяется").arg(where));
            seen.insert(key);
            const int listed = ListedObj(v);
            QList<const TNodeR*> nodes;
            for (const TNodeR& n : TreeOf(TblTrees, v.Id))
                nodes.append(&n);
            if (nodes.isEmpty()) {
                Problem(QStringLiteral("%1: нет столбцов").arg(where));
                continue;
            }
            const auto parents = NestedParents(nodes);
            if (!parents) {
                Problem(QStringLiteral("%1: нарушено вложенное множество столбцов").arg(where));
                continue;
            }
            const TFldR* pk = PK(listed);
            if (!pk || nodes[0]->Fld != pk->Id)
                Problem(QStringLiteral("%1: корень дерева не ключ объекта %2").arg(where, ObjName(listed)));
            for (int i = 1; i < nodes.size(); ++i) {
                const TFldR* f = Fld(nodes[i]->Fld);
                const TNodeR* parent = nodes[(*parents)[i]];
                int expected = listed;
                if ((*parents)[i] != 0) {
                    const TFldR* pf = Fld(parent->Fld);
                    const TDepR* d = pf ? DepByChild(pf->Id) : nullptr;
                    if (!pf || pf->Type != QLatin1String("fk") || !d) {
                        Problem(QStringLiteral("%1: у столбца %2 есть вложенные столбцы").arg(where, FldName(parent->Fld)));
                        continue;
                    }
                    expected = ParentObj(d);
                }
                if (!f || f->Obj != expected)
                    Problem(QStringLiteral("%1: столбец %2 не поле объекта %3").arg(where, FldName(nodes[i]->Fld), ObjName(expected)));
                else if (f->Virt)
                    Problem(QStringLiteral("%1: столбец %2 виртуальный").arg(where, FldName(f->Id)));
            }
        }
    }

    void CheckCards()
    {
        QSet<QString> seen;
        for (const TDefR& c : Cards) {
            const QString where = QStringLiteral("Карточка \"%1\" объекта %2").arg(c.Name, ObjName(c.Obj));
            const QString key = QStringLiteral("%1/%2").arg(c.Obj).arg(c.Name);
            if (seen.contains(key))
                Problem(QStringLiteral("%1: имя повторяется").arg(where));
            seen.insert(key);
            QList<const TNodeR*> nodes;
            for (const TNodeR& n : TreeOf(CtrlTrees, c.Id))
                nodes.append(&n);
            if (nodes.isEmpty()) {
                Problem(QStringLiteral("%1: нет корня элементов").arg(where));
                continue;
            }
            const auto parents = NestedParents(nodes);
            if (!parents) {
                Problem(QStringLiteral("%1: нарушено вложенное множество элементов").arg(where));
                continue;
            }
            if (nodes[0]->Kind != DbCtrl::Root || nodes[0]->Fld)
                Problem(QStringLiteral("%1: корень не вида Root").arg(where));
            for (int i = 1; i < nodes.size(); ++i) {
                const TNodeR* n = nodes[i];
                const QString& pk = nodes[(*parents)[i]]->Kind;
                const bool field = n->Kind != DbCtrl::Root && n->Kind != DbCtrl::PageControl && n->Kind != DbCtrl::TabSheet;
                const bool placeOk = n->Kind == DbCtrl::TabSheet ? pk == DbCtrl::PageControl
                                                                 : n->Kind != DbCtrl::Root &&
                                                                       (pk == DbCtrl::Root || pk == DbCtrl::TabSheet);
                if (!placeOk)
                    Problem(QStringLiteral("%1: элемент %2 внутри элемента %3").arg(where, n->Kind, pk));
                if (!field) {
                    if (n->Fld)
                        Problem(QStringLiteral("%1: у элемента %2 есть поле").arg(where, n->Kind));
                    continue;
                }
                const TFldR* f = Fld(n->Fld);
                if (!f) {
                    Problem(QStringLiteral("%1: у элемента %2 нет поля").arg(where, n->Kind));
                    continue;
                }
                if (f->Obj != c.Obj)
                    Problem(QStringLiteral("%1: элемент поля %2 принадлежит другому объекту").arg(where, FldName(f->Id)));
                if (kFldTypes.contains(f->Type) && n->Kind != DbCtrlKind(static_cast<TFldType>(kFldTypes.indexOf(f->Type))))
                    Problem(QStringLiteral("%1: поле %2 типа %3 показано элементом %4").arg(where, FldName(f->Id), f->Type, n->Kind));
            }
        }
    }

    void CheckDetBooks()
    {
        for (const auto& [book, dep] : DetDeps) {
            const TDefR* b = nullptr;
            for (const TDefR& x : Books)
                if (x.Id == book)
                    b = &x;
            const TDepR* d = Dep(dep);
            if (!b || !d)
                continue;
            const QString where = QStringLiteral("Набор деталей \"%1\" объекта %2").arg(b->Name, ObjName(b->Obj));
            if (ParentObj(d) != b->Obj)
                Problem(QStringLiteral("%1: связь %2 ведёт к другому объекту").arg(where, LinkName(d)));
            bool view = false;
            for (const TDefR& v : Tbls)
                view = view || (v.Dep == dep && v.Default);
            if (!view)
                Problem(QStringLiteral("%1: у связи %2 нет представления по умолчанию").arg(where, LinkName(d)));
        }
    }

    void CheckFilters()
    {
        for (const TFltrR& f : Fltrs) {
            const QString where = QStringLiteral("Фильтр \"%1\"").arg(f.Name);
            const int attached = (f.Tbl != 0) + (f.Dep != 0) + (f.Obj != 0);
            if (attached != 1) {
                Problem(QStringLiteral("%1: прикреплён не к одному представлению, связи или объекту").arg(where));
                continue;
            }
            int listed = f.Obj;
            if (f.Dep)
                listed = ChildObj(Dep(f.Dep));
            for (const TDefR& v : Tbls)
                if (v.Id == f.Tbl)
                    listed = ListedObj(v);
            QList<const TNodeR*> nodes;
            for (const TNodeR& n : TreeOf(FltrTrees, f.Id))
                nodes.append(&n);
            if (nodes.isEmpty())
                continue;
            const auto parents = NestedParents(nodes);
            if (!parents) {
                Problem(QStringLiteral("%1: нарушено вложенное множество узлов").arg(where));
                continue;
            }
            QList<int> children(nodes.size(), 0);
            for (int p : *parents)
                if (p >= 0)
                    ++children[p];
            for (int i = 0; i < nodes.size(); ++i) {
                const TNodeR* n = nodes[i];
                const bool group = n->Kind == QLatin1String("And") || n->Kind == QLatin1String("Or");
                if (group != (n->Fld == 0) || group != (children[i] > 0)) {
                    Problem(QStringLiteral("%1: узел %2 %3").arg(where, n->Kind,
                                                                 group ? QStringLiteral("должен объединять условия без поля")
                                                                       : QStringLiteral("должен сравнивать поле без вложенных узлов")));
                    continue;
                }
                if (group)
                    continue;
                const int reached = FollowPath(listed, FltrPaths.value(n->Id), where);
                const TFldR* fld = Fld(n->Fld);
                if (reached && (!fld || fld->Obj != reached))
                    Problem(QStringLiteral("%1: поле %2 не принадлежит объекту %3").arg(where, FldName(n->Fld), ObjName(reached)));
            }
        }
    }

    // --------------------------------------------------- required names

    const TDepR* LinkOf(const QString& AChildTable, const QString& AField)
    {
        const TFldR* f = FldOf(AChildTable, AField);
        return f ? DepByChild(f->Id) : nullptr;
    }

    const TDefR* View(const QString& AName, int AObj, int ADep)
    {
        for (const TDefR& v : Tbls)
            if (v.Name == AName && v.Obj == AObj && v.Dep == ADep)
                return &v;
        return nullptr;
    }

    const TDefR* Card(const QString& AName, int AObj)
    {
        for (const TDefR& c : Cards)
            if (c.Name == AName && c.Obj == AObj)
                return &c;
        return nullptr;
    }

    // The control of a field on a card; nullptr when the card does not show it.
    const TNodeR* Ctrl(const TDefR* ACard, const TFldR* AFld)
    {
        if (!ACard || !AFld)
            return nullptr;
        for (const TNodeR& n : TreeOf(CtrlTrees, ACard->Id))
            if (n.Fld == AFld->Id)
                return &n;
        return nullptr;
    }

    // First-level columns of a view (children of the root).
    QList<int> TopColumns(const TDefR* AView)
    {
        QList<int> result;
        const QList<TNodeR>& nodes = TreeOf(TblTrees, AView->Id);
        if (nodes.isEmpty())
            return result;
        int next = nodes[0].Lft + 1;
        for (const TNodeR& n : nodes)
            if (n.Lft == next) {
                result.append(n.Fld);
                next = n.Rgt + 1;
            }
        return result;
    }

    void CheckRequired()
    {
        QStringList tables = {"OBJ", "FLD", "DEP", "TBL", "TBLTREE", "CARD", "CTRLTREE", "DETBOOK", "DETDEP",
                              "FRMLTREE", "FRMLFUNC", "FLDTYPE", "FKRULE"};
        if (Options.Sales)
            tables += {"DEAL", "PRODPAYM", "PRODSHIP"};
        for (const QString& t : tables)
            if (!ObjByTable(t))
                Problem(QStringLiteral("Нет объекта с таблицей %1").arg(t));

        // Links the configurator follows.
        const QList<QPair<QString, QString>> links = {{"FLD", "OBJ_ID"},  {"CARD", "OBJ_ID"},     {"TBL", "OBJ_ID"},
                                                      {"DETBOOK", "OBJ_ID"}, {"TBL", "DEP_ID"},    {"DEP", "FLD_ID_PAR"},
                                                      {"DEP", "FLD_ID_CHI"}};
        const QHash<QString, QString> parents = {{"OBJ_ID", "OBJ"}, {"DEP_ID", "DEP"}, {"FLD_ID_PAR", "FLD"}, {"FLD_ID_CHI", "FLD"}};
        for (const auto& [table, field] : links) {
            const TDepR* d = LinkOf(table, field);
            if (!d || ObjName(ParentObj(d)) != parents.value(field))
                Problem(QStringLiteral("Нет связи %1.%2 с объектом %3").arg(table, field, parents.value(field)));
        }
        // The configurator takes the first link of OBJ (or DEP) to a child
        // table, so each of these must be the only one.
        for (const auto& [parent, child] : QList<QPair<QString, QString>>{
                 {"OBJ", "FLD"}, {"OBJ", "CARD"}, {"OBJ", "TBL"}, {"OBJ", "DETBOOK"}, {"DEP", "TBL"}}) {
            int count = 0;
            for (const TDepR& d : Deps)
                count += ObjName(ParentObj(&d)) == parent && ObjName(ChildObj(&d)) == child;
            if (count > 1)
                Problem(QStringLiteral("Связей %1 → %2 несколько; конфигуратор возьмёт первую").arg(parent, child));
        }

        struct TViewReq {
            const char* Name;
            const char* Table;  // object view of this table, or
            const char* Link;   // a view of this link (CHILD.FIELD)
        };
        const TViewReq views[] = {
            {"Obj", "OBJ", nullptr},           {"Fld", nullptr, "FLD.OBJ_ID"},     {"ChildLink", nullptr, "DEP.FLD_ID_PAR"},
            {"ParentLink", nullptr, "DEP.FLD_ID_CHI"}, {"Tbl", nullptr, "TBL.OBJ_ID"}, {"Tbl", nullptr, "TBL.DEP_ID"},
            {"Card", nullptr, "CARD.OBJ_ID"},  {"DetBook", nullptr, "DETBOOK.OBJ_ID"}, {"AgrLink", "DEP", nullptr},
            {"AgrFld", "FLD", nullptr},
        };
        for (const TViewReq& r : views) {
            int obj = 0, dep = 0;
            if (r.Table) {
                const TObjR* o = ObjByTable(QLatin1String(r.Table));
                obj = o ? o->Id : -1;
            } else {
                const QString ref = QLatin1String(r.Link);
                const TDepR* d = LinkOf(ref.section(u'.', 0, 0), ref.section(u'.', 1));
                dep = d ? d->Id : -1;
            }
            if (!View(QLatin1String(r.Name), obj, dep))
                Problem(QStringLiteral("Нет представления \"%1\" %2").arg(QLatin1String(r.Name),
                                                                          r.Table ? QStringLiteral("объекта %1").arg(QLatin1String(r.Table))
                                                                                  : QStringLiteral("связи %1").arg(QLatin1String(r.Link))));
        }

        struct TCardReq {
            const char* Name;
            const char* Table;
            QStringList Fields;
        };
        const TCardReq cards[] = {
            {"Obj", "OBJ", {}},
            {"Fld", "FLD", {"FLDTYPE_ID", "FLD_SIZE", "OBJ_ID_V", "FKRULE_ID_V", "DEP_ID_AGR", "FLD_ID_AGR", "FLD_FRML_V"}},
            {"ChildObj", "DEP", {"OBJ_ID_V"}},
            {"Tbl", "TBL", {}},
            {"Card", "CARD", {}},
            {"DetBook", "DETBOOK", {}},
            {"Value", "FRMLTREE", {"FRMLTREE_VALUE"}},
        };
        for (const TCardReq& r : cards) {
            const TObjR* o = ObjByTable(QLatin1String(r.Table));
            const TDefR* c = o ? Card(QLatin1String(r.Name), o->Id) : nullptr;
            if (!c) {
                Problem(QStringLiteral("Нет карточки \"%1\" объекта %2").arg(QLatin1String(r.Name), QLatin1String(r.Table)));
                continue;
            }
            for (const QString& f : r.Fields)
                if (!Ctrl(c, FldOf(o->Id, f)))
                    Problem(QStringLiteral("На карточке \"%1\" нет поля %2").arg(QLatin1String(r.Name), f));
        }

        // The pickers' filters: attached to their views, always on, in both modes.
        struct TFltrReq {
            const char* Name;
            const char* Table;
            QList<QPair<QString, QString>> Nodes;  // node name (empty: the root) -> compared field
        };
        const TFltrReq filters[] = {
            {"AgrLink", "DEP", {{"", "FLD_ID_PAR"}}},
            {"AgrFld", "FLD", {{"Obj", "OBJ_ID"}, {"Type", "FLDTYPE_ID"}}},
        };
        for (const TFltrReq& r : filters) {
            const TObjR* o = ObjByTable(QLatin1String(r.Table));
            const TDefR* v = o ? View(QLatin1String(r.Name), o->Id, 0) : nullptr;
            const TFltrR* f = nullptr;
            for (const TFltrR& x : Fltrs)
                if (x.Name == QLatin1String(r.Name) && v && x.Tbl == v->Id)
                    f = &x;
            if (!f) {
                Problem(QStringLiteral("Нет фильтра \"%1\" у представления \"%1\"").arg(QLatin1String(r.Name)));
                continue;
            }
            if (!f->Always || !f->Dev || *f->Dev != 0)
                Problem(QStringLiteral("Фильтр \"%1\" должен применяться всегда и в обоих режимах").arg(f->Name));
            const QList<TNodeR>& nodes = TreeOf(FltrTrees, f->Id);
            for (const auto& [name, field] : r.Nodes) {
                const TNodeR* n = nullptr;
                for (const TNodeR& x : nodes)
                    if (name.isEmpty() ? x.Lft == 1 : x.Name == name)
                        n = &x;
                const TFldR* want = FldOf(o->Id, field);
                if (!n || n->Kind != QLatin1String("Equal") || !want || n->Fld != want->Id ||
                    !FltrPaths.value(n->Id).isEmpty())
                    Problem(QStringLiteral("Фильтр \"%1\": нет узла %2, сравнивающего поле %3.%4")
                                .arg(f->Name, name.isEmpty() ? QStringLiteral("в корне") : u'"' + name + u'"', QLatin1String(r.Table), field));
            }
        }

        // Every object opens from the Data menu: a default view and a default card.
        for (const TObjR& o : Objs) {
            bool view = false, card = false;
            for (const TDefR& v : Tbls)
                view = view || (v.Obj == o.Id && v.Default);
            for (const TDefR& c : Cards)
                card = card || (c.Obj == o.Id && c.Default);
            if (!view)
                Problem(QStringLiteral("У объекта %1 нет представления по умолчанию").arg(o.Table));
            if (!card)
                Problem(QStringLiteral("У объекта %1 нет карточки по умолчанию").arg(o.Table));
        }

        if (Options.Sales)
            CheckSales();
    }

    void CheckSales()
    {
        const TObjR* deal = ObjByTable(QStringLiteral("DEAL"));
        if (!deal)
            return;
        auto child = [&](const QString& AName) -> const TDepR* {
            for (const TDepR& d : Deps)
                if (d.Name == AName && ParentObj(&d) == deal->Id)
                    return &d;
            Problem(QStringLiteral("У сделки нет связи \"%1\"").arg(AName));
            return nullptr;
        };
        auto need = [&](int AObj, const QString& AField, const QString& AType) -> const TFldR* {
            const TFldR* f = FldOf(AObj, AField);
            if (!f || f->Virt || (!AType.isEmpty() && f->Type != AType)) {
                Problem(QStringLiteral("У объекта %1 нет поля %2").arg(ObjName(AObj), AField));
                return nullptr;
            }
            return f;
        };
        auto sums = [&](const TFldR* AFld, const QString& ATable, const QString& ASummed) {
            const TFldR* summed = Fld(AFld ? AFld->AgrFld : 0);
            if (AFld && (!summed || ObjName(summed->Obj) != ATable || summed->Field != ASummed))
                Problem(QStringLiteral("Поле %1 должно суммировать %2.%3").arg(FldName(AFld->Id), ATable, ASummed));
        };
        const TDepR* prod = child(QStringLiteral("DealProd"));
        const TDepR* paym = child(QStringLiteral("DealPaym"));
        const TDepR* ship = child(QStringLiteral("DealShip"));
        if (prod) {
            const int p = ChildObj(prod);
            need(p, QStringLiteral("DEALPROD_ID"), QStringLiteral("pk"));
            const TFldR* pay = need(p, QStringLiteral("DEALPROD_PAY"), {});
            const TFldR* paid = need(p, QStringLiteral("DEALPROD_PAID"), {});
            const TFldR* sh = need(p, QStringLiteral("DEALPROD_SHIP"), {});
            const TFldR* shpd = need(p, QStringLiteral("DEALPROD_SHPD"), {});
            sums(paid, QStringLiteral("PRODPAYM"), QStringLiteral("PRODPAYM_SUM"));
            sums(shpd, QStringLiteral("PRODSHIP"), QStringLiteral("PRODSHIP_CNT"));
            const TDefR* view = nullptr;
            for (const TDefR& v : Tbls)
                if (v.Dep == prod->Id && v.Default)
                    view = &v;
            if (!view) {
                Problem(QStringLiteral("Нет представления по умолчанию связи \"DealProd\""));
            } else {
                const QList<int> top = TopColumns(view);
                for (const TFldR* f : {pay, paid, sh, shpd})
                    if (f && !top.contains(f->Id))
                        Problem(QStringLiteral("В представлении связи \"DealProd\" нет столбца %1").arg(f->Field));
            }
        }
        if (paym) {
            const int p = ChildObj(paym);
            const TFldR* sum = need(p, QStringLiteral("DEALPAYM_SUM"), {});
            const TDefR* card = nullptr;
            for (const TDefR& c : Cards)
                if (c.Obj == p && c.Default)
                    card = &c;
            const TNodeR* ctrl = Ctrl(card, sum);
            if (!ctrl || ctrl->Flag)
                Problem(QStringLiteral("На карточке платежа нет поля DEALPAYM_SUM, доступного при добавлении"));
            const TDepR* share = nullptr;
            for (const TDepR& d : Deps)
                if (d.Name == QLatin1String("Paym-ProdPaym"))
                    share = &d;
            if (!share || ParentObj(share) != p || ObjName(ChildObj(share)) != QLatin1String("PRODPAYM"))
                Problem(QStringLiteral("Нет связи \"Paym-ProdPaym\" от платежа к PRODPAYM"));
        }
        if (ship) {
            const TDepR* share = nullptr;
            for (const TDepR& d : Deps)
                if (d.Name == QLatin1String("Ship-ProdShip"))
                    share = &d;
            if (!share || ParentObj(share) != ChildObj(ship) || ObjName(ChildObj(share)) != QLatin1String("PRODSHIP"))
                Problem(QStringLiteral("Нет связи \"Ship-ProdShip\" от отгрузки к PRODSHIP"));
        }
        if (const TObjR* o = ObjByTable(QStringLiteral("PRODPAYM"))) {
            need(o->Id, QStringLiteral("PRODPAYM_ID"), QStringLiteral("pk"));
            need(o->Id, QStringLiteral("DEALPROD_ID"), QStringLiteral("fk"));
            need(o->Id, QStringLiteral("PRODPAYM_SUM"), {});
        }
        if (const TObjR* o = ObjByTable(QStringLiteral("PRODSHIP"))) {
            need(o->Id, QStringLiteral("PRODSHIP_ID"), QStringLiteral("pk"));
            need(o->Id, QStringLiteral("DEALPROD_ID"), QStringLiteral("fk"));
            need(o->Id, QStringLiteral("PRODSHIP_CNT"), {});
        }
    }
};

}  // namespace

QStringList CheckCatalogue(TIBDatabase* ADatabase, TIBTransaction* ATransaction, const TDbCheckOptions& AOptions)
{
    return TChecker(ADatabase, ATransaction, AOptions).Run();
}
