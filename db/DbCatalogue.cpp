#include "DbCatalogue.h"

#include "DbCardLayout.h"

#include "core/SysUtils.h"
#include "meta/Formula.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

const QStringList kFltrKinds = {"And", "Or", "Equal", "Greater", "Less", "Empty", "Containing", "Between", "In", "Exist"};
const QStringList kFKRules = {"NoAction", "Cascade", "SetNull"};

struct TFuncName {
    const char* Name;
    TFormulaFunc Func;
};
const TFuncName kFuncs[] = {{"Add", ffAdd},   {"Ded", ffDed},   {"Mul", ffMul},   {"Div", ffDiv},
                            {"Rate", ffRate}, {"CurD", ffCurD}, {"CurU", ffCurU}, {"ParId", ffParId}};

QString FuncName(TFormulaFunc AFunc)
{
    for (const TFuncName& f : kFuncs)
        if (f.Func == AFunc)
            return QString::fromLatin1(f.Name);
    return QString();
}

bool IsIdentifier(const QString& AName)
{
    static const QRegularExpression re(QStringLiteral("^[A-Z][A-Z0-9_]{0,30}$"));
    return re.match(AName).hasMatch();
}

[[noreturn]] void Fail(const QString& AWhere, const QString& AMessage)
{
    throw Exception(AWhere + QStringLiteral(": ") + AMessage);
}

bool IsSummable(TFldType T)
{
    return T == ftInt || T == ftNum182 || T == ftNum183 || T == ftNum184;
}

bool IsFormulaType(TFldType T)
{
    return T != ftPK && T != ftFormula;
}

// Flags given as words ("notnull main def0"); unknown words are refused.
QSet<QString> Words(const QJsonValue& AValue, const QStringList& AAllowed, const QString& AWhere)
{
    QSet<QString> result;
    if (AValue.isUndefined() || AValue.isNull())
        return result;
    if (!AValue.isString())
        Fail(AWhere, QStringLiteral("признаки задаются строкой слов"));
    const QStringList words = AValue.toString().split(u' ', Qt::SkipEmptyParts);
    for (const QString& w : words) {
        if (!AAllowed.contains(w))
            Fail(AWhere, QStringLiteral("неизвестный признак \"%1\" (допустимы: %2)").arg(w, AAllowed.join(u' ')));
        result.insert(w);
    }
    return result;
}

QString Str(const QJsonObject& AObj, const char* AKey, const QString& AWhere, bool ARequired = false)
{
    const QJsonValue v = AObj.value(QLatin1String(AKey));
    if (v.isUndefined() || v.isNull()) {
        if (ARequired)
            Fail(AWhere, QStringLiteral("не указано \"%1\"").arg(QLatin1String(AKey)));
        return QString();
    }
    if (!v.isString())
        Fail(AWhere, QStringLiteral("\"%1\" должно быть строкой").arg(QLatin1String(AKey)));
    if (ARequired && v.toString().isEmpty())
        Fail(AWhere, QStringLiteral("\"%1\" не может быть пустым").arg(QLatin1String(AKey)));
    return v.toString();
}

bool Flag(const QJsonObject& AObj, const char* AKey, const QString& AWhere)
{
    const QJsonValue v = AObj.value(QLatin1String(AKey));
    if (v.isUndefined() || v.isNull())
        return false;
    if (!v.isBool())
        Fail(AWhere, QStringLiteral("\"%1\" должно быть true или false").arg(QLatin1String(AKey)));
    return v.toBool();
}

QStringList StrList(const QJsonObject& AObj, const char* AKey, const QString& AWhere)
{
    const QJsonValue v = AObj.value(QLatin1String(AKey));
    QStringList result;
    if (v.isUndefined() || v.isNull())
        return result;
    if (!v.isArray())
        Fail(AWhere, QStringLiteral("\"%1\" должно быть списком строк").arg(QLatin1String(AKey)));
    for (const QJsonValue& e : v.toArray()) {
        if (!e.isString())
            Fail(AWhere, QStringLiteral("\"%1\" должно быть списком строк").arg(QLatin1String(AKey)));
        result.append(e.toString());
    }
    return result;
}

int Int(const QJsonObject& AObj, const char* AKey, const QString& AWhere, int ADefault)
{
    const QJsonValue v = AObj.value(QLatin1String(AKey));
    if (v.isUndefined() || v.isNull())
        return ADefault;
    if (!v.isDouble() || v.toDouble() != static_cast<int>(v.toDouble()) || v.toDouble() <= 0)
        Fail(AWhere, QStringLiteral("\"%1\" должно быть положительным целым числом").arg(QLatin1String(AKey)));
    return static_cast<int>(v.toDouble());
}

// Refuses keys that are not part of the format, so that a misspelt key is
// not silently ignored.
void OnlyKeys(const QJsonObject& AObj, const QStringList& AKeys, const QString& AWhere)
{
    for (auto it = AObj.begin(); it != AObj.end(); ++it)
        if (!AKeys.contains(it.key()))
            Fail(AWhere, QStringLiteral("неизвестный ключ \"%1\" (допустимы: %2)").arg(it.key(), AKeys.join(QStringLiteral(", "))));
}

QJsonArray Arr(const QJsonObject& AObj, const char* AKey, const QString& AWhere)
{
    const QJsonValue v = AObj.value(QLatin1String(AKey));
    if (v.isUndefined() || v.isNull())
        return QJsonArray();
    if (!v.isArray())
        Fail(AWhere, QStringLiteral("\"%1\" должно быть списком").arg(QLatin1String(AKey)));
    return v.toArray();
}

// ---------------------------------------------------------------- formulas

class TFormulaParser {
public:
    TFormulaParser(const TDbCatalogue& ACat, TObj* AObj, const QString& AText)
        : FCat(ACat), FObj(AObj), FText(AText)
    {
    }

