#include "DbCatalogueWriter.h"

#include "core/IBX.h"
#include "core/SysUtils.h"
#include "meta/Ddl.h"
#include "meta/Formula.h"

#include <QStringList>

namespace {

Variant Null()
{
    return Variant::Null();
}

Variant Bool(bool AValue)
{
    return Variant(AValue ? 1 : 0);
}

Variant IdOrNull(int AId)
{
    return AId ? Variant(AId) : Variant::Null();
}

Variant TextOrNull(const QString& AText)
{
    return AText.isEmpty() ? Variant::Null() : Variant(AText);
}

bool IsFieldCtrl(const QString& AKind)
{
    return AKind != DbCtrl::Root && AKind != DbCtrl::PageControl && AKind != DbCtrl::TabSheet;
}

}  // namespace

TDbCatalogueWriter::TDbCatalogueWriter(TIBDatabase* ADatabase, TIBTransaction* ATransaction)
    : FDatabase(ADatabase), FTransaction(ATransaction)
{
}

TDbCatalogueWriter::~TDbCatalogueWriter() = default;

void TDbCatalogueWriter::Exec(const QStringList& ALines)
{
    TIBSQL q(FDatabase, FTransaction);
    q.SQL = ALines;
    q.ExecQuery();
    q.Close();
}

int TDbCatalogueWriter::Lookup(const QString& ASql)
{
    TIBSQL q(FDatabase, FTransaction);
    q.SQL = QStringList{ASql};
    q.ExecQuery();
    if (q.Eof())
        throw Exception(QStringLiteral("Нет строки: %1").arg(ASql));
    const int result = q.Fields(0).AsInteger();
    q.Close();
    return result;
}

int TDbCatalogueWriter::Insert(const QString& ATable, const QList<QPair<QString, Variant>>& AColumns)
{
    const QString key = ATable + QStringLiteral("_ID");
    QStringList names;
    for (const auto& c : AColumns)
        names.append(c.first);
    const QString cacheKey = ATable + u':' + names.join(u',');
    std::shared_ptr<TIBSQL>& ins = FStatements[cacheKey];
    if (!ins) {
        ins = std::make_shared<TIBSQL>(FDatabase, FTransaction);
        QStringList params;
        for (const QString& n : names)
            params.append(u':' + n);
        ins->SQL = QStringList{
            QStringLiteral("insert into %1 (%2%3%4)").arg(ATable, key, names.isEmpty() ? QString() : QStringLiteral(", "),
                                                        names.join(QStringLiteral(", "))),
            QStringLiteral("values (:%1%2%3)").arg(key, names.isEmpty() ? QString() : QStringLiteral(", "),
                                                   params.join(QStringLiteral(", ")))};
    }
    std::shared_ptr<TIBSQL>& gen = FStatements[QStringLiteral("gen:") + key];
    if (!gen) {
        gen = std::make_shared<TIBSQL>(FDatabase, FTransaction);
        gen->SQL = QStringList{QStringLiteral("select gen_id(%1, 1) from RDB$DATABASE").arg(key)};
    }
    gen->ExecQuery();
    const int id = gen->Fields(0).AsInteger();
    gen->Close();
    ins->ParamByName(key).SetAsInteger(id);
    for (const auto& c : AColumns)
        ins->ParamByName(c.first).SetAsVariant(c.second);
    try {
        ins->ExecQuery();
    } catch (const Exception& e) {
        QStringList values;
        for (const auto& c : AColumns)
            values.append(c.first + u'=' + (c.second.IsNull() ? QStringLiteral("NULL") : c.second.AsText()));
        throw Exception(QStringLiteral("Не удалось добавить строку в %1 (%2):\n%3")
                            .arg(ATable, values.join(QStringLiteral(", ")), e.Message()));
    }
    ins->Close();
    return id;
}

int TDbCatalogueWriter::Code(const QString& ATable, const QString& AName)
{
    const QString key = ATable + u':' + AName;
    auto it = FCodes.constFind(key);
    if (it != FCodes.constEnd())
        return it.value();
    TIBSQL q(FDatabase, FTransaction);
    q.SQL = QStringList{QStringLiteral("select %1_ID from %1 where %1_NAME = :N").arg(ATable)};
    q.ParamByName(QStringLiteral("N")).SetAsString(AName);
    q.ExecQuery();
    if (q.Eof())
        throw Exception(QStringLiteral("В таблице %1 нет строки \"%2\"").arg(ATable, AName));
    const int id = q.Fields(0).AsInteger();
    q.Close();
    FCodes.insert(key, id);
    return id;
}

