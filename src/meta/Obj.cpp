#include "Obj.h"

#include "Formula.h"
#include "app/func.h"

#include <cmath>

// ---------------------------------------------------------------- code tables

std::array<TFldTypeTableRec, 10> FldTypeTable = {{
    {0, QStringLiteral("pk"), ftPK},
    {0, QStringLiteral("string"), ftString},
    {0, QStringLiteral("fk"), ftFK},
    {0, QStringLiteral("int"), ftInt},
    {0, QStringLiteral("boolean"), ftBoolean},
    {0, QStringLiteral("num182"), ftNum182},
    {0, QStringLiteral("num183"), ftNum183},
    {0, QStringLiteral("num184"), ftNum184},
    {0, QStringLiteral("date"), ftDate},
    {0, QStringLiteral("Formula"), ftFormula},
}};

std::array<TFKRuleRec, 3> FKRuleTable = {{
    {0, QStringLiteral("NoAction"), fkNoAction},
    {0, QStringLiteral("Cascade"), fkCascade},
    {0, QStringLiteral("SetNull"), fkSetNull},
}};

std::array<TFormulaFuncRec, 8> FormulaFuncTable = {{
    {0, QStringLiteral("Add"), ffAdd, {}},
    {0, QStringLiteral("Ded"), ffDed, {}},
    {0, QStringLiteral("Mul"), ffMul, {}},
    {0, QStringLiteral("Div"), ffDiv, {}},
    {0, QStringLiteral("Rate"), ffRate, {}},
    {0, QStringLiteral("CurD"), ffCurD, {}},
    {0, QStringLiteral("CurU"), ffCurU, {}},
    {0, QStringLiteral("ParId"), ffParId, {}},
}};

const std::array<QString, 4> FKRuleSql = {QStringLiteral("*NO FKRULE*"), QStringLiteral("NO ACTION"),
                                          QStringLiteral("CASCADE"), QStringLiteral("SET NULL")};

namespace {
bool FldTypeTableLoaded = false;
bool FKRuleTableLoaded = false;
bool FormulaFuncTableLoaded = false;

// Reads "select * from <ATable>" and hands each row's name to AOnRow.
template <typename F>
void LoadCodeTable(const QString& ATable, F AOnRow)
{
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral("select * from ") + ATable};
    TIBSQLCloser closer{*q};
    q->ExecQuery();
    while (!q->Eof()) {
        AOnRow(*q);
        q->Next();
    }
}
}  // namespace

void LoadFldTypeTable()
{
    LoadCodeTable(QStringLiteral("FLDTYPE"), [](TIBSQL& q) {
        QString name = q.FieldByName(QStringLiteral("FLDTYPE_NAME")).AsString();
        for (auto& r : FldTypeTable)
            if (r.Name == name) {
                r.ID = q.FieldByName(QStringLiteral("FLDTYPE_ID")).AsInteger();
                return;
            }
        throw Exception(Format(QStringLiteral("Тип поля с именем \"%s\" не известен системе"), {name}));
    });
    FldTypeTableLoaded = true;
}

void LoadFKRuleTable()
{
    LoadCodeTable(QStringLiteral("FKRULE"), [](TIBSQL& q) {
        QString name = q.FieldByName(QStringLiteral("FKRULE_NAME")).AsString();
        for (auto& r : FKRuleTable)
            if (r.Name == name) {
                r.ID = q.FieldByName(QStringLiteral("FKRULE_ID")).AsInteger();
                return;
            }
        throw Exception(Format(QStringLiteral("Тип правила связи с именем \"%s\" не известен системе"), {name}));
    });
    FKRuleTableLoaded = true;
}

void LoadFormulaFuncTable()
{
    LoadCodeTable(QStringLiteral("FRMLFUNC"), [](TIBSQL& q) {
        QString name = q.FieldByName(QStringLiteral("FRMLFUNC_NAME")).AsString();
        for (auto& r : FormulaFuncTable)
            if (r.Name == name) {
                r.Id = q.FieldByName(QStringLiteral("FRMLFUNC_ID")).AsInteger();
                r.Capt = q.FieldByName(QStringLiteral("FRMLFUNC_CAPT")).AsString();
                return;
            }
        throw Exception(Format(QStringLiteral("Функция формулы с именем \"%s\" не известна системе"), {name}));
    });
    FormulaFuncTableLoaded = true;
}