    std::unique_ptr<TFormulaItem> Parse()
    {
        auto root = Expr();
        Skip();
        if (FPos < FText.size())
            Error(QStringLiteral("лишний текст \"%1\"").arg(FText.mid(FPos)));
        return root;
    }

private:
    [[noreturn]] void Error(const QString& AMessage) const
    {
        throw Exception(QStringLiteral("формула \"%1\", позиция %2: %3").arg(FText).arg(FPos + 1).arg(AMessage));
    }

    void Skip()
    {
        while (FPos < FText.size() && FText[FPos].isSpace())
            ++FPos;
    }

    bool Take(QChar AChar)
    {
        Skip();
        if (FPos < FText.size() && FText[FPos] == AChar) {
            ++FPos;
            return true;
        }
        return false;
    }

    QString Word()
    {
        Skip();
        const int start = FPos;
        while (FPos < FText.size() && (FText[FPos].isLetterOrNumber() || FText[FPos] == u'_'))
            ++FPos;
        return FText.mid(start, FPos - start);
    }

    std::unique_ptr<TFormulaItem> Expr()
    {
        Skip();
        if (FPos >= FText.size())
            Error(QStringLiteral("ожидается функция, поле или число"));
        auto item = std::make_unique<TFormulaItem>();
        const QChar c = FText[FPos];
        if (c.isDigit() || c == u'-') {
            const int start = FPos++;
            while (FPos < FText.size() && (FText[FPos].isDigit() || FText[FPos] == u'.'))
                ++FPos;
            bool ok = false;
            const double v = FText.mid(start, FPos - start).toDouble(&ok);
            if (!ok)
                Error(QStringLiteral("неверное число \"%1\"").arg(FText.mid(start, FPos - start)));
            item->Value = Variant(Currency::FromDouble(v));
            return item;
        }
        const QString word = Word();
        if (word.isEmpty())
            Error(QStringLiteral("неожиданный символ \"%1\"").arg(c));
        if (Take(u'(')) {
            for (const TFuncName& f : kFuncs)
                if (word == QLatin1String(f.Name))
                    item->Func = f.Func;
            if (item->Func == ffNone)
                Error(QStringLiteral("неизвестная функция \"%1\"").arg(word));
            if (!Take(u')')) {
                do {
                    item->Add(Expr());
                } while (Take(u','));
                if (!Take(u')'))
                    Error(QStringLiteral("ожидается \")\" или \",\""));
            }
            return item;
        }
        // A field, possibly through links: LINK>LINK>FIELD.
        QString path = word;
        while (Take(u'>')) {
            const QString next = Word();
            if (next.isEmpty())
                Error(QStringLiteral("после \">\" ожидается поле"));
            path += u'>' + next;
        }
        TDbFldPath ref;
        try {
            ref = FCat.FldPath(FObj, path);
        } catch (const Exception& e) {
            Error(e.Message());
        }
        item->Fld = ref.Fld;
        item->PathHave = !ref.Path.isEmpty();
        for (TFld* f : ref.Path)
            item->Path->Add(f);
        return item;
    }

    const TDbCatalogue& FCat;
    TObj* FObj;
    QString FText;
    int FPos = 0;
};

// The rules the formula editor applies before a formula is saved.
void CheckFormula(const TFormulaItem* AItem, bool ARoot)
{
    const QString name = FuncName(AItem->Func);
    switch (AItem->Func) {
    case ffAdd:
    case ffDed:
    case ffMul:
    case ffDiv:
        if (AItem->Count() < 2)
            throw Exception(QStringLiteral("у функции \"%1\" должно быть 2 параметра или больше").arg(name));
        break;
    case ffRate:
        if (AItem->Count() != 2)
            throw Exception(QStringLiteral("у функции \"%1\" должно быть 2 параметра").arg(name));
        break;
    case ffParId:
        if (!ARoot)
            throw Exception(QStringLiteral("функция \"%1\" может быть только корнем формулы").arg(name));
        [[fallthrough]];
    case ffCurD:
    case ffCurU:
        if (AItem->Count() != 0)
            throw Exception(QStringLiteral("у функции \"%1\" нет параметров").arg(name));
        break;
    case ffNone:
        if (AItem->Fld) {
            if (AItem->Fld->AgrObjLink)
                throw Exception(QStringLiteral("поле \"%1\" суммирующее, его нельзя использовать в формуле")
                                    .arg(AItem->Fld->Field));
            if (AItem->Fld->Virt)
                throw Exception(QStringLiteral("поле \"%1\" виртуальное, его нельзя использовать в формуле")
                                    .arg(AItem->Fld->Field));
        }
        break;
    }
    for (const auto& c : *AItem)
        CheckFormula(c.get(), false);
}

void NumberFormula(TFormulaItem* AItem, int& ACounter)
{
    AItem->Lft = ++ACounter;
    for (const auto& c : *AItem)
        NumberFormula(c.get(), ACounter);
    AItem->Rgt = ++ACounter;
}

// Fields of the same record that a formula reads (the ones that make up the
// dependencies between a record's items).
void DirectRefs(const TFormulaItem* AItem, QList<TFld*>& ARefs)
{
    if (AItem->Fld && !AItem->PathHave)
        ARefs.append(AItem->Fld);
    for (const auto& c : *AItem)
        DirectRefs(c.get(), ARefs);
}

// The key field and every field except those given, for generated views and cards.
QList<TFld*> PlainFields(TObj* AObj, const TFld* AExcept, bool AWithVirtual)
{
    QList<TFld*> result;
    for (TFld* f : *AObj->FldList)
        if (f->FldType != ftPK && f != AExcept && (AWithVirtual || !f->Virt) && f->FldType != ftFormula)
            result.append(f);
    return result;
}

}  // namespace

