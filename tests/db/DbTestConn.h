// A connection of its own to a test database, with small query helpers.
#pragma once

#include "core/IBX.h"

#include <QString>
#include <QStringList>

struct TDbTestConn {
    TIBDatabase Db;
    TIBTransaction Tr{&Db};

    explicit TDbTestConn(const QString& APath)
    {
        Db.DatabaseName = APath;
        Db.Params = QStringList{QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumvexor"),
                                QStringLiteral("lc_ctype=UTF8")};
        Db.Open();
        Tr.Params = QStringList{QStringLiteral("read_committed"), QStringLiteral("rec_version"),
                                QStringLiteral("nowait")};
        Tr.StartTransaction();
    }

    void Exec(const QString& ASql)
    {
        TIBSQL q(&Db, &Tr);
        q.SQL = QStringList{ASql};
        q.ExecQuery();
        q.Close();
    }

    // The first column of every row, as text.
    QStringList Column(const QString& ASql)
    {
        TIBSQL q(&Db, &Tr);
        q.SQL = QStringList{ASql};
        QStringList result;
        for (q.ExecQuery(); !q.Eof(); q.Next())
            result.append(q.Fields(0).AsString());
        q.Close();
        return result;
    }

    // The first column of the first row as an integer (-1 when there is no row).
    int Int(const QString& ASql)
    {
        TIBSQL q(&Db, &Tr);
        q.SQL = QStringList{ASql};
        q.ExecQuery();
        int result = q.Eof() ? -1 : q.Fields(0).AsInteger();
        q.Close();
        return result;
    }
};