int TDbCatalogueWriter::UserId(const QString& ALogin)
{
    auto it = FUsers.constFind(ALogin);
    if (it != FUsers.constEnd())
        return it.value();
    TIBSQL q(FDatabase, FTransaction);
    q.SQL = QStringList{QStringLiteral("select USR_ID from USR where USR_LOGIN = :L")};
    q.ParamByName(QStringLiteral("L")).SetAsString(ALogin);
    q.ExecQuery();
    if (q.Eof())
        throw Exception(QStringLiteral("Пользователь \"%1\" не найден").arg(ALogin));
    const int id = q.Fields(0).AsInteger();
    q.Close();
    FUsers.insert(ALogin, id);
    return id;
}

// ------------------------------------------------------------------ tables

void TDbCatalogueWriter::CreateTables(const TDbCatalogue& ACat, const std::function<void(const QString&)>& ALog)
{
    int count = 0;
    auto run = [&](const QStringList& ALines) {
        try {
            Exec(ALines);
            FTransaction->Commit();
        } catch (const Exception& e) {
            if (FTransaction->InTransaction())
                FTransaction->Rollback();
            throw Exception(QStringLiteral("Не выполнен оператор:\n%1\n%2").arg(ALines.join(u'\n'), e.Message()));
        }
        FTransaction->StartTransaction();
        ++count;
    };
    QList<TObj*> created;
    for (const auto& o : ACat.Objs)
        if (ACat.IsNew(o.get()))
            created.append(o.get());
    if (created.isEmpty())
        return;
    if (!FTransaction->InTransaction())
        FTransaction->StartTransaction();

    for (TObj* o : created)
        for (const QStringList& s : CreateTableSql(o->Table, o->FldList->GetPKFld()->Field))
            run(s);
    for (TObj* o : created)
        for (TFld* f : *o->FldList)
            if (!f->Virt)
                for (const QStringList& s : CreateFieldSql(f))
                    run(s);
    for (TObjLink* l : ACat.Links())
        if (ACat.IsNew(l->ChildFld->Obj))
            run(CreateLinkSql(l));
    for (TObj* o : created)
        for (TFld* f : *o->FldList)
            if (f->AgrObjLink)
                for (const QStringList& s : AgrTriggersSql(AgrFldNames(f)))
                    run(s);
    if (ALog)
        ALog(QStringLiteral("Созданы таблицы объектов: %1 (операторов: %2)").arg(created.size()).arg(count));
}

// -------------------------------------------------------------------- rows