void ResetCodeTables()
{
    for (auto& r : FldTypeTable) r.ID = 0;
    for (auto& r : FKRuleTable) r.ID = 0;
    for (auto& r : FormulaFuncTable) {
        r.Id = 0;
        r.Capt.clear();
    }
    FldTypeTableLoaded = FKRuleTableLoaded = FormulaFuncTableLoaded = false;
}

TFldType CodeToFldType(int ACode)
{
    if (!FldTypeTableLoaded) LoadFldTypeTable();
    for (const auto& r : FldTypeTable)
        if (r.ID == ACode) return r.FldType;
    throw Exception(Format(QStringLiteral("CodeToFldType: Тип поля с кодом \"%d\" не найден"), {ACode}));
}

int FldTypeToCode(TFldType AFldType)
{
    if (!FldTypeTableLoaded) LoadFldTypeTable();
    for (const auto& r : FldTypeTable)
        if (r.FldType == AFldType) return r.ID;
    throw Exception(Format(QStringLiteral("FldTypeToCode: Тип поля с кодом \"%d\" не найден"), {int(AFldType)}));
}

TFKRule CodeToFKRule(int ACode)
{
    if (!FKRuleTableLoaded) LoadFKRuleTable();
    for (const auto& r : FKRuleTable)
        if (r.ID == ACode) return r.FKRule;
    throw Exception(Format(QStringLiteral("FKRule with code %d not found"), {ACode}));
}

int FKRuleToCode(TFKRule AFKRule)
{
    if (!FKRuleTableLoaded) LoadFKRuleTable();
    for (const auto& r : FKRuleTable)
        if (r.FKRule == AFKRule) return r.ID;
    throw Exception(Format(QStringLiteral("FKRule \"%d\" not found"), {int(AFKRule)}));
}

TFormulaFunc CodeToFormulaFunc(int ACode)
{
    if (!FormulaFuncTableLoaded) LoadFormulaFuncTable();
    for (const auto& r : FormulaFuncTable)
        if (r.Id == ACode) return r.Func;
    throw Exception(
        Format(QStringLiteral("CodeToFormulaFunc: Функция формулы с кодом \"%d\" не найдена"), {ACode}));
}

namespace {
const TFormulaFuncRec& FindFormulaFunc(TFormulaFunc AFunc)
{
    if (!FormulaFuncTableLoaded) LoadFormulaFuncTable();
    for (const auto& r : FormulaFuncTable)
        if (r.Func == AFunc) return r;
    throw Exception(
        Format(QStringLiteral("FormulaFuncToCode: Функция формулы с кодом \"%d\" не найдена"), {int(AFunc)}));
}
}  // namespace

int FormulaFuncToCode(TFormulaFunc AFunc)
{
    return FindFormulaFunc(AFunc).Id;
}

QString FormulaFuncToCapt(TFormulaFunc AFunc)
{
    return FindFormulaFunc(AFunc).Capt;
}

// ---------------------------------------------------------- value conversion

namespace {
int NumDigits(TFldType AFldType)
{
    switch (AFldType) {
    case ftNum182: return 2;
    case ftNum183: return 3;
    default: return 4;
    }
}
}  // namespace

QString VarToStrByFldType(const Variant& AValue, TFldType AFldType)
{
    switch (AFldType) {
    case ftString:
    case ftInt:
        return AValue.IsNull() ? QString() : AValue.ToString();
    case ftNum182:
    case ftNum183:
    case ftNum184:
        if (AValue.IsNull()) return QString();
        return Currency::FromDouble(RoundTo(AValue.ToDouble(), NumDigits(AFldType))).ToString();
    default:
        throw Exception(Format(QStringLiteral("VarToStrByFldType: Для типа поля \"%d\" преобразование невозможно"),
                               {int(AFldType)}));
    }
}

