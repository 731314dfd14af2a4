// Thin access layer over the Firebird client library (fbclient, ISC API):
// one connection with a parameter list, transactions with retaining commit and
// rollback, and statements with named (":NAME") and numbered (":0") parameters.
//
// SQL types map to variants as follows:
//   SMALLINT, INTEGER                  -> Integer (scale 0); Currency (scale 1..4)
//   BIGINT / NUMERIC(18,s)             -> Integer when it fits 32 bits (scale 0),
//                                         Currency for scale 1..4, Double otherwise
//   FLOAT, DOUBLE PRECISION            -> Double
//   CHAR, VARCHAR, BLOB SUB_TYPE TEXT  -> String (UTF-8)
//   DATE                               -> Date (day number, no fraction)
//   TIMESTAMP, TIME                    -> Date (day number with time fraction)
//   BOOLEAN                            -> Boolean
//   NULL of any type                   -> Null
// Parameters are sent as the variant's own type and converted by the server
// to the column's type; unassigned and Null are sent as NULL.
#pragma once

#include "SysUtils.h"
#include "Variant.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A failure reported by Firebird; the message is every message of the status
// vector, one per line.
class EIBError : public Exception {
public:
    EIBError(const QString& AMessage, long ASQLCode, long AIBErrorCode)
        : Exception(AMessage), SQLCode(ASQLCode), IBErrorCode(AIBErrorCode) {}
    long SQLCode;
    long IBErrorCode;
};

class TIBDatabase {
public:
    TIBDatabase();
    ~TIBDatabase();  // closes the connection (the active transaction rolls back)
    TIBDatabase(const TIBDatabase&) = delete;
    TIBDatabase& operator=(const TIBDatabase&) = delete;

    QString DatabaseName;  // path (embedded engine) or "host:path"; passed unchanged
    QStringList Params;    // "user_name=..", "password=..", "lc_ctype=..", "sql_role_name=.."
    bool LoginPrompt = false;

    void Open();
    void Close();  // ends every transaction of this connection by its default action
    bool Connected() const;

    // Creates a new database file and leaves it closed; raises EIBError when
    // the file exists or cannot be made.
    static void CreateDatabase(const QString& AName, const QString& AUser, const QString& APassword,
                               const QString& ACharset = QStringLiteral("UTF8"), int APageSize = 16384);

    void* Handle();  // isc_db_handle*

private:
    friend class TIBTransaction;
    friend class TIBSQL;
    friend class TIBField;
    struct Impl;
    std::unique_ptr<Impl> d;
};

enum class TTransactionAction { taRollback, taCommit };

class TIBTransaction {
public:
    explicit TIBTransaction(TIBDatabase* ADefaultDatabase = nullptr);
    ~TIBTransaction();  // ends an active transaction by its default action
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    TIBDatabase* DefaultDatabase = nullptr;
    // "read_committed", "rec_version", "no_rec_version", "nowait", "wait",
    // "concurrency", "consistency", "read", "write"; an unknown entry raises.
    QStringList Params;
    TTransactionAction DefaultAction = TTransactionAction::taRollback;

    void StartTransaction();
    void Commit();
    void Rollback();
    void CommitRetaining();    // the transaction stays active, open cursors stay usable
    void RollbackRetaining();  // the transaction stays active
    bool InTransaction() const;
    // Ends the transaction by DefaultAction (used when the connection closes).
    void EndByDefaultAction();

    void* Handle();  // isc_tr_handle*

private:
    friend class TIBDatabase;
    friend class TIBSQL;
    friend class TIBField;
    struct Impl;
    std::unique_ptr<Impl> d;
};

class TIBSQL;

// A parameter of a statement: every occurrence of one name is set at once.
class TIBParam {
public:
    void SetAsString(const QString& AValue);
    void SetAsInteger(int AValue);
    void SetAsDate(TDateTime AValue);
    void SetAsDouble(double AValue);
    void SetAsCurrency(Currency AValue);
    void SetAsVariant(const Variant& AValue);
    void Clear();  // NULL
    const Variant& Value() const { return FValue; }
    const QString& Name() const { return FName; }

private:
    friend class TIBSQL;
    QString FName;
    Variant FValue;
};

