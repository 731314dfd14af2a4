#include "DbScript.h"

#include "core/IBX.h"
#include "core/SysUtils.h"

#include <QRegularExpression>

namespace {

// A statement being collected: its code (comments left out) and where it began.
struct TPending {
    QString Code;
    int Line = 0;

    void Add(QChar AChar, int ALine)
    {
        if (Code.isEmpty() && AChar.isSpace())
            return;
        if (Code.isEmpty())
            Line = ALine;
        Code += AChar;
    }
};

}  // namespace

QList<TSqlStatement> SplitSqlScript(const QString& AScript)
{
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QList<TSqlStatement> result;
    QString term = QStringLiteral(";");
    TPending cur;
    int line = 1;
    const int n = AScript.size();

    auto finish = [&]() {
        const QString code = cur.Code.trimmed();
        const int at = cur.Line;
        cur = TPending();
        if (code.isEmpty())
            return;
        QRegularExpressionMatch m = setTerm.match(code);
        if (m.hasMatch()) {
            term = m.captured(1);
            return;
        }
        result.append(TSqlStatement{code, at});
    };

    int i = 0;
    while (i < n) {
        QChar c = AScript[i];
        // Line comment: dropped up to (not including) the line break.
        if (c == u'-' && i + 1 < n && AScript[i + 1] == u'-') {
            while (i < n && AScript[i] != u'\n')
                ++i;
            continue;
        }
        // Block comment: dropped, replaced by a blank so tokens stay apart.
        if (c == u'/' && i + 1 < n && AScript[i + 1] == u'*') {
            int startLine = line;
            i += 2;
            while (i < n && !(AScript[i] == u'*' && i + 1 < n && AScript[i + 1] == u'/')) {
                if (AScript[i] == u'\n')
                    ++line;
                ++i;
            }
            if (i >= n)
                throw Exception(QStringLiteral("Комментарий, начатый в строке %1, не закрыт").arg(startLine));
            i += 2;
            if (!cur.Code.isEmpty())
                cur.Code += u' ';
            continue;
        }
        // Quoted text or identifier: copied as it is (a doubled quote stays inside).
        if (c == u'\'' || c == u'"') {
            int startLine = line;
            cur.Add(c, line);
            ++i;
            for (;;) {
                if (i >= n)
                    throw Exception(QStringLiteral("Строка или имя в кавычках, начатые в строке %1, не закрыты")
                                        .arg(startLine));
                QChar d = AScript[i];
                if (d == u'\n')
                    ++line;
                cur.Code += d;
                ++i;
                if (d == c) {
                    if (i < n && AScript[i] == c) {
                        cur.Code += c;
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            continue;
        }
        if (QStringView(AScript).mid(i, term.size()) == term) {
            i += term.size();  // before finish(), which may change the terminator
            finish();
            continue;
        }
        if (c == u'\n')
            ++line;
        cur.Add(c, line);
        ++i;
    }
    finish();
    return result;
}

int RunSqlScript(TIBDatabase* ADatabase, const QString& AScript, const QString& ASourceName)
{
    const QList<TSqlStatement> statements = SplitSqlScript(AScript);
    TIBTransaction tr(ADatabase);
    for (const TSqlStatement& st : statements) {
        auto where = [&]() { return QStringLiteral("%1, строка %2").arg(ASourceName, QString::number(st.Line)); };
        const TParsedSql parsed = ParseSqlParams(st.Text);
        if (!parsed.Names.isEmpty())
            throw Exception(QStringLiteral("%1: оператор принимает параметр :%2, а сценарий выполняется без параметров")
                                .arg(where(), parsed.Names.first()));
        try {
            tr.StartTransaction();
            TIBSQL q(ADatabase, &tr);
            q.SQL = st.Text.split(u'\n');
            q.ExecQuery();
            q.Close();
            tr.Commit();
        } catch (const Exception& e) {
            if (tr.InTransaction())
                tr.Rollback();
            QString first = st.Text.section(u'\n', 0, 0);
            throw Exception(QStringLiteral("%1: %2\n%3").arg(where(), first, e.Message()));
        }
    }
    return statements.size();
}