Variant StrToVarByFldType(const QString& AText, TFldType AFldType)
{
    switch (AFldType) {
    case ftString:
        return AText.isEmpty() ? Variant::Null() : Variant(AText);
    case ftInt:
        if (AText.trimmed().isEmpty()) return Variant::Null();
        return Variant(StrToInt(AText));
    case ftNum182:
    case ftNum183:
    case ftNum184:
        if (AText.trimmed().isEmpty()) return Variant::Null();
        return Variant(RoundTo(Currency::FromString(AText).ToDouble(), NumDigits(AFldType)));
    default:
        throw Exception(Format(QStringLiteral("StrToVarByFldType: Для типа поля \"%d\" преобразование невозможно"),
                               {int(AFldType)}));
    }
}

// -------------------------------------------------------------------- lists

int TFldList::IndexOf(const TFld* AFld) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i] == AFld) return i;
    return -1;
}

void TFldList::Assign(TFldList* AFldList) const
{
    if (AFldList == this) return;
    AFldList->Clear();
    for (TFld* f : FItems) AFldList->Add(f);
}

TFld* TObjFldList::Add(std::unique_ptr<TFld> AFld)
{
    FItems.push_back(std::move(AFld));
    return FItems.back().get();
}

void TObjFldList::Clear()
{
    FItems.clear();
}

int TObjFldList::IndexOf(const TFld* AFld) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AFld) return i;
    return -1;
}

void TObjFldList::Remove(TFld* AFld)
{
    int i = IndexOf(AFld);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

TFld* TObjFldList::GetFldById(int AFldId) const
{
    for (const auto& f : FItems)
        if (f->Id == AFldId) return f.get();
    return nullptr;
}

TFld* TObjFldList::GetFldByFldName(const QString& AFldName) const
{
    for (const auto& f : FItems)
        if (f->Field == AFldName) return f.get();
    return nullptr;
}

TFld* TObjFldList::GetPKFld() const
{
    for (const auto& f : FItems)
        if (f->FldType == ftPK) return f.get();
    return nullptr;
}

TFld* TObjFldList::GetMainFld(bool ARaise) const
{
    for (const auto& f : FItems)
        if (f->Main) return f.get();
    if (ARaise)
        throw Exception(Format(QStringLiteral("Главное поле для объекта \"%s\" не определено"), {Obj->Capt}));
    return nullptr;
}

TObjLinkList::TObjLinkList(TObj* AObj, bool AOwnsObjects) : Obj(AObj), IBSQL(NewIBSQL()), FOwns(AOwnsObjects) {}

TObjLinkList::~TObjLinkList()
{
    IBSQL.reset();
    Clear();
}

void TObjLinkList::Add(TObjLink* ALink)
{
    if (FOwns) throw Exception(QStringLiteral("TObjLinkList.Add: список владеет связями, используйте AddOwned"));
    FItems.push_back(ALink);
}

TObjLink* TObjLinkList::AddOwned(std::unique_ptr<TObjLink> ALink)
{
    if (!FOwns) throw Exception(QStringLiteral("TObjLinkList.AddOwned: список не владеет связями"));
    TObjLink* l = ALink.get();
    FOwned.push_back(std::move(ALink));
    FItems.push_back(l);
    return l;
}

void TObjLinkList::Clear()
{
    FItems.clear();
    FOwned.clear();
}

int TObjLinkList::IndexOf(const TObjLink* ALink) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i] == ALink) return i;
    return -1;
}

int TObjLinkList::Remove(TObjLink* ALink)
{
    int i = IndexOf(ALink);
    if (i < 0) return -1;
    FItems.erase(FItems.begin() + i);
    if (FOwns) FOwned.erase(FOwned.begin() + i);
    return i;
}

