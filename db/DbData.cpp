#include "DbData.h"

#include "core/IBX.h"
#include "core/SysUtils.h"
#include "core/Variant.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// Table and column names are written into the statements, so only plain
// upper-case identifiers are accepted.
bool IsIdentifier(const QString& AName)
{
    static const QRegularExpression re(QStringLiteral("^[A-Z][A-Z0-9_]{0,30}$"));
    return re.match(AName).hasMatch();
}

Variant NumberToVariant(double AValue)
{
    if (!std::isfinite(AValue))
        throw Exception(QStringLiteral("недопустимое число"));
    if (AValue == std::floor(AValue) && AValue >= std::numeric_limits<int>::min() &&
        AValue <= std::numeric_limits<int>::max())
        return Variant(static_cast<int>(AValue));
    double scaled = AValue * 10000.0;
    if (std::fabs(scaled) < 9.0e17 && std::fabs(scaled - std::round(scaled)) < 1e-6)
        return Variant(Currency::FromRaw(static_cast<int64_t>(std::llround(scaled))));
    return Variant(AValue);
}

}  // namespace

TDbDataLoader::TDbDataLoader(TIBDatabase* ADatabase, TIBTransaction* ATransaction)
    : FDatabase(ADatabase), FTransaction(ATransaction)
{
}

int TDbDataLoader::IdOf(const QString& ALabel) const
{
    auto it = FLabels.constFind(ALabel);
    if (it == FLabels.constEnd())
        throw Exception(QStringLiteral("Неизвестная метка \"%1\"").arg(ALabel));
    return it.value();
}