TObj* TDbFilter::ListedObj() const
{
    if (View)
        return View->ListedObj();
    if (Link)
        return Link->ChildFld->Obj;
    return Obj;
}

TDbCatalogue::TDbCatalogue() = default;

TDbCatalogue::~TDbCatalogue()
{
    // Links are owned by their parents' child lists and referred to by other
    // objects' parent lists: empty the parent lists before anything goes.
    for (auto& o : Objs)
        if (o->ParentList)
            o->ParentList->Clear();
    Objs.clear();
}

bool TDbCatalogue::IsNew(const TObj* AObj) const
{
    return FNew.contains(const_cast<TObj*>(AObj));
}

QList<TObjLink*> TDbCatalogue::Links() const
{
    QList<TObjLink*> result;
    for (const auto& o : Objs)
        for (TFld* f : *o->FldList)
            if (f->FldType == ftFK && !f->Virt)
                if (TObjLink* l = o->ParentList->GetByFld(f))
                    result.append(l);
    return result;
}

TObj* TDbCatalogue::FindObj(const QString& ATable) const
{
    for (const auto& o : Objs)
        if (o->Table == ATable)
            return o.get();
    return nullptr;
}

TObj* TDbCatalogue::ObjByTable(const QString& ATable) const
{
    if (TObj* o = FindObj(ATable))
        return o;
    throw Exception(QStringLiteral("объект с таблицей \"%1\" не описан").arg(ATable));
}

TObjLink* TDbCatalogue::LinkByRef(const QString& ARef) const
{
    const QString table = ARef.section(u'.', 0, 0);
    const QString field = ARef.section(u'.', 1);
    if (table.isEmpty() || field.isEmpty() || field.contains(u'.'))
        throw Exception(QStringLiteral("связь \"%1\" задаётся как ТАБЛИЦА.ПОЛЕ_СВЯЗИ").arg(ARef));
    TObj* obj = ObjByTable(table);
    TFld* fld = obj->FldList->GetFldByFldName(field);
    if (!fld)
        throw Exception(QStringLiteral("связь \"%1\": у объекта \"%2\" нет поля \"%3\"").arg(ARef, table, field));
    TObjLink* link = obj->ParentList->GetByFld(fld);
    if (!link)
        throw Exception(QStringLiteral("связь \"%1\": поле \"%2\" не является полем связи").arg(ARef, field));
    return link;
}

TDbFldPath TDbCatalogue::FldPath(TObj* AObj, const QString& APath) const
{
    TDbFldPath result;
    const QStringList parts = APath.split(u'>');
    TObj* obj = AObj;
    for (int i = 0; i < parts.size(); ++i) {
        TFld* f = obj->FldList->GetFldByFldName(parts[i].trimmed());
        if (!f)
            throw Exception(QStringLiteral("путь \"%1\": у объекта \"%2\" нет поля \"%3\"")
                                .arg(APath, obj->Table, parts[i].trimmed()));
        if (i + 1 == parts.size()) {
            result.Fld = f;
            break;
        }
        if (f->FldType != ftFK || f->Virt || !f->FKObj)
            throw Exception(QStringLiteral("путь \"%1\": поле \"%2\" объекта \"%3\" не является полем связи")
                                .arg(APath, f->Field, obj->Table));
        result.Path.append(f);
        obj = f->FKObj;
    }
    return result;
}

std::unique_ptr<TDbTblNode> TDbCatalogue::ColumnTree(TObj* AObj, const QStringList& APaths) const
{
    auto root = std::make_unique<TDbTblNode>();
    root->Fld = AObj->FldList->GetPKFld();
    for (const QString& p : APaths) {
        const TDbFldPath ref = FldPath(AObj, p);
        if (ref.Fld->Virt)
            throw Exception(QStringLiteral("столбец \"%1\": виртуальное поле не читается из таблицы").arg(p));
        if (ref.Fld->FldType == ftFK)
            throw Exception(QStringLiteral("столбец \"%1\": поле связи само не показывается, укажите поле "
                                           "объекта, на который оно ссылается (%1>ПОЛЕ)")
                                .arg(p));
        TDbTblNode* node = root.get();
        QList<TFld*> chain = ref.Path;
        chain.append(ref.Fld);
        for (int i = 0; i < chain.size(); ++i) {
            const bool last = i + 1 == chain.size();
            TDbTblNode* next = nullptr;
            if (!last)
                for (auto& c : node->Children)
                    if (c->Fld == chain[i])
                        next = c.get();
            if (!next) {
                auto n = std::make_unique<TDbTblNode>();
                n->Fld = chain[i];
                next = n.get();
                node->Children.push_back(std::move(n));
            }
            node = next;
        }
    }
    NumberTree(root.get());
    return root;
}

std::unique_ptr<TFormulaItem> TDbCatalogue::ParseFormula(TObj* AObj, const QString& AText) const
{
    auto root = TFormulaParser(*this, AObj, AText).Parse();
    CheckFormula(root.get(), true);
    int counter = 0;
    NumberFormula(root.get(), counter);
    return root;
}

// ------------------------------------------------------------------ reading

