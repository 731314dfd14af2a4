#include "Ddl.h"

#include "core/SysUtils.h"

namespace {

QString S(const char* AText)
{
    return QString::fromUtf8(AText);
}

QString F(const char* AFormat, const QList<Variant>& AArgs)
{
    return Format(QString::fromUtf8(AFormat), AArgs);
}

QStringList Lines(const QString& AText)
{
    return AText.split(u'\r');
}

TFld* PKFldOf(const TObj* AObj)
{
    TFld* pk = AObj && AObj->FldList ? AObj->FldList->GetPKFld() : nullptr;
    if (!pk)
        throw Exception(Format(QStringLiteral("У объекта \"%s\" нет поля первичного ключа"),
                               {AObj ? AObj->Capt : QString()}));
    return pk;
}

}  // namespace

QList<QStringList> CreateTableSql(const QString& ATable, const QString& APKField)
{
    return {
        {F("create table %s (%s PK NOT NULL)", {ATable, APKField})},
        {F("alter table %s add constraint PK_%s primary key (%1:s)", {ATable, APKField})},
        {F("create sequence %s", {APKField})},
    };
}

QList<QStringList> DropTableSql(const QString& ATable, const QString& APKField, int AObjId)
{
    return {
        {F("drop table %s", {ATable})},
        {F("drop sequence %s", {APKField})},
        {F("delete from OBJ where OBJ_ID = %d", {AObjId})},
    };
}

QStringList CreateIndexSql(const QString& ATable, const QStringList& AFields)
{
    QString name = S("UN_");
    QString columns;
    for (int i = 0; i < AFields.size(); ++i) {
        if (i > 0) {
            name += u'_';
            columns += u',';
        }
        name += AFields[i];
        columns += AFields[i];
    }
    return {S("alter table ") + ATable, S("add constraint ") + name, F("unique (%s)", {columns})};
}

QList<QStringList> CreateFieldSql(const QString& ATable, const QString& AField, TFldType AFldType, int ASize,
                                  bool ANotNull, bool ADef0)
{
    const QString n = ANotNull ? S("not null") : QString();
    const QString d = ADef0 ? S("DEFAULT 0") : QString();
    switch (AFldType) {
    case ftPK:
        return {};
    case ftString:
        return {{F("alter table %s add %s varchar(%d) character set UTF8 %s collate UNICODE_CI",
                   {ATable, AField, ASize, n})}};
    case ftFK:
        return {{F("alter table %s add %s FK %s", {ATable, AField, n})}};
    case ftInt:
        return {{F("alter table %s add %s INTEG %s %s", {ATable, AField, d, n})}};
    case ftBoolean:
        return {{F("alter table %s add %s BOOL %s %s", {ATable, AField, d, n})}};
    case ftNum182:
        return {{F("alter table %s add %s NUM182 %s %s", {ATable, AField, d, n})}};
    case ftNum183:
        return {{F("alter table %s add %s NUM183 %s %s", {ATable, AField, d, n})}};
    case ftNum184:
        return {{F("alter table %s add %s NUM184 %s %s", {ATable, AField, d, n})}};
    case ftDate:
        return {{F("alter table %s add %s DATEONLY %s", {ATable, AField, n})}};
    default:
        throw Exception(F("Неизвестный тип поля %d", {int(AFldType)}));
    }
}

QList<QStringList> CreateFieldSql(const TFld* AFld)
{
    return CreateFieldSql(AFld->Obj->Table, AFld->Field, AFld->FldType, AFld->Size, AFld->NotNull, AFld->Def0);
}

