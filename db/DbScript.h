// SQL scripts of the database set-up: splitting a script into statements and
// running them one by one, each in a transaction of its own.
#pragma once

#include <QList>
#include <QString>

class TIBDatabase;

struct TSqlStatement {
    QString Text;  // the statement without its terminator and without comments
    int Line = 0;  // line of the script where the statement starts (1-based)
};

// Splits a script into statements. A statement ends with the current
// terminator (";" at the start); text in quotes, double quotes, "--" line
// comments and block comments never ends one. The statement "SET TERM <t>"
// (case-insensitive, itself ended by the current terminator) makes <t> the
// terminator and is not returned. Statements that hold nothing but blanks and
// comments are dropped; a last statement without a terminator is kept.
// Raises Exception for a string or block comment left open at the end.
QList<TSqlStatement> SplitSqlScript(const QString& AScript);

// Runs every statement of the script on the open connection, committing after
// each one, so that later statements see what earlier ones created. A failing
// statement raises Exception naming ASourceName, the statement's line and the
// server's message; statements before it stay committed. Statements must not
// take parameters (":NAME"): such a statement is refused before it runs.
// Answers the number of statements run.
int RunSqlScript(TIBDatabase* ADatabase, const QString& AScript, const QString& ASourceName);