void TDbCatalogue::Read(const QByteArray& AJson, const QString& ASource)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(AJson, &err);
    if (err.error != QJsonParseError::NoError)
        throw Exception(QStringLiteral("%1: ошибка JSON в позиции %2: %3")
                            .arg(ASource, QString::number(err.offset), err.errorString()));
    if (!doc.isObject())
        Fail(ASource, QStringLiteral("ожидается объект JSON"));
    const QJsonObject top = doc.object();
    OnlyKeys(top, {"about", "create", "objects", "users", "views", "cards", "detailsets", "filters"}, ASource);

    ReadObjects(Arr(top, "objects", ASource), ASource, Flag(top, "create", ASource));

    for (const QJsonValue& u : Arr(top, "users", ASource)) {
        const QString where = ASource + QStringLiteral(": пользователь");
        if (!u.isObject())
            Fail(where, QStringLiteral("ожидается объект"));
        OnlyKeys(u.toObject(), {"login", "name"}, where);
        TDbUser user{Str(u.toObject(), "login", where, true), Str(u.toObject(), "name", where)};
        for (const TDbUser& x : Users)
            if (x.Login == user.Login)
                Fail(where, QStringLiteral("пользователь \"%1\" описан дважды").arg(user.Login));
        Users.push_back(user);
    }

    ReadViews(Arr(top, "views", ASource), ASource);
    ReadCards(Arr(top, "cards", ASource), ASource);
    ReadDetBooks(Arr(top, "detailsets", ASource), ASource);
    for (const QJsonValue& f : Arr(top, "filters", ASource)) {
        if (!f.isObject())
            Fail(ASource + QStringLiteral(": фильтр"), QStringLiteral("ожидается объект"));
        ReadFilter(f.toObject(), ASource + QStringLiteral(": фильтр \"%1\"").arg(f.toObject().value("name").toString()),
                   nullptr);
    }
}