QList<QStringList> AgrTriggersSql(const TAgrFldNames& A)
{
    const QStringList insert = {
        F("CREATE trigger %s_AI for %s", {A.Field, A.ChildTable}),
        S("active after insert position 0"),
        S("AS"),
        S("begin"),
        F("  if (NEW.%s <> 0) then", {A.Summed}),
        F("    update %s T", {A.ParentTable}),
        F("    set T.%s = T.%s + NEW.%s", {A.Field, A.Field, A.Summed}),
        F("    where T.%s = NEW.%s;", {A.ParentPK, A.ChildFK}),
        S("end"),
    };
    const QStringList remove = {
        F("CREATE trigger %s_AD for %s", {A.Field, A.ChildTable}),
        S("active after delete position 0"),
        S("AS"),
        S("begin"),
        F("  if (OLD.%s <> 0) then", {A.Summed}),
        F("    update %s T", {A.ParentTable}),
        F("    set T.%s = T.%s - OLD.%s", {A.Field, A.Field, A.Summed}),
        F("    where T.%s = OLD.%s;", {A.ParentPK, A.ChildFK}),
        S("end"),
    };
    const QStringList update = {
        F("CREATE trigger %s_AU for %s", {A.Field, A.ChildTable}),
        S("active after update position 0"),
        S("AS"),
        S("begin"),
        F("  if (NEW.%s = OLD.%s) then", {A.ChildFK, A.ChildFK}),
        F("    if (NEW.%s <> OLD.%s) then", {A.Summed, A.Summed}),
        F("      update %s T", {A.ParentTable}),
        F("      set T.%s = T.%s + NEW.%s - OLD.%s", {A.Field, A.Field, A.Summed, A.Summed}),
        F("      where T.%s = NEW.%s;", {A.ParentPK, A.ChildFK}),
        S("    else"),
        S("    begin"),
        S("    end"),
        S("  else"),
        S("    begin"),
        F("      if (OLD.%s <> 0) then", {A.Summed}),
        F("        update %s T", {A.ParentTable}),
        F("        set T.%s = T.%s - OLD.%s", {A.Field, A.Field, A.Summed}),
        F("        where T.%s = OLD.%s;", {A.ParentPK, A.ChildFK}),
        F("      if (NEW.%s <> 0) then", {A.Summed}),
        F("        update %s T", {A.ParentTable}),
        F("        set T.%s = T.%s + NEW.%s", {A.Field, A.Field, A.Summed}),
        F("        where T.%s = NEW.%s;", {A.ParentPK, A.ChildFK}),
        S("    end"),
        S("end"),
    };
    return {insert, remove, update};
}

QStringList ReCalcAgrFldSql(const TAgrFldNames& A)
{
    return {
        F("update %s T1", {A.ParentTable}),
        F("set T1.%s = (", {A.Field}),
        F("  select sum(T2.%s)", {A.Summed}),
        F("  from %s T2", {A.ChildTable}),
        F("  where T2.%s = T1.%s)", {A.ChildFK, A.ParentPK}),
        S("where"),
        S("exists ("),
        S("  select *"),
        F("  from %s T2", {A.ChildTable}),
        F("  where T2.%s = T1.%s)", {A.ChildFK, A.ParentPK}),
    };
}

TAgrFldNames AgrFldNames(const TFld* AFld)
{
    if (!AFld->AgrObjLink || !AFld->AgrFld || !AFld->AgrObjLink->ChildFld)
        throw Exception(Format(QStringLiteral("Поле \"%s\" не является суммирующим"), {AFld->Capt}));
    TAgrFldNames n;
    n.Field = AFld->Field;
    n.ChildTable = AFld->AgrFld->Obj->Table;
    n.ParentTable = AFld->Obj->Table;
    n.ParentPK = PKFldOf(AFld->Obj)->Field;
    n.ChildFK = AFld->AgrObjLink->ChildFld->Field;
    n.Summed = AFld->AgrFld->Field;
    return n;
}

QList<QStringList> DropFieldSql(const QString& ATable, const QString& AField, TFldType AFldType, bool AVirt,
                                bool AAgr, int AFldId)
{
    if (AFldType < ftString || AFldType > ftDate)
        throw Exception(F("Неизвестный тип поля \"%d\"", {int(AFldType)}));
    QList<QStringList> result;
    if (AAgr) {
        result.append({F("drop trigger %s_AI", {AField})});
        result.append({F("drop trigger %s_AD", {AField})});
        result.append({F("drop trigger %s_AU", {AField})});
    }
    if (!AVirt)
        result.append({F("alter table %s drop %s", {ATable, AField})});
    result.append({F("delete from FLD where FLD_ID = %d", {AFldId})});
    return result;
}

QList<QStringList> DropFieldSql(const TFld* AFld)
{
    return DropFieldSql(AFld->Obj->Table, AFld->Field, AFld->FldType, AFld->Virt, AFld->AgrObjLink != nullptr,
                        AFld->Id);
}

QStringList CreateLinkSql(const QString& AChildTable, const QString& AParentTable, const QString& AChildField,
                          const QString& AParentPK, TFKRule ADeleteRule)
{
    return Lines(F("alter table %0:s add constraint FK_%0:s_%2:s\rforeign key (%2:s) references %1:s(%3:s)\r"
                   "on delete %s on update CASCADE",
                   {AChildTable, AParentTable, AChildField, AParentPK, FKRuleSql[ADeleteRule]}));
}

QStringList CreateLinkSql(const TObjLink* ALink)
{
    return CreateLinkSql(ALink->ChildFld->Obj->Table, ALink->ParentObj->Table, ALink->ChildFld->Field,
                         PKFldOf(ALink->ParentObj)->Field, ALink->DeleteRule);
}