// Only a child list (which owns its links) is loaded.
void TObjLinkList::Load()
{
    if (!FOwns) throw Exception(QStringLiteral("TObjLinkList.Load: список связей не владеет ими"));
    Clear();
    TFld* pk = Obj->FldList->GetPKFld();
    if (!pk)
        throw Exception(Format(QStringLiteral("TObjLinkList.Load: У объекта \"%s\" нет поля первичного ключа"),
                               {Obj->Capt}));
    IBSQL->SQL = QStringList{
        QStringLiteral("select D.DEP_ID, F.OBJ_ID, F.FLD_ID, D.DEP_MAIN, D.FKRULE_ID, D.DEP_DET, D.DEP_CAPT, "
                       "D.DEP_SYS, D.DEP_NAME"),
        QStringLiteral("from DEP D"),
        QStringLiteral("join FLD F on F.FLD_ID = D.FLD_ID_CHI"),
        QStringLiteral("where"),
        QStringLiteral("D.FLD_ID_PAR = ") + QString::number(pk->Id),
    };
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        TObj* chiObj = ObjList->GetObjById(IBSQL->FieldByName(QStringLiteral("OBJ_ID")).AsInteger());
        auto link = std::make_unique<TObjLink>();
        link->Id = IBSQL->FieldByName(QStringLiteral("DEP_ID")).AsInteger();
        link->ParentObj = Obj;
        link->ChildFld = chiObj->FldList->GetFldById(IBSQL->FieldByName(QStringLiteral("FLD_ID")).AsInteger());
        if (!link->ChildFld)
            throw Exception(Format(QStringLiteral("Поле с кодом \"%d\" среди объектов не найдено"),
                                   {IBSQL->FieldByName(QStringLiteral("FLD_ID")).AsInteger()}));
        link->Main = IBSQL->FieldByName(QStringLiteral("DEP_MAIN")).AsInteger() != 0;
        link->DeleteRule = CodeToFKRule(IBSQL->FieldByName(QStringLiteral("FKRULE_ID")).AsInteger());
        link->Det = IBSQL->FieldByName(QStringLiteral("DEP_DET")).AsInteger() != 0;
        link->Capt = IBSQL->FieldByName(QStringLiteral("DEP_CAPT")).AsString();
        link->Sys = IBSQL->FieldByName(QStringLiteral("DEP_SYS")).AsInteger() != 0;
        link->Name = IBSQL->FieldByName(QStringLiteral("DEP_NAME")).AsString();
        TObjLink* l = AddOwned(std::move(link));
        chiObj->ParentList->Add(l);
        IBSQL->Next();
    }
}

TObjLink* TObjLinkList::GetByFld(const TFld* AFld) const
{
    for (TObjLink* l : FItems)
        if (l->ChildFld == AFld) return l;
    return nullptr;
}

TObjLink* TObjLinkList::GetById(int AId) const
{
    for (TObjLink* l : FItems)
        if (l->Id == AId) return l;
    return nullptr;
}

TObjLink* TObjLinkList::GetByChiObjTable(const QString& AObjTable) const
{
    for (TObjLink* l : FItems)
        if (l->ChildFld && l->ChildFld->Obj->Table == AObjTable) return l;
    return nullptr;
}

TObjLink* TObjLinkList::GetByName(const QString& AName) const
{
    for (TObjLink* l : FItems)
        if (l->Name == AName) return l;
    return nullptr;
}

int TObjLinkList::RemoveById(int AId)
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i]->Id == AId) return Remove(FItems[i]);
    return -1;
}

// ----------------------------------------------------------------- TObj/TFld

TObj::TObj() : IBSQL(NewIBSQL()) {}

TObj::~TObj()
{
    ParentList.reset();
    ChildList.reset();
    FldList.reset();
    IBSQL.reset();
}

void TObj::CreateObjLists()
{
    FldList = std::make_unique<TObjFldList>(this);
    ChildList = std::make_unique<TObjLinkList>(this, true);
    ParentList = std::make_unique<TObjLinkList>(this, false);
}