void TDbCatalogue::ReadObjects(const QJsonArray& AObjs, const QString& ASource, bool ACreate)
{
    // What a field's description says beyond TFld, kept until every object
    // of the file is known.
    struct TPending {
        TFld* Fld;
        QString Where;
        QString RefTable;
        QSet<QString> Flags;
        QJsonObject Extra;
    };
    QList<TPending> pending;
    const QStringList fieldFlags = {"notnull", "main", "virt", "sys", "nosys", "def0", "det", "mainlink"};
    const QStringList extraKeys = {"rule", "name", "linkcapt", "formula", "sum", "over"};

    // Pass 1: objects and their fields.
    for (const QJsonValue& v : AObjs) {
        if (!v.isObject())
            Fail(ASource, QStringLiteral("описание объекта должно быть объектом JSON"));
        const QJsonObject o = v.toObject();
        const QString table = o.value(QStringLiteral("table")).toString();
        const QString where = QStringLiteral("%1: объект \"%2\"").arg(ASource, table);
        OnlyKeys(o, {"table", "capt", "capt2", "flags", "fields", "about"}, where);
        if (!IsIdentifier(table))
            Fail(where, QStringLiteral("имя таблицы должно быть идентификатором в верхнем регистре"));
        if (FindObj(table))
            Fail(where, QStringLiteral("объект описан дважды"));
        const QSet<QString> flags = Words(o.value(QStringLiteral("flags")), {"ref", "meta", "sys"}, where);

        auto obj = std::make_unique<TObj>();
        obj->Table = table;
        obj->Capt = Str(o, "capt", where, true);
        obj->Capt2 = Str(o, "capt2", where);
        if (obj->Capt2.isEmpty())
            obj->Capt2 = obj->Capt;
        obj->Ref = flags.contains(QStringLiteral("ref"));
        obj->Meta = flags.contains(QStringLiteral("meta"));
        obj->Sys = flags.contains(QStringLiteral("sys"));
        obj->CreateObjLists();

        for (const QJsonValue& fv : Arr(o, "fields", where)) {
            const QJsonArray a = fv.toArray();
            const QString column = a.isEmpty() ? QString() : a[0].toString();
            const QString fwhere = QStringLiteral("%1, поле \"%2\"").arg(where, column);
            if (!fv.isArray() || a.size() < 3 || a.size() > 5 || !a[0].isString() || !a[1].isString() ||
                !a[2].isString() || (a.size() > 3 && !a[3].isString()) || (a.size() > 4 && !a[4].isObject()))
                Fail(fwhere, QStringLiteral("поле задаётся как [колонка, тип, название, \"признаки\", {дополнения}]"));
            if (!IsIdentifier(column))
                Fail(fwhere, QStringLiteral("имя колонки должно быть идентификатором в верхнем регистре"));
            if (obj->FldList->GetFldByFldName(column))
                Fail(fwhere, QStringLiteral("поле описано дважды"));

            auto fld = std::make_unique<TFld>();
            fld->Obj = obj.get();
            fld->Field = column;
            fld->Capt = a[2].toString();
            if (fld->Capt.isEmpty())
                Fail(fwhere, QStringLiteral("не указано название"));
            TPending p{nullptr, fwhere, {}, Words(a.size() > 3 ? a[3] : QJsonValue(), fieldFlags, fwhere),
                       a.size() > 4 ? a[4].toObject() : QJsonObject()};
            OnlyKeys(p.Extra, extraKeys, fwhere);

            static const QRegularExpression typeRe(QStringLiteral("^([a-zA-Z0-9]+)(?:\\(([A-Z0-9_]+)\\))?$"));
            const QRegularExpressionMatch m = typeRe.match(a[1].toString());
            const QString type = m.captured(1);
            const QString arg = m.captured(2);
            const QStringList types = {"pk", "string", "fk", "int", "boolean", "num182", "num183", "num184", "date",
                                       "Formula"};
            if (!m.hasMatch() || !types.contains(type))
                Fail(fwhere, QStringLiteral("неизвестный тип \"%1\" (допустимы: pk, string(РАЗМЕР), fk(ТАБЛИЦА), "
                                            "int, boolean, num182, num183, num184, date, Formula)")
                                 .arg(a[1].toString()));
            fld->FldType = static_cast<TFldType>(types.indexOf(type));
            fld->NotNull = p.Flags.contains(QStringLiteral("notnull"));
            fld->Main = p.Flags.contains(QStringLiteral("main"));
            fld->Virt = p.Flags.contains(QStringLiteral("virt"));
            fld->Def0 = p.Flags.contains(QStringLiteral("def0"));
            fld->Sys = p.Flags.contains(QStringLiteral("sys")) ||
                       (obj->Sys && !p.Flags.contains(QStringLiteral("nosys")));
            if (fld->FldType == ftString) {
                bool ok = false;
                fld->Size = arg.toInt(&ok);
                if (!ok || fld->Size <= 0 || fld->Size > 8191)
                    Fail(fwhere, QStringLiteral("у строкового поля размер задаётся как string(РАЗМЕР)"));
            } else if (fld->FldType == ftFK) {
                if (fld->Virt && !arg.isEmpty())
                    Fail(fwhere, QStringLiteral("виртуальное поле связи не ссылается на таблицу: тип \"fk\""));
                if (!fld->Virt && arg.isEmpty())
                    Fail(fwhere, QStringLiteral("у поля связи указывается таблица: fk(ТАБЛИЦА)"));
                p.RefTable = arg;
            } else if (!arg.isEmpty()) {
                Fail(fwhere, QStringLiteral("у типа \"%1\" нет параметра").arg(type));
            }
            if (fld->FldType == ftPK) {
                if (obj->FldList->GetPKFld())
                    Fail(fwhere, QStringLiteral("у объекта уже есть ключевое поле"));
                if (fld->Virt)
                    Fail(fwhere, QStringLiteral("ключевое поле не может быть виртуальным"));
            }
            if (fld->FldType == ftFormula && !fld->Virt)
                Fail(fwhere, QStringLiteral("поле типа Formula всегда виртуальное (признак virt)"));
            if (fld->Def0 && (fld->FldType == ftPK || fld->FldType == ftString || fld->FldType == ftFK ||
                              fld->FldType == ftDate || fld->FldType == ftFormula))
                Fail(fwhere, QStringLiteral("признак def0 бывает только у целых, логических и числовых полей"));
            if (fld->Main) {
                for (TFld* other : *obj->FldList)
                    if (other->Main)
                        Fail(fwhere, QStringLiteral("главное поле уже указано: \"%1\"").arg(other->Field));
            }
            const bool linkOptions = p.Flags.contains(QStringLiteral("det")) ||
                                     p.Flags.contains(QStringLiteral("mainlink")) || p.Extra.contains("rule") ||
                                     p.Extra.contains("name") || p.Extra.contains("linkcapt");
            if (linkOptions && (fld->FldType != ftFK || fld->Virt))
                Fail(fwhere, QStringLiteral("свойства связи (det, mainlink, rule, name, linkcapt) бывают только у "
                                            "хранимого поля связи"));
            if (p.Extra.contains("formula") && !IsFormulaType(fld->FldType))
                Fail(fwhere, QStringLiteral("у поля этого типа не бывает формулы"));
            if (p.Extra.contains("sum") != p.Extra.contains("over"))
                Fail(fwhere, QStringLiteral("суммирующее поле задаётся парой \"sum\" (поле) и \"over\" (связь)"));
            p.Fld = obj->FldList->Add(std::move(fld));
            pending.append(p);
        }
        if (!obj->FldList->GetPKFld())
            Fail(where, QStringLiteral("у объекта нет ключевого поля (тип pk)"));
        if (obj->FldList->GetPKFld()->Field != table + QStringLiteral("_ID"))
            Fail(where, QStringLiteral("ключевое поле называется по таблице: %1_ID").arg(table));
        if (ACreate)
            FNew.append(obj.get());
        Objs.push_back(std::move(obj));
    }

    // Pass 2: links, in field order.
    QSet<QString> linkNames;
    for (TObjLink* l : Links())
        if (!l->Name.isEmpty())
            linkNames.insert(l->Name);
    for (const TPending& p : pending) {
        TFld* f = p.Fld;
        if (f->FldType != ftFK || f->Virt)
            continue;
        TObj* parent = FindObj(p.RefTable);
        if (!parent)
            Fail(p.Where, QStringLiteral("объект с таблицей \"%1\" не описан").arg(p.RefTable));
        auto link = std::make_unique<TObjLink>();
        link->ParentObj = parent;
        link->ChildFld = f;
        link->Main = p.Flags.contains(QStringLiteral("mainlink"));
        link->Det = p.Flags.contains(QStringLiteral("det"));
        link->Sys = f->Sys;
        link->Capt = p.Extra.value(QStringLiteral("linkcapt")).toString();
        link->Name = p.Extra.value(QStringLiteral("name")).toString();
        const QString rule = p.Extra.value(QStringLiteral("rule")).toString();
        if (rule.isEmpty())
            link->DeleteRule = parent->Ref ? fkNoAction : fkSetNull;  // as the configurator proposes
        else if (kFKRules.contains(rule))
            link->DeleteRule = static_cast<TFKRule>(kFKRules.indexOf(rule) + 1);
        else
            Fail(p.Where, QStringLiteral("неизвестное правило удаления \"%1\" (допустимы: %2)")
                              .arg(rule, kFKRules.join(QStringLiteral(", "))));
        if (link->DeleteRule == fkSetNull && f->NotNull)
            Fail(p.Where, QStringLiteral("обязательное поле связи не может получать пустое значение (SetNull)"));
        if (!link->Name.isEmpty()) {
            if (linkNames.contains(link->Name))
                Fail(p.Where, QStringLiteral("имя связи \"%1\" уже занято").arg(link->Name));
            linkNames.insert(link->Name);
        }
        f->FKObj = parent;
        f->FKRule = link->DeleteRule;
        TObjLink* l = parent->ChildList->AddOwned(std::move(link));
        f->Obj->ParentList->Add(l);
    }

    // Pass 3: summing fields.
    for (const TPending& p : pending) {
        if (!p.Extra.contains("sum"))
            continue;
        TFld* f = p.Fld;
        if (!IsSummable(f->FldType) || f->Virt)
            Fail(p.Where, QStringLiteral("суммирующим бывает только хранимое целое или числовое поле"));
        TObjLink* link = nullptr;
        try {
            link = LinkByRef(p.Extra.value(QStringLiteral("over")).toString());
        } catch (const Exception& e) {
            Fail(p.Where, e.Message());
        }
        if (link->ParentObj != f->Obj)
            Fail(p.Where, QStringLiteral("суммируемая связь должна вести к объекту \"%1\"").arg(f->Obj->Table));
        const QString summed = p.Extra.value(QStringLiteral("sum")).toString();
        TFld* agr = link->ChildFld->Obj->FldList->GetFldByFldName(summed);
        if (!agr || agr->Virt)
            Fail(p.Where, QStringLiteral("у объекта \"%1\" нет хранимого поля \"%2\"")
                              .arg(link->ChildFld->Obj->Table, summed));
        if (agr->FldType != f->FldType)
            Fail(p.Where, QStringLiteral("суммируемое поле \"%1\" другого типа").arg(summed));
        if (p.Extra.contains("formula"))
            Fail(p.Where, QStringLiteral("у суммирующего поля не бывает формулы"));
        f->AgrObjLink = link;
        f->AgrFld = agr;
    }

    // Pass 4: formulas, checked as the formula editor checks them.
    QSet<TObj*> withFormulas;
    for (const TPending& p : pending) {
        if (!p.Extra.contains("formula"))
            continue;
        try {
            p.Fld->Formula->FormulaItemRoot = ParseFormula(p.Fld->Obj, p.Extra.value(QStringLiteral("formula")).toString());
        } catch (const Exception& e) {
            Fail(p.Where, e.Message());
        }
        p.Fld->FormulaHave = true;
        withFormulas.insert(p.Fld->Obj);
    }
    // A formula that reads, through other formulas of the record, its own
    // field would be recalculated without end.
    for (TObj* obj : withFormulas) {
        std::function<void(TFld*, QList<TFld*>&)> visit = [&](TFld* AFld, QList<TFld*>& AChain) {
            if (AChain.contains(AFld)) {
                QStringList names;
                for (TFld* f : AChain.mid(AChain.indexOf(AFld)))
                    names.append(f->Field);
                names.append(AFld->Field);
                Fail(QStringLiteral("%1: объект \"%2\"").arg(ASource, obj->Table),
                     QStringLiteral("формулы полей образуют цикл: %1").arg(names.join(QStringLiteral(" > "))));
            }
            if (!AFld->Formula->FormulaItemRoot)
                return;
            AChain.append(AFld);
            QList<TFld*> refs;
            DirectRefs(AFld->Formula->FormulaItemRoot.get(), refs);
            for (TFld* r : refs)
                visit(r, AChain);
            AChain.removeLast();
        };
        for (TFld* f : *obj->FldList) {
            QList<TFld*> chain;
            visit(f, chain);
        }
    }
}