void TDbCatalogueWriter::WriteRows(TDbCatalogue& ACat, const std::function<void(const QString&)>& ALog)
{
    for (const TDbUser& u : ACat.Users)
        FUsers.insert(u.Login, Insert(QStringLiteral("USR"), {{"USR_LOGIN", u.Login}, {"USR_NAME", TextOrNull(u.Name)}}));

    for (const auto& o : ACat.Objs) {
        o->Id = Insert(QStringLiteral("OBJ"), {{"OBJ_TABLE", o->Table},
                                               {"OBJ_CAPT", o->Capt},
                                               {"OBJ_CAPT2", o->Capt2},
                                               {"OBJ_REF", Bool(o->Ref)},
                                               {"OBJ_META", Bool(o->Meta)},
                                               {"OBJ_SYS", Bool(o->Sys)}});
        for (TFld* f : *o->FldList) {
            f->Id = Insert(QStringLiteral("FLD"),
                           {{"OBJ_ID", o->Id},
                            {"FLD_FIELD", f->Field},
                            {"FLDTYPE_ID", Code(QStringLiteral("FLDTYPE"), FldTypeTable[f->FldType].Name)},
                            {"FLD_SIZE", f->FldType == ftString ? f->Size : 0},
                            {"FLD_NOTNULL", Bool(f->NotNull)},
                            {"FLD_CAPT", f->Capt},
                            {"FLD_MAIN", Bool(f->Main)},
                            {"FLD_VIRT", Bool(f->Virt)},
                            {"FLD_SYS", Bool(f->Sys)},
                            {"FLD_FRMLHAVE", Bool(f->FormulaHave)},
                            {"FLD_DEF0", Bool(f->Def0)}});
        }
    }
    const QList<TObjLink*> links = ACat.Links();
    for (TObjLink* l : links) {
        l->Id = Insert(QStringLiteral("DEP"),
                       {{"FLD_ID_PAR", l->ParentObj->FldList->GetPKFld()->Id},
                        {"FLD_ID_CHI", l->ChildFld->Id},
                        {"FKRULE_ID", Code(QStringLiteral("FKRULE"), FKRuleTable[l->DeleteRule - 1].Name)},
                        {"DEP_MAIN", Bool(l->Main)},
                        {"DEP_DET", Bool(l->Det)},
                        {"DEP_CAPT", TextOrNull(l->Capt)},
                        {"DEP_SYS", Bool(l->Sys)},
                        {"DEP_NAME", TextOrNull(l->Name)}});
    }
    int formulas = 0;
    for (const auto& o : ACat.Objs)
        for (TFld* f : *o->FldList) {
            if (f->AgrObjLink)
                Exec({QStringLiteral("update FLD set DEP_ID_AGR = %1, FLD_ID_AGR = %2 where FLD_ID = %3")
                          .arg(f->AgrObjLink->Id)
                          .arg(f->AgrFld->Id)
                          .arg(f->Id)});
            if (f->Formula->FormulaItemRoot) {
                WriteFormula(f, f->Formula->FormulaItemRoot.get());
                ++formulas;
            }
        }

    for (const auto& v : ACat.Views) {
        const int id = Insert(QStringLiteral("TBL"), {{"TBL_CAPT", v->Capt},
                                                      {"TBL_DEFAULT", Bool(v->Default)},
                                                      {"TBL_NAME", v->Name},
                                                      {"OBJ_ID", v->Obj ? Variant(v->Obj->Id) : Null()},
                                                      {"DEP_ID", v->Link ? Variant(v->Link->Id) : Null()},
                                                      {"TBL_DEV", Bool(v->Dev)}});
        WriteTblTree(id, v->Root.get());
        for (const QString& login : v->Users)
            Insert(QStringLiteral("USRTBL"), {{"USR_ID", UserId(login)}, {"TBL_ID", id}});
        for (const auto& f : ACat.Filters)
            if (f->View == v.get())
                WriteFilter(*f, id);
    }
    for (const auto& c : ACat.Cards) {
        const int id = Insert(QStringLiteral("CARD"), {{"CARD_CAPT", c->Capt},
                                                       {"CARD_DEFAULT", Bool(c->Default)},
                                                       {"CARD_NAME", c->Name},
                                                       {"OBJ_ID", c->Obj->Id},
                                                       {"CARD_WIDTH", c->Width},
                                                       {"CARD_HEIGHTATR", c->HeightAtr},
                                                       {"CARD_HEIGHTDET", c->HeightDet},
                                                       {"CARD_DEV", Bool(c->Dev)}});
        WriteCtrl(id, c->Root.get());
        for (const QString& login : c->Users)
            Insert(QStringLiteral("USRCARD"), {{"USR_ID", UserId(login)}, {"CARD_ID", id}});
    }
    for (const auto& b : ACat.DetBooks) {
        const int id = Insert(QStringLiteral("DETBOOK"), {{"DETBOOK_CAPT", b->Capt},
                                                          {"DETBOOK_DEFAULT", Bool(b->Default)},
                                                          {"DETBOOK_NAME", b->Name},
                                                          {"OBJ_ID", b->Obj->Id},
                                                          {"DETBOOK_DEV", Bool(b->Dev)}});
        for (TObjLink* l : b->Links)
            Insert(QStringLiteral("DETDEP"), {{"DETBOOK_ID", id}, {"DEP_ID", l->Id}});
        for (const QString& login : b->Users)
            Insert(QStringLiteral("USRDET"), {{"USR_ID", UserId(login)}, {"DETBOOK_ID", id}});
    }
    for (const auto& f : ACat.Filters)
        if (!f->View)
            WriteFilter(*f, 0);

    if (ALog)
        ALog(QStringLiteral("Каталог: объектов %1, связей %2, формул %3, представлений %4, карточек %5, "
                            "наборов деталей %6, фильтров %7")
                 .arg(ACat.Objs.size())
                 .arg(links.size())
                 .arg(formulas)
                 .arg(ACat.Views.size())
                 .arg(ACat.Cards.size())
                 .arg(ACat.DetBooks.size())
                 .arg(ACat.Filters.size()));
}

void TDbCatalogueWriter::WriteTblTree(int ATblId, const TDbTblNode* ANode)
{
    Insert(QStringLiteral("TBLTREE"),
           {{"TBL_ID", ATblId}, {"FLD_ID", ANode->Fld->Id}, {"TBLTREE_LFT", ANode->Lft}, {"TBLTREE_RGT", ANode->Rgt}});
    for (const auto& c : ANode->Children)
        WriteTblTree(ATblId, c.get());
}