void TObj::LoadFields()
{
    FldList->Clear();
    IBSQL->SQL = QStringList{QStringLiteral("select *"), QStringLiteral("from FLD"),
                             QStringLiteral("where OBJ_ID = ") + QString::number(Id)};
    TIBSQLCloser closer{*IBSQL};
    IBSQL->ExecQuery();
    while (!IBSQL->Eof()) {
        auto f = std::make_unique<TFld>();
        f->Obj = this;
        f->Id = IBSQL->FieldByName(QStringLiteral("FLD_ID")).AsInteger();
        f->Field = IBSQL->FieldByName(QStringLiteral("FLD_FIELD")).AsString();
        f->FldType = CodeToFldType(IBSQL->FieldByName(QStringLiteral("FLDTYPE_ID")).AsInteger());
        f->Size = IBSQL->FieldByName(QStringLiteral("FLD_SIZE")).AsInteger();
        f->NotNull = IBSQL->FieldByName(QStringLiteral("FLD_NOTNULL")).AsInteger() != 0;
        f->Capt = IBSQL->FieldByName(QStringLiteral("FLD_CAPT")).AsString();
        f->UniqFld = IBSQL->FieldByName(QStringLiteral("UNIQFLD_ID")).AsInteger();
        f->Main = IBSQL->FieldByName(QStringLiteral("FLD_MAIN")).AsInteger() != 0;
        Variant agrLink = IBSQL->FieldByName(QStringLiteral("DEP_ID_AGR")).AsVariant();
        if (!agrLink.IsEmptyOrNull()) f->AgrObjLinkId = agrLink.ToInt();
        Variant agrFld = IBSQL->FieldByName(QStringLiteral("FLD_ID_AGR")).AsVariant();
        if (!agrFld.IsEmptyOrNull()) f->AgrFldId = agrFld.ToInt();
        f->Virt = IBSQL->FieldByName(QStringLiteral("FLD_VIRT")).AsInteger() != 0;
        f->Sys = IBSQL->FieldByName(QStringLiteral("FLD_SYS")).AsInteger() != 0;
        f->FormulaHave = IBSQL->FieldByName(QStringLiteral("FLD_FRMLHAVE")).AsInteger() != 0;
        f->Def0 = IBSQL->FieldByName(QStringLiteral("FLD_DEF0")).AsInteger() != 0;
        FldList->Add(std::move(f));
        IBSQL->Next();
    }
}

void TObj::LoadRefs()
{
    for (TFld* f : *FldList) {
        if (f->AgrObjLinkId == 0) continue;
        f->AgrObjLink = ChildList->GetById(f->AgrObjLinkId);
        if (!f->AgrObjLink)
            throw Exception(Format(QStringLiteral("TObj.LoadRefs: Не удалось найти связь по коду \"%d\""),
                                   {f->AgrObjLinkId}));
        f->AgrFld = f->AgrObjLink->ChildFld->Obj->FldList->GetFldById(f->AgrFldId);
        if (!f->AgrFld)
            throw Exception(
                Format(QStringLiteral("TObj.LoadRefs: Не удалось найти поле по коду \"%d\""), {f->AgrFldId}));
    }
}

// A stored reference field without its link would leave the record machinery
// without the referenced object; the catalogue is refused with the field named.
void TObj::ResolveFKFields()
{
    for (TFld* f : *FldList) {
        if (f->FldType != ftFK || f->Virt) continue;
        TObjLink* link = ParentList->GetByFld(f);
        if (!link)
            throw Exception(Format(
                QStringLiteral("TObj.ResolveFKFields: Для поля \"%s\" объекта \"%s\" не найдена связь"),
                {f->Field, Capt}));
        f->FKObj = link->ParentObj;
        f->FKRule = link->DeleteRule;
    }
}

int TObj::GetNewId()
{
    TFld* pk = FldList->GetPKFld();
    if (!pk)
        throw Exception(Format(QStringLiteral("TObj.GetNewId: У объекта \"%s\" нет поля первичного ключа"),
                               {Capt}));
    return GenId(pk->Field);
}

TFld::TFld() : Formula(std::make_unique<TFormula>()) {}