void TDbCatalogue::ReadViews(const QJsonArray& AViews, const QString& ASource)
{
    for (const QJsonValue& v : AViews) {
        const QJsonObject o = v.toObject();
        const QString where = QStringLiteral("%1: представление \"%2\"").arg(ASource, o.value("name").toString());
        if (!v.isObject())
            Fail(where, QStringLiteral("ожидается объект JSON"));
        OnlyKeys(o, {"name", "capt", "obj", "link", "default", "dev", "users", "columns", "filters"}, where);
        auto view = std::make_unique<TDbView>();
        view->Name = Str(o, "name", where, true);
        view->Capt = Str(o, "capt", where, true);
        view->Default = Flag(o, "default", where);
        view->Dev = Flag(o, "dev", where);
        view->Users = StrList(o, "users", where);
        const QString obj = Str(o, "obj", where);
        const QString link = Str(o, "link", where);
        try {
            if (obj.isEmpty() == link.isEmpty())
                throw Exception(QStringLiteral("укажите либо \"obj\" (объект), либо \"link\" (связь)"));
            if (!obj.isEmpty())
                view->Obj = ObjByTable(obj);
            else
                view->Link = LinkByRef(link);
            for (const auto& other : Views)
                if (other->Name == view->Name && other->Obj == view->Obj && other->Link == view->Link)
                    throw Exception(QStringLiteral("представление с таким именем уже есть"));
            view->Root = ColumnTree(view->ListedObj(), StrList(o, "columns", where));
        } catch (const Exception& e) {
            Fail(where, e.Message());
        }
        TDbView* added = Views.emplace_back(std::move(view)).get();
        for (const QJsonValue& f : Arr(o, "filters", where)) {
            if (!f.isObject())
                Fail(where, QStringLiteral("фильтр должен быть объектом JSON"));
            ReadFilter(f.toObject(), QStringLiteral("%1, фильтр \"%2\"").arg(where, f.toObject().value("name").toString()),
                       added);
        }
    }
}

