#include "Sql.h"

#include "app/func.h"

namespace {
// A caption goes into an SQL comment; the text that would end the comment
// early is broken up so that a caption can never become part of the statement.
QString CommentText(const QString& ACapt)
{
    QString s = ACapt;
    return s.replace(QStringLiteral("*/"), QStringLiteral("* /"));
}

std::unique_ptr<TFilter> NewEqualFilter(TFld* AFld)
{
    auto filter = std::make_unique<TFilter>();
    filter->FilterTree = std::make_unique<TFilterTreeItem>();
    filter->FilterTree->FilterTreeType = ftEqual;
    filter->FilterTree->Fld = AFld;
    return filter;
}

QString KindName(TFilterTreeType AKind)
{
    for (const auto& r : FilterTreeTypeTable)
        if (r.FilterTreeType == AKind) return r.Name;
    return QString::number(int(AKind));
}
}  // namespace

// ----------------------------------------------------------- TSelectFld, TJoin

QString TSelectFld::AsString() const
{
    return Format(QStringLiteral("T%d.%s as T%0:d%1:s /* %s */"),
                  {Index, TblTree->Fld->Field, CommentText(TblTree->Fld->Capt)});
}

QString TJoin::AsFromString() const
{
    return Format(QStringLiteral("%s T%d"), {Obj1->Table, Ind1});
}

QString TJoin::AsJoinString(bool AAlwaysLeft) const
{
    const QString prefix = (AAlwaysLeft || Left) ? QStringLiteral("left ") : QString();
    return Format(QStringLiteral("%sjoin %s T%d on T%2:d.%s = T%d.%s"),
                  {prefix, Obj1->Table, Ind1, Fld1->Field, Ind2, Fld2->Field});
}

// ------------------------------------------------------------------- TTblSql

TTblSql::TTblSql() : FilterList(std::make_unique<TFilterList>()) {}

TTblSql::~TTblSql() = default;

void TTblSql::Clear()
{
    Tbl = nullptr;
    AliasIndex = 0;
    ParamIndex = 0;
    SelectFldList.clear();
    JoinList.clear();
    WhereSelectList.clear();
    WhereRefreshList.clear();
    WhereDeleteList.clear();
    FilterList->Clear();
    ParentFilter = nullptr;
    RefreshFilter.reset();
    DeleteFilter.reset();
    ShowPKCol = false;
}

void TTblSql::CreateBaseSQL(TTbl* ATbl)
{
    Tbl = ATbl;
    TTblTree* root = Tbl->TblTree.get();
    if (!root || !root->Fld || root->Fld->FldType != ftPK || root->Lft != 1)
        throw Exception(Format(
            QStringLiteral("TTblSql.CreateBaseSQL: Дерево столбцов таблицы \"%s\" должно начинаться с ключевого поля"),
            {Tbl->Capt}));
    Walk(root, AliasIndex);
}

void TTblSql::Walk(TTblTree* ANode, int AAlias)
{
    TFld* fld = ANode->Fld;
    if (fld->FldType != ftFK) {
        // The counter, not the node's alias, decides: the main key as a
        // first-level column folds into column 0 only before any reference.
        if (fld->FldType != ftPK || AliasIndex > 0 || ANode->Lft == 1) {
            auto col = std::make_unique<TSelectFld>();
            col->Index = AAlias;
            col->TblTree = ANode;
            SelectFldList.push_back(std::move(col));
        } else {
            ShowPKCol = true;
        }
    }
    if (fld->FldType == ftFK) {
        TObjLink* link = fld->Obj->ParentList->GetByFld(fld);
        if (!link)
            throw Exception(Format(QStringLiteral("TTblSql.CreateBaseSQL: Для поля \"%s\" объекта \"%s\" не найдена связь"),
                                   {fld->Capt, fld->Obj->Capt}));
        ++AliasIndex;
        auto join = std::make_unique<TJoin>();
        join->Left = true;
        join->Obj1 = link->ParentObj;
        join->Fld1 = link->ParentObj->FldList->GetPKFld();
        join->Ind1 = AliasIndex;
        join->Fld2 = fld;
        join->Ind2 = AAlias;
        join->Refresh = true;
        const int alias = join->Ind1;
        JoinList.push_back(std::move(join));
        for (const auto& c : *ANode) Walk(c.get(), alias);
    } else if (fld->FldType == ftPK && ANode->Lft == 1) {
        auto from = std::make_unique<TJoin>();
        from->Obj1 = fld->Obj;
        from->Ind1 = AAlias;
        from->Left = false;
        from->Refresh = true;
        JoinList.push_back(std::move(from));
        for (const auto& c : *ANode) Walk(c.get(), AAlias);
    }
}