// A column of the current row.
class TIBField {
public:
    bool IsNull() const;
    int AsInteger() const;  // Null reads as 0
    QString AsString() const;  // Null reads as ""
    Currency AsCurrency() const;  // Null reads as 0
    double AsDouble() const;
    TDateTime AsDate() const;
    Variant AsVariant() const;
    QString Name() const;  // alias of the column as described by the server

private:
    friend class TIBSQL;
    const TIBSQL* FSql = nullptr;
    int FIndex = 0;
};

// A statement bound to a connection and a transaction. Its text is the list
// of lines SQL joined with CR LF; it is prepared again whenever that text
// changed since the last execution.
class TIBSQL {
public:
    TIBSQL(TIBDatabase* ADatabase, TIBTransaction* ATransaction);
    ~TIBSQL();
    TIBSQL(const TIBSQL&) = delete;
    TIBSQL& operator=(const TIBSQL&) = delete;

    TIBDatabase* Database = nullptr;
    TIBTransaction* Transaction = nullptr;
    QStringList SQL;
    // When false the text goes to the server unchanged (no ":NAME" parameters).
    // Statements that start with CREATE, ALTER or RECREATE are never scanned
    // for parameters: DDL takes none, and ":name" in a procedure or trigger
    // body is a local variable.
    bool ParamCheck = true;

    QString Text() const;  // SQL joined with "\r\n"
    void Prepare();        // parses the parameters and prepares; keeps set values by name
    // Parameter names in order of first occurrence (upper case), as parsed
    // from the current text (parsed again when the text changed; the server
    // is not asked, so parameters can be set before connecting).
    QStringList ParamNames();
    TIBParam& ParamByName(const QString& AName);  // case-insensitive; raises when absent
    int ParamCount();
    TIBParam& Params(int AIndex);  // by order of first occurrence

    void ExecQuery();  // executes; a select opens its cursor on the first row
    bool Eof() const;  // no current row
    void Next();       // fetches the next row
    void Close();      // closes the cursor; parameters keep their values
    bool Open() const;  // the cursor is open
    int RowsAffected() const;

    // Appends the current row to AOut as packed values (PackedRow.h), one per
    // column: exactly what Fields(i).AsVariant() reads, without building the
    // variants. The cheap way to keep many fetched rows. Raises like
    // AsVariant (no current row, a blob that cannot be read); AOut is then
    // left as it was.
    void PackRow(std::string& AOut) const;

    int FieldCount() const;
    // Values are converted when read; reading without a current row raises.
    const TIBField& Fields(int AIndex) const;
    const TIBField& FieldByName(const QString& AName) const;  // raises "Field \"%s\" not found"
    int FieldIndex(const QString& AName) const;  // -1 when absent

    // Called with the text of every statement executed through any TIBSQL;
    // tests use it to see which statements ran.
    static std::function<void(const QString&)> OnExecute;

private:
    friend class TIBField;
    friend class TIBDatabase;
    friend class TIBTransaction;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Closes a statement when the scope ends, also when an exception leaves it.
class TIBSQLCloser {
public:
    explicit TIBSQLCloser(TIBSQL& ASql) : FSql(ASql) {}
    ~TIBSQLCloser() { FSql.Close(); }
    TIBSQLCloser(const TIBSQLCloser&) = delete;
    TIBSQLCloser& operator=(const TIBSQLCloser&) = delete;

private:
    TIBSQL& FSql;
};

// Splits a statement text into the text sent to the server (every parameter
// replaced by "?") and the parameter name of each "?" in order. Parameters are
// ":NAME" or ":0"; text inside quotes, double quotes and comments is kept as it is.
struct TParsedSql {
    QString Text;
    QStringList Names;  // upper case, one per "?", repeated names repeat
};
TParsedSql ParseSqlParams(const QString& AText);