void TDbCatalogue::ReadCards(const QJsonArray& ACards, const QString& ASource)
{
    for (const QJsonValue& v : ACards) {
        const QJsonObject o = v.toObject();
        const QString where = QStringLiteral("%1: карточка \"%2\"").arg(ASource, o.value("name").toString());
        if (!v.isObject())
            Fail(where, QStringLiteral("ожидается объект JSON"));
        OnlyKeys(o, {"name", "capt", "obj", "default", "dev", "users", "width", "heightdet", "fields", "tabs", "ro"},
                 where);
        auto card = std::make_unique<TDbCard>();
        card->Name = Str(o, "name", where, true);
        card->Capt = Str(o, "capt", where, true);
        card->Default = Flag(o, "default", where);
        card->Dev = Flag(o, "dev", where);
        card->Users = StrList(o, "users", where);
        card->Width = Int(o, "width", where, DbLayout::CardWidth);
        card->HeightDet = Int(o, "heightdet", where, 200);
        try {
            card->Obj = ObjByTable(Str(o, "obj", where, true));
            for (const auto& other : Cards)
                if (other->Name == card->Name && other->Obj == card->Obj)
                    throw Exception(QStringLiteral("карточка с таким именем уже есть"));
        } catch (const Exception& e) {
            Fail(where, e.Message());
        }
        QSet<TFld*> placed;
        auto fields = [&](const QStringList& ANames) {
            QList<TFld*> result;
            for (const QString& n : ANames) {
                TFld* f = card->Obj->FldList->GetFldByFldName(n);
                if (!f)
                    Fail(where, QStringLiteral("у объекта \"%1\" нет поля \"%2\"").arg(card->Obj->Table, n));
                if (placed.contains(f))
                    Fail(where, QStringLiteral("поле \"%1\" уже есть на карточке").arg(n));
                placed.insert(f);
                result.append(f);
            }
            return result;
        };
        const QList<TFld*> top = fields(StrList(o, "fields", where));
        QList<TDbCardTab> tabs;
        for (const QJsonValue& t : Arr(o, "tabs", where)) {
            const QString twhere = where + QStringLiteral(", вкладка");
            if (!t.isObject())
                Fail(twhere, QStringLiteral("ожидается объект JSON"));
            OnlyKeys(t.toObject(), {"capt", "fields"}, twhere);
            tabs.append({Str(t.toObject(), "capt", twhere, true), fields(StrList(t.toObject(), "fields", twhere))});
        }
        card->Root = DbLayOutCard(card->Width, top, tabs, &card->HeightAtr);

        // Read-only flags other than the designer's presets: {"FIELD": "add edit"}.
        const QJsonObject ro = o.value(QStringLiteral("ro")).toObject();
        for (auto it = ro.begin(); it != ro.end(); ++it) {
            TFld* f = card->Obj->FldList->GetFldByFldName(it.key());
            if (!f || !placed.contains(f))
                Fail(where, QStringLiteral("\"ro\": поля \"%1\" нет на карточке").arg(it.key()));
            const QSet<QString> when = Words(it.value(), {"add", "edit"}, where + QStringLiteral(", \"ro\""));
            std::function<void(TDbCtrl*)> apply = [&](TDbCtrl* ACtrl) {
                if (ACtrl->Fld == f) {
                    ACtrl->ROAdd = when.contains(QStringLiteral("add"));
                    ACtrl->ROEdt = when.contains(QStringLiteral("edit"));
                }
                for (auto& c : ACtrl->Children)
                    apply(c.get());
            };
            apply(card->Root.get());
        }
        Cards.push_back(std::move(card));
    }
}

void TDbCatalogue::ReadDetBooks(const QJsonArray& ABooks, const QString& ASource)
{
    for (const QJsonValue& v : ABooks) {
        const QJsonObject o = v.toObject();
        const QString where = QStringLiteral("%1: набор деталей \"%2\"").arg(ASource, o.value("name").toString());
        if (!v.isObject())
            Fail(where, QStringLiteral("ожидается объект JSON"));
        OnlyKeys(o, {"name", "capt", "obj", "default", "dev", "users", "links"}, where);
        auto book = std::make_unique<TDbDetBook>();
        book->Name = Str(o, "name", where, true);
        book->Capt = Str(o, "capt", where, true);
        book->Default = Flag(o, "default", where);
        book->Dev = Flag(o, "dev", where);
        book->Users = StrList(o, "users", where);
        try {
            book->Obj = ObjByTable(Str(o, "obj", where, true));
            for (const QString& r : StrList(o, "links", where)) {
                TObjLink* l = LinkByRef(r);
                if (l->ParentObj != book->Obj)
                    throw Exception(QStringLiteral("связь \"%1\" ведёт не к объекту \"%2\"").arg(r, book->Obj->Table));
                if (book->Links.contains(l))
                    throw Exception(QStringLiteral("связь \"%1\" указана дважды").arg(r));
                book->Links.append(l);
            }
        } catch (const Exception& e) {
            Fail(where, e.Message());
        }
        DetBooks.push_back(std::move(book));
    }
}

void TDbCatalogue::ReadFilter(const QJsonObject& AFilter, const QString& AWhere, TDbView* AView)
{
    OnlyKeys(AFilter, AView ? QStringList{"name", "capt", "always", "dev", "tree"}
                            : QStringList{"name", "capt", "always", "dev", "obj", "link", "tree"},
             AWhere);
    auto filter = std::make_unique<TDbFilter>();
    filter->Name = Str(AFilter, "name", AWhere, true);
    filter->Capt = Str(AFilter, "capt", AWhere, true);
    filter->Always = Flag(AFilter, "always", AWhere);
    filter->Dev = Flag(AFilter, "dev", AWhere);
    filter->View = AView;
    if (!AView) {
        const QString obj = Str(AFilter, "obj", AWhere);
        const QString link = Str(AFilter, "link", AWhere);
        try {
            if (obj.isEmpty() == link.isEmpty())
                throw Exception(QStringLiteral("укажите либо \"obj\" (объект), либо \"link\" (связь)"));
            if (!obj.isEmpty())
                filter->Obj = ObjByTable(obj);
            else
                filter->Link = LinkByRef(link);
        } catch (const Exception& e) {
            Fail(AWhere, e.Message());
        }
    }
    if (!AFilter.contains(QStringLiteral("tree")))
        Fail(AWhere, QStringLiteral("не указано \"tree\" (дерево условий)"));
    filter->Root = ReadFltrNode(AFilter.value(QStringLiteral("tree")), filter->ListedObj(), AWhere);
    NumberTree(filter->Root.get());
    Filters.push_back(std::move(filter));
}