void TTblSql::LoadFilters()
{
    FilterList->Load(Tbl);
    if (Tbl->ObjLink) ParentFilter = FilterList->Add(NewEqualFilter(Tbl->ObjLink->ChildFld));
    TFld* pk = Tbl->GetObj()->FldList->GetPKFld();
    RefreshFilter = NewEqualFilter(pk);
    DeleteFilter = NewEqualFilter(pk);
}

TJoin* TTblSql::ResolvePath(TFilterTreeItem* ANode)
{
    TJoin* cur = JoinList.at(0).get();
    for (TFld* f : *ANode->FldList) {
        TJoin* found = nullptr;
        for (size_t i = 1; i < JoinList.size(); ++i)
            if (JoinList[i]->Fld2 == f && JoinList[i]->Ind2 == cur->Ind1) {
                found = JoinList[i].get();
                break;
            }
        if (!found) {
            TObjLink* link = cur->Obj1->ParentList->GetByFld(f);
            if (!link)
                throw Exception(Format(QStringLiteral("TTblSql.AddFilters: Поле \"%s\" пути фильтра не является "
                                                      "ссылкой объекта \"%s\""),
                                       {f->Capt, cur->Obj1->Capt}));
            ++AliasIndex;
            auto join = std::make_unique<TJoin>();
            join->Left = false;
            join->Refresh = false;
            join->Ind1 = AliasIndex;
            join->Obj1 = link->ParentObj;
            join->Fld1 = link->ParentObj->FldList->GetPKFld();
            join->Fld2 = f;
            join->Ind2 = cur->Ind1;
            found = join.get();
            JoinList.push_back(std::move(join));
        }
        cur = found;
    }
    return cur;
}

void TTblSql::Render(TFilterTreeItem* ANode, const TFilter* AFilter, QStringList& ALines)
{
    const TFilterTreeType kind = ANode->FilterTreeType;
    if (kind == ftAnd || kind == ftOr) {
        // A group without conditions imposes none.
        std::vector<QStringList> parts;
        for (const auto& c : *ANode) {
            QStringList lines;
            Render(c.get(), AFilter, lines);
            if (!lines.isEmpty()) parts.push_back(lines);
        }
        if (parts.empty()) return;
        ALines << QStringLiteral("  (");
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i > 0) ALines << (kind == ftAnd ? QStringLiteral("  and") : QStringLiteral("  or"));
            ALines << parts[i];
        }
        ALines << QStringLiteral("  )");
        return;
    }

    TFld* fld = ANode->Fld;
    if (!fld)
        throw Exception(Format(QStringLiteral("TTblSql.AddFilters: В фильтре \"%s\" у условия вида \"%s\" не указано поле"),
                               {AFilter->Capt, KindName(kind)}));
    if (fld->Virt || fld->FldType == ftFormula)
        throw Exception(Format(QStringLiteral("TTblSql.AddFilters: Поле \"%s\" фильтра \"%s\" не хранится в таблице"),
                               {fld->Capt, AFilter->Capt}));
    const bool boolean = fld->FldType == ftBoolean;
    const bool supported = kind == ftEqual || kind == ftEmpty || kind == ftGreater || kind == ftLess ||
                           (kind == ftContaining && !boolean);
    if (!supported || (boolean && kind != ftEqual && kind != ftEmpty))
        throw Exception(Format(QStringLiteral("TTblSql.AddFilters: Условие вида \"%s\" фильтра \"%s\" для поля \"%s\" "
                                              "не поддерживается"),
                               {KindName(kind), AFilter->Capt, fld->Capt}));

    const int a = ResolvePath(ANode)->Ind1;
    int p = 0;
    if (kind != ftEmpty && !boolean) {
        p = ParamIndex++;
        ANode->ParamIndex = p;
    }
    const QString& f = fld->Field;
    const bool no = ANode->No;
    switch (kind) {
    case ftEqual:
        if (boolean)
            ALines << Format(no ? QStringLiteral("  T%d.%s <> 1") : QStringLiteral("  T%d.%s = 1"), {a, f});
        else
            ALines << Format(no ? QStringLiteral("  T%d.%s <> :%d") : QStringLiteral("  T%d.%s = :%d"), {a, f, p});
        break;
    case ftEmpty:
        ALines << Format(no ? QStringLiteral("  T%d.%s is not null") : QStringLiteral("  T%d.%s is null"), {a, f});
        break;
    case ftContaining:
        ALines << Format(no ? QStringLiteral("  T%d.%s not containing :%d") : QStringLiteral("  T%d.%s containing :%d"),
                         {a, f, p});
        break;
    case ftGreater:
        ALines << Format(no ? QStringLiteral("  T%d.%s <= :%d") : QStringLiteral("  T%d.%s > :%d"), {a, f, p});
        break;
    case ftLess:
        ALines << Format(no ? QStringLiteral("  T%d.%s >= :%d") : QStringLiteral("  T%d.%s < :%d"), {a, f, p});
        break;
    default:
        break;
    }
}