int TDbDataLoader::Lookup(const QString& AReference)
{
    auto cached = FLookups.constFind(AReference);
    if (cached != FLookups.constEnd())
        return cached.value();
    static const QRegularExpression re(QStringLiteral("^([^.=]+)\\.([^.=]+)=(.*)$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch m = re.match(AReference);
    if (!m.hasMatch() || !IsIdentifier(m.captured(1)) || !IsIdentifier(m.captured(2)))
        throw Exception(QStringLiteral("ссылка \"#%1\" не имеет вида #ТАБЛИЦА.КОЛОНКА=значение").arg(AReference));
    const QString table = m.captured(1);
    const QString column = m.captured(2);
    TIBSQL q(FDatabase, FTransaction);
    q.SQL = QStringList{QStringLiteral("select %1_ID from %1 where %2 = :V").arg(table, column)};
    q.ParamByName(QStringLiteral("V")).SetAsString(m.captured(3));
    q.ExecQuery();
    if (q.Eof())
        throw Exception(QStringLiteral("ссылка \"#%1\": строка не найдена").arg(AReference));
    int id = q.Fields(0).AsInteger();
    q.Next();
    bool several = !q.Eof();
    q.Close();
    if (several)
        throw Exception(QStringLiteral("ссылка \"#%1\": найдено несколько строк").arg(AReference));
    FLookups.insert(AReference, id);
    return id;
}

void TDbDataLoader::Load(const QByteArray& AJson, const QString& ASourceName,
                         const std::function<void(const QString&)>& ALog)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(AJson, &err);
    if (err.error != QJsonParseError::NoError)
        throw Exception(QStringLiteral("%1: ошибка JSON в позиции %2: %3")
                            .arg(ASourceName, QString::number(err.offset), err.errorString()));
    if (!doc.isObject() || !doc.object().value(QStringLiteral("tables")).isArray())
        throw Exception(QStringLiteral("%1: ожидается объект с массивом \"tables\"").arg(ASourceName));

    const QJsonArray blocks = doc.object().value(QStringLiteral("tables")).toArray();
    for (int b = 0; b < blocks.size(); ++b) {
        const QJsonObject block = blocks[b].toObject();
        const QString table = block.value(QStringLiteral("table")).toString();
        const QString where = QStringLiteral("%1: таблица %2 (блок %3)")
                                  .arg(ASourceName, table.isEmpty() ? QStringLiteral("?") : table,
                                       QString::number(b + 1));
        if (!blocks[b].isObject() || !IsIdentifier(table))
            throw Exception(QStringLiteral("%1: имя таблицы должно быть идентификатором в верхнем регистре").arg(where));
        const QString key = table + QStringLiteral("_ID");

        // Columns: "@" (label) or identifiers, each once, never the key.
        const QJsonArray cols = block.value(QStringLiteral("columns")).toArray();
        QStringList columns;
        int labelIndex = -1;
        for (int c = 0; c < cols.size(); ++c) {
            const QString name = cols[c].toString();
            if (name == QStringLiteral("@")) {
                if (labelIndex >= 0)
                    throw Exception(QStringLiteral("%1: колонка \"@\" указана дважды").arg(where));
                labelIndex = c;
            } else if (!IsIdentifier(name)) {
                throw Exception(QStringLiteral("%1: недопустимое имя колонки \"%2\"").arg(where, name));
            } else if (name == key) {
                throw Exception(QStringLiteral("%1: ключ %2 выдаётся последовательностью и не задаётся").arg(where, key));
            } else if (columns.contains(name)) {
                throw Exception(QStringLiteral("%1: колонка %2 указана дважды").arg(where, name));
            }
            columns.append(name);
        }
        const bool update = block.value(QStringLiteral("update")).toBool();
        if (update && labelIndex < 0)
            throw Exception(QStringLiteral("%1: блок изменения строк требует колонку \"@\"").arg(where));
        QStringList targetCols;
        QStringList targetParams;
        for (int c = 0; c < columns.size(); ++c) {
            if (c == labelIndex)
                continue;
            targetCols.append(columns[c]);
            targetParams.append(QStringLiteral(":") + columns[c]);
        }
        if (update && targetCols.isEmpty())
            throw Exception(QStringLiteral("%1: блок изменения строк не называет ни одной колонки").arg(where));

        TIBSQL gen(FDatabase, FTransaction);
        gen.SQL = QStringList{QStringLiteral("select gen_id(%1, 1) from RDB$DATABASE").arg(key)};
        TIBSQL ins(FDatabase, FTransaction);
        if (update) {
            QStringList sets;
            for (const QString& c : targetCols)
                sets.append(QStringLiteral("%1 = :%1").arg(c));
            ins.SQL = QStringList{QStringLiteral("update %1 set %2").arg(table, sets.join(QStringLiteral(", "))),
                                  QStringLiteral("where %1 = :%1").arg(key)};
        } else {
            ins.SQL = QStringList{QStringLiteral("insert into %1 (%2, %3)")
                                      .arg(table, key, targetCols.join(QStringLiteral(", "))),
                                  QStringLiteral("values (:%1, %2)").arg(key, targetParams.join(QStringLiteral(", ")))};
            if (targetCols.isEmpty())
                ins.SQL = QStringList{QStringLiteral("insert into %1 (%2) values (:%2)").arg(table, key)};
        }

        const QJsonArray rows = block.value(QStringLiteral("rows")).toArray();
        for (int r = 0; r < rows.size(); ++r) {
            try {
                if (!rows[r].isArray())
                    throw Exception(QStringLiteral("строка должна быть массивом значений"));
                const QJsonArray row = rows[r].toArray();
                if (row.size() != columns.size())
                    throw Exception(QStringLiteral("ожидается значений: %1, дано: %2").arg(columns.size()).arg(row.size()));

                QString label;
                if (labelIndex >= 0) {
                    label = row[labelIndex].toString();
                    if (!row[labelIndex].isString() || label.isEmpty())
                        throw Exception(QStringLiteral("метка должна быть непустой строкой"));
                    if (!update && FLabels.contains(label))
                        throw Exception(QStringLiteral("метка \"%1\" уже использована").arg(label));
                }

                for (int c = 0; c < columns.size(); ++c) {
                    if (c == labelIndex)
                        continue;
                    TIBParam& p = ins.ParamByName(columns[c]);
                    const QJsonValue v = row[c];
                    switch (v.type()) {
                    case QJsonValue::Null:
                        p.Clear();
                        break;
                    case QJsonValue::Bool:
                        p.SetAsInteger(v.toBool() ? 1 : 0);
                        break;
                    case QJsonValue::Double:
                        p.SetAsVariant(NumberToVariant(v.toDouble()));
                        break;
                    case QJsonValue::String: {
                        const QString s = v.toString();
                        if (s.startsWith(QStringLiteral("@@")) || s.startsWith(QStringLiteral("##")))
                            p.SetAsString(s.mid(1));
                        else if (s.startsWith(u'@'))
                            p.SetAsInteger(IdOf(s.mid(1)));
                        else if (s.startsWith(u'#'))
                            p.SetAsInteger(Lookup(s.mid(1)));
                        else
                            p.SetAsString(s);
                        break;
                    }
                    default:
                        throw Exception(QStringLiteral("значение колонки %1 не может быть массивом или объектом")
                                            .arg(columns[c]));
                    }
                }

                if (update) {
                    ins.ParamByName(key).SetAsInteger(IdOf(label));
                    ins.ExecQuery();
                    const int affected = ins.RowsAffected();
                    ins.Close();
                    if (affected != 1)
                        throw Exception(QStringLiteral("строка с меткой \"%1\" не найдена в таблице").arg(label));
                } else {
                    gen.ExecQuery();
                    const int id = gen.Fields(0).AsInteger();
                    gen.Close();
                    ins.ParamByName(key).SetAsInteger(id);
                    ins.ExecQuery();
                    ins.Close();
                    if (labelIndex >= 0)
                        FLabels.insert(label, id);
                }
            } catch (const Exception& e) {
                throw Exception(QStringLiteral("%1, строка %2: %3").arg(where, QString::number(r + 1), e.Message()));
            }
        }
        if (ALog)
            ALog(QStringLiteral("%1: %2 — %3 строк: %4")
                     .arg(ASourceName, table, update ? QStringLiteral("изменено") : QStringLiteral("добавлено"),
                          QString::number(rows.size())));
    }
}