std::unique_ptr<TDbFltrNode> TDbCatalogue::ReadFltrNode(const QJsonValue& ANode, TObj* AListed,
                                                        const QString& AWhere) const
{
    const QJsonObject o = ANode.toObject();
    const QString where = AWhere + QStringLiteral(", узел \"%1\"").arg(o.value("kind").toString());
    if (!ANode.isObject())
        Fail(where, QStringLiteral("узел фильтра должен быть объектом JSON"));
    OnlyKeys(o, {"kind", "field", "name", "value", "not", "link", "nodes"}, where);
    auto node = std::make_unique<TDbFltrNode>();
    node->Kind = Str(o, "kind", where, true);
    if (!kFltrKinds.contains(node->Kind))
        Fail(where, QStringLiteral("неизвестный вид узла (допустимы: %1)").arg(kFltrKinds.join(QStringLiteral(", "))));
    node->Not = Flag(o, "not", where);
    node->Name = Str(o, "name", where);
    const QJsonValue value = o.value(QStringLiteral("value"));
    if (value.isString())
        node->Value = value.toString();
    else if (value.isDouble())
        node->Value = QString::number(value.toDouble(), 'g', 15);
    else if (!value.isUndefined() && !value.isNull())
        Fail(where, QStringLiteral("значение узла задаётся строкой или числом"));
    const bool group = node->Kind == QLatin1String("And") || node->Kind == QLatin1String("Or");
    const QString field = Str(o, "field", where);
    try {
        if (!field.isEmpty())
            node->Ref = FldPath(AListed, field);
        if (o.contains(QStringLiteral("link")))
            node->Link = LinkByRef(Str(o, "link", where, true));
    } catch (const Exception& e) {
        Fail(where, e.Message());
    }
    if (group && node->Ref.Fld)
        Fail(where, QStringLiteral("узел \"%1\" объединяет условия и не сравнивает поле").arg(node->Kind));
    if (!group && !node->Ref.Fld)
        Fail(where, QStringLiteral("условию нужно поле (\"field\")"));
    if (node->Ref.Fld && node->Ref.Fld->Virt)
        Fail(where, QStringLiteral("виртуальное поле нельзя сравнить в запросе"));
    const QJsonArray nodes = Arr(o, "nodes", where);
    if (group && nodes.isEmpty())
        Fail(where, QStringLiteral("у узла \"%1\" нет условий (\"nodes\")").arg(node->Kind));
    if (!group && !nodes.isEmpty())
        Fail(where, QStringLiteral("у условия не бывает вложенных узлов"));
    for (const QJsonValue& c : nodes)
        node->Children.push_back(ReadFltrNode(c, AListed, AWhere));
    return node;
}

// ---------------------------------------------------------------- defaults

void TDbCatalogue::Complete()
{
    for (const auto& holder : Objs) {
        TObj* obj = holder.get();
        if (FCompleted.contains(obj))
            continue;
        FCompleted.append(obj);

        // Columns of a generated view: each field, a reference by the main
        // field of the object it refers to.
        auto columns = [](TObj* AObj, const TFld* AExcept) {
            QStringList result;
            for (TFld* f : PlainFields(AObj, AExcept, false)) {
                if (f->FldType != ftFK) {
                    result.append(f->Field);
                } else if (TFld* main = f->FKObj->FldList->GetMainFld(false)) {
                    if (main->FldType == ftFK)
                        continue;
                    result.append(f->Field + u'>' + main->Field);
                }
            }
            return result;
        };

        bool hasView = false;
        for (const auto& v : Views)
            hasView = hasView || (v->Obj == obj && v->Default);
        if (!hasView) {
            auto view = std::make_unique<TDbView>();
            view->Name = QStringLiteral("Default");
            view->Capt = obj->Capt2;
            view->Obj = obj;
            view->Default = true;
            view->Root = ColumnTree(obj, columns(obj, nullptr));
            Views.push_back(std::move(view));
        }
        for (TObjLink* link : *obj->ParentList) {
            if (!link->Det)
                continue;
            bool has = false;
            for (const auto& v : Views)
                has = has || (v->Link == link && v->Default);
            if (has)
                continue;
            auto view = std::make_unique<TDbView>();
            view->Name = QStringLiteral("Default");
            view->Capt = obj->Capt2;
            view->Link = link;
            view->Default = true;
            view->Root = ColumnTree(obj, columns(obj, link->ChildFld));
            Views.push_back(std::move(view));
        }

        bool hasCard = false;
        for (const auto& c : Cards)
            hasCard = hasCard || (c->Obj == obj && c->Default);
        if (!hasCard) {
            auto card = std::make_unique<TDbCard>();
            card->Name = QStringLiteral("Default");
            card->Capt = obj->Capt;
            card->Obj = obj;
            card->Default = true;
            card->Width = DbLayout::CardWidth;
            card->HeightDet = 200;
            // Up to ten fields fit on the card itself; more go on tabs of eight.
            const QList<TFld*> fields = PlainFields(obj, nullptr, false);
            QList<TDbCardTab> tabs;
            if (fields.size() > 10)
                for (int i = 0; i < fields.size(); i += 8)
                    tabs.append({i == 0 ? QStringLiteral("Основное")
                                        : i == 8 ? QStringLiteral("Дополнительно")
                                                 : QStringLiteral("Дополнительно %1").arg(i / 8),
                                 fields.mid(i, 8)});
            card->Root = DbLayOutCard(card->Width, tabs.isEmpty() ? fields : QList<TFld*>(), tabs, &card->HeightAtr);
            Cards.push_back(std::move(card));
        }
    }
}