void TTblSql::RenderFilter(const TFilter* AFilter, std::vector<QStringList>& AWhereList)
{
    if (!AFilter || !AFilter->FilterTree) return;
    QStringList lines;
    Render(AFilter->FilterTree.get(), AFilter, lines);
    if (!lines.isEmpty()) AWhereList.push_back(lines);
}

void TTblSql::AddFilters()
{
    if (JoinList.empty()) throw Exception(QStringLiteral("TTblSql.AddFilters: Запрос таблицы не построен"));
    for (const auto& f : *FilterList) RenderFilter(f.get(), WhereSelectList);
    RenderFilter(RefreshFilter.get(), WhereRefreshList);
    RenderFilter(DeleteFilter.get(), WhereDeleteList);
}

QStringList TTblSql::ColumnLines() const
{
    QStringList lines;
    for (size_t i = 0; i < SelectFldList.size(); ++i)
        lines << QStringLiteral("  ") + SelectFldList[i]->AsString() +
                     (i + 1 < SelectFldList.size() ? QStringLiteral(",") : QString());
    return lines;
}

namespace {
void AppendConditions(QStringList& ALines, const std::vector<QStringList>& AWhereList)
{
    ALines << QStringLiteral("where");
    for (size_t i = 0; i < AWhereList.size(); ++i) {
        if (i > 0) ALines << QStringLiteral("and");
        ALines << AWhereList[i];
    }
}
}  // namespace

void TTblSql::SetSQL(QStringList& ASelectStrings, QStringList& ARefreshStrings, QStringList& ADeleteStrings) const
{
    // Without its key condition the refresh statement would read any row and
    // the delete statement would empty the table.
    if (JoinList.empty() || WhereRefreshList.empty() || WhereDeleteList.empty())
        throw Exception(QStringLiteral("TTblSql.SetSQL: Запрос таблицы не построен"));
    const QString from = QStringLiteral("  ") + JoinList[0]->AsFromString();
    const QStringList columns = ColumnLines();

    ASelectStrings.clear();
    ASelectStrings << QStringLiteral("select") << columns << QStringLiteral("from") << from;
    for (size_t i = 1; i < JoinList.size(); ++i) ASelectStrings << QStringLiteral("  ") + JoinList[i]->AsJoinString(false);
    if (!WhereSelectList.empty()) AppendConditions(ASelectStrings, WhereSelectList);

    ARefreshStrings.clear();
    ARefreshStrings << QStringLiteral("select") << columns << QStringLiteral("from") << from;
    for (size_t i = 1; i < JoinList.size(); ++i)
        if (JoinList[i]->Refresh) ARefreshStrings << QStringLiteral("  ") + JoinList[i]->AsJoinString(true);
    AppendConditions(ARefreshStrings, WhereRefreshList);

    ADeleteStrings.clear();
    ADeleteStrings << QStringLiteral("delete") << QStringLiteral("from") << from;
    AppendConditions(ADeleteStrings, WhereDeleteList);
}

namespace {
void BindNode(TIBSQL* AIBSQL, const TFilterTreeItem* ANode)
{
    // Exactly the nodes that took a parameter number take a value.
    if (!ANode->ParamIndex.IsEmpty()) {
        VarNotNull(ANode->Value);
        AIBSQL->ParamByName(QString::number(ANode->ParamIndex.ToInt())).SetAsVariant(ANode->Value);
    }
    if (ANode->FilterTreeType == ftAnd || ANode->FilterTreeType == ftOr)
        for (const auto& c : *ANode) BindNode(AIBSQL, c.get());
}

void BindFilter(TIBSQL* AIBSQL, const TFilter* AFilter)
{
    if (AFilter && AFilter->FilterTree) BindNode(AIBSQL, AFilter->FilterTree.get());
}
}  // namespace

void TTblSql::SetParams(TIBSQL* AIBSQL, TSQLType ASQLType) const
{
    switch (ASQLType) {
    case stSelect:
        for (const auto& f : *FilterList) BindFilter(AIBSQL, f.get());
        break;
    case stRefresh:
        BindFilter(AIBSQL, RefreshFilter.get());
        break;
    case stDelete:
        BindFilter(AIBSQL, DeleteFilter.get());
        break;
    case stUpdate:
        break;
    }
}

TSelectFld* TTblSql::GetSelectFldByFld(const TFld* AFld) const
{
    for (const auto& s : SelectFldList)
        if (s->TblTree->Fld == AFld) return s.get();
    return nullptr;
}