TFld::~TFld() = default;

// ------------------------------------------------------------------ TObjList

TObjList::TObjList() : IBSQL(NewIBSQL()) {}

TObjList::~TObjList()
{
    IBSQL.reset();
    // Links are owned by their parents' child lists but listed in other
    // objects' parent lists: empty every parent list before freeing anything.
    for (auto& o : FItems)
        if (o->ParentList) o->ParentList->Clear();
    FItems.clear();
}

TObj* TObjList::Add(std::unique_ptr<TObj> AObj)
{
    FItems.push_back(std::move(AObj));
    return FItems.back().get();
}

void TObjList::Clear()
{
    for (auto& o : FItems)
        if (o->ParentList) o->ParentList->Clear();
    FItems.clear();
}

int TObjList::IndexOf(const TObj* AObj) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == AObj) return i;
    return -1;
}

void TObjList::Remove(TObj* AObj)
{
    int i = IndexOf(AObj);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TObjList::Load()
{
    Clear();
    int total = 0;
    {
        IBSQL->SQL = QStringList{QStringLiteral("select count(*) from OBJ")};
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        total = IBSQL->Fields(0).AsInteger();
    }
    {
        IBSQL->SQL = QStringList{QStringLiteral("select * from OBJ")};
        TIBSQLCloser closer{*IBSQL};
        IBSQL->ExecQuery();
        int fetched = 0;
        while (!IBSQL->Eof()) {
            ++fetched;
            auto obj = std::make_unique<TObj>();
            obj->Id = IBSQL->FieldByName(QStringLiteral("OBJ_ID")).AsInteger();
            obj->Table = IBSQL->FieldByName(QStringLiteral("OBJ_TABLE")).AsString();
            obj->Capt = IBSQL->FieldByName(QStringLiteral("OBJ_CAPT")).AsString();
            obj->Capt2 = IBSQL->FieldByName(QStringLiteral("OBJ_CAPT2")).AsString();
            obj->Ref = IBSQL->FieldByName(QStringLiteral("OBJ_REF")).AsInteger() != 0;
            obj->Meta = IBSQL->FieldByName(QStringLiteral("OBJ_META")).AsInteger() != 0;
            obj->Sys = IBSQL->FieldByName(QStringLiteral("OBJ_SYS")).AsInteger() != 0;
            obj->CreateObjLists();
            obj->LoadFields();
            Add(std::move(obj));
            if (OnLoadProgress) OnLoadProgress(fetched / 2, total);
            IBSQL->Next();
        }
    }
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        TObj* obj = Items(i);
        obj->ChildList->Load();
        obj->LoadRefs();
        obj->LoadFormuls();
        if (OnLoadProgress) OnLoadProgress(i / 2 + n / 2, n);
    }
    for (TObj* obj : *this) obj->ResolveFKFields();
}

TObj* TObjList::GetObjById(int AObjId) const
{
    for (const auto& o : FItems)
        if (o->Id == AObjId) return o.get();
    throw Exception(Format(QStringLiteral("Объект с кодом %d не найден"), {AObjId}));
}

TObj* TObjList::GetObjByTable(const QString& AObjTable) const
{
    for (const auto& o : FItems)
        if (o->Table == AObjTable) return o.get();
    throw Exception(Format(QStringLiteral("Объект с таблицей \"%s\" не найден"), {AObjTable}));
}

TFld* TObjList::GetFldById(int AFldId) const
{
    for (const auto& o : FItems)
        if (TFld* f = o->FldList->GetFldById(AFldId)) return f;
    throw Exception(Format(QStringLiteral("Поле с кодом \"%d\" среди объектов не найдено"), {AFldId}));
}

TObjLink* TObjList::GetObjLinkById(int AObjLinkId) const
{
    for (const auto& o : FItems)
        if (TObjLink* l = o->ChildList->GetById(AObjLinkId)) return l;
    throw Exception(Format(QStringLiteral("Связь с кодом %d среди объектов не найдена"), {AObjLinkId}));
}