void TDbCatalogueWriter::WriteCtrl(int ACardId, const TDbCtrl* ACtrl)
{
    // The columns each kind uses, as the card's own saving writes them.
    const QString& k = ACtrl->Kind;
    const bool field = IsFieldCtrl(k);
    const bool placed = field || k == DbCtrl::PageControl;
    const bool height = k == DbCtrl::PageControl || k == DbCtrl::DateEdit || k == DbCtrl::CheckBox;
    QString capt;
    if (k == DbCtrl::TabSheet)
        capt = ACtrl->Capt;
    else if (ACtrl->Fld && ACtrl->Fld->Virt)
        capt = ACtrl->Fld->Capt;
    Insert(QStringLiteral("CTRLTREE"),
           {{"CARD_ID", ACardId},
            {"CTRLTREE_LFT", ACtrl->Lft},
            {"CTRLTREE_RGT", ACtrl->Rgt},
            {"CTRLTRTP_ID", Code(QStringLiteral("CTRLTRTP"), k)},
            {"FLD_ID", ACtrl->Fld ? Variant(ACtrl->Fld->Id) : Null()},
            {"CTRLTREE_CLEFT", placed ? Variant(ACtrl->CLeft) : Null()},
            {"CTRLTREE_CTOP", placed ? Variant(ACtrl->CTop) : Null()},
            {"CTRLTREE_CWIDTH", placed ? Variant(ACtrl->CWidth) : Null()},
            {"CTRLTREE_CHEIGHT", height ? Variant(ACtrl->CHeight) : Null()},
            {"CTRLTREE_LLEFT", field ? Variant(ACtrl->LLeft) : Null()},
            {"CTRLTREE_LTOP", field ? Variant(ACtrl->LTop) : Null()},
            {"CTRLTREE_CAPT", TextOrNull(capt)},
            {"CTRLTREE_ROADD", Bool(ACtrl->ROAdd)},
            {"CTRLTREE_ROEDT", Bool(ACtrl->ROEdt)}});
    for (const auto& c : ACtrl->Children)
        WriteCtrl(ACardId, c.get());
}

void TDbCatalogueWriter::WriteFilter(const TDbFilter& AFilter, int ATblId)
{
    const int id = Insert(QStringLiteral("FLTR"), {{"FLTR_CAPT", AFilter.Capt},
                                                   {"FLTR_NAME", AFilter.Name},
                                                   {"FLTR_ALWAYS", Bool(AFilter.Always)},
                                                   {"FLTR_DEV", Bool(AFilter.Dev)},
                                                   {"TBL_ID", IdOrNull(ATblId)},
                                                   {"DEP_ID", AFilter.Link ? Variant(AFilter.Link->Id) : Null()},
                                                   {"OBJ_ID", AFilter.Obj ? Variant(AFilter.Obj->Id) : Null()}});
    WriteFltrNode(id, AFilter.Root.get());
}

void TDbCatalogueWriter::WriteFltrNode(int AFltrId, const TDbFltrNode* ANode)
{
    const int id = Insert(QStringLiteral("FLTRTREE"),
                          {{"FLTR_ID", AFltrId},
                           {"FLTRTREE_LFT", ANode->Lft},
                           {"FLTRTREE_RGT", ANode->Rgt},
                           {"FLTRTRTP_ID", Code(QStringLiteral("FLTRTRTP"), ANode->Kind)},
                           {"FLTRTREE_NOT", Bool(ANode->Not)},
                           {"FLTRTREE_VALUE", ANode->Value ? Variant(*ANode->Value) : Null()},
                           {"FLD_ID", ANode->Ref.Fld ? Variant(ANode->Ref.Fld->Id) : Null()},
                           {"DEP_ID", ANode->Link ? Variant(ANode->Link->Id) : Null()},
                           {"FLTRTREE_NAME", TextOrNull(ANode->Name)}});
    // Steps get increasing keys, which is their order.
    for (TFld* step : ANode->Ref.Path)
        Insert(QStringLiteral("FLTRTRPT"), {{"FLTRTREE_ID", id}, {"FLD_ID", step->Id}});
    for (const auto& c : ANode->Children)
        WriteFltrNode(AFltrId, c.get());
}

void TDbCatalogueWriter::WriteFormula(const TFld* AFld, const TFormulaItem* AItem)
{
    const int id = Insert(QStringLiteral("FRMLTREE"),
                          {{"FLD_ID", AFld->Id},
                           {"FRMLTREE_LFT", AItem->Lft},
                           {"FRMLTREE_RGT", AItem->Rgt},
                           {"FRMLFUNC_ID", AItem->Func == ffNone
                                               ? Null()
                                               : Variant(Code(QStringLiteral("FRMLFUNC"),
                                                              FormulaFuncTable[AItem->Func - 1].Name))},
                           {"FLD_ID_VALUE", AItem->Fld ? Variant(AItem->Fld->Id) : Null()},
                           {"FRMLTREE_PATHHAVE", Bool(AItem->PathHave)},
                           {"FRMLTREE_VALUE", AItem->Value.IsEmpty() ? Null() : AItem->Value}});
    for (TFld* step : *AItem->Path)
        Insert(QStringLiteral("FRMLTRPT"), {{"FRMLTREE_ID", id}, {"FLD_ID", step->Id}});
    for (const auto& c : *AItem)
        WriteFormula(AFld, c.get());
}
