#include "IBX.h"

#include "PackedRow.h"

#include <ibase.h>

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr unsigned short kDialect = 3;
constexpr short kCharsetOctets = 1;
constexpr short kCharsetUtf8 = 4;
constexpr int kMaxVaryingBytes = 32765;
// ISC_DATE counts days from 1858-11-17; TDateTime counts from 1899-12-30.
constexpr ISC_DATE kDateOffset = 15018;
constexpr double kTimeUnitsPerDay = 864000000.0;  // ISC_TIME: 1/10000 s
constexpr long long kMsPerDay = 86400000;

[[noreturn]] void RaiseStatus(const ISC_STATUS* AStatus)
{
    const long SqlCode = isc_sqlcode(AStatus);
    const long GdsCode = (AStatus[0] == isc_arg_gds) ? static_cast<long>(AStatus[1]) : 0;
    QStringList Messages;
    char Buf[1024];
    const ISC_STATUS* P = AStatus;
    while (fb_interpret(Buf, sizeof Buf, &P) > 0)
        Messages << QString::fromUtf8(Buf);
    if (Messages.isEmpty())
        Messages << QStringLiteral("Firebird error %1").arg(GdsCode);
    throw EIBError(Messages.join(QLatin1Char('\n')), SqlCode, GdsCode);
}

bool Failed(const ISC_STATUS* AStatus) { return AStatus[0] == 1 && AStatus[1] != 0; }

void Check(const ISC_STATUS* AStatus)
{
    if (Failed(AStatus))
        RaiseStatus(AStatus);
}

[[noreturn]] void RaiseError(const QString& AMessage) { throw EIBError(AMessage, 0, 0); }

// An XSQLDA of at least one variable, freed with its owner.
class TSqlda {
public:
    TSqlda() = default;
    TSqlda(const TSqlda&) = delete;
    TSqlda& operator=(const TSqlda&) = delete;
    ~TSqlda() { std::free(FP); }

    void Alloc(int ACount)
    {
        const int N = std::max(ACount, 1);
        std::free(FP);
        FP = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(N)));
        if (!FP)
            throw std::bad_alloc();
        FP->version = SQLDA_VERSION1;
        FP->sqln = static_cast<ISC_SHORT>(N);
    }
    XSQLDA* P() const { return FP; }
    int Count() const { return FP ? FP->sqld : 0; }

private:
    XSQLDA* FP = nullptr;
};

template <class T>
void AddUnique(std::vector<T*>& AList, T* AItem)
{
    if (AItem && std::find(AList.begin(), AList.end(), AItem) == AList.end())
        AList.push_back(AItem);
}

template <class T>
void RemoveItem(std::vector<T*>& AList, T* AItem)
{
    AList.erase(std::remove(AList.begin(), AList.end(), AItem), AList.end());
}

TDateTime DateFromIsc(ISC_DATE ADate) { return static_cast<double>(ADate - kDateOffset); }

TDateTime TimeFromIsc(ISC_TIME ATime) { return static_cast<double>(ATime) / kTimeUnitsPerDay; }

// Negative day numbers keep the time as a positive fraction away from zero
// (-1.25 is 1899-12-29 06:00).
TDateTime TimestampFromIsc(const ISC_TIMESTAMP& ATs)
{
    const double Day = DateFromIsc(ATs.timestamp_date);
    const double Frac = TimeFromIsc(ATs.timestamp_time);
    return Day < 0 ? Day - Frac : Day + Frac;
}

// Splits a day number into the calendar day and the time of day, rounded to
// milliseconds.
void DateTimeToIsc(TDateTime AValue, ISC_DATE& ADate, ISC_TIME& ATime)
{
    if (!std::isfinite(AValue) || std::fabs(AValue) > 3.0e6)
        RaiseError(QStringLiteral("Date value %1 is out of range").arg(AValue));
    double Day = std::trunc(AValue);
    long long Ms = std::llround(std::fabs(AValue - Day) * static_cast<double>(kMsPerDay));
    if (Ms >= kMsPerDay) {
        Ms -= kMsPerDay;
        Day += 1;
    }
    ADate = static_cast<ISC_DATE>(static_cast<long long>(Day) + kDateOffset);
    ATime = static_cast<ISC_TIME>(Ms * 10);
}

int64_t Pow10(int AExp)
{
    int64_t R = 1;
    for (int I = 0; I < AExp; ++I)
        R *= 10;
    return R;
}

// A scaled integer read from the database: Integer, Currency or Double as the
// scale and the size allow.
Variant ScaledToVariant(int64_t AValue, int AScale)
{
    if (AScale == 0)
        return Variant::FromInt64(AValue);
    if (AScale < 0 && AScale >= -4) {
        const int64_t Mult = Pow10(4 + AScale);
        const int64_t Limit = std::numeric_limits<int64_t>::max() / Mult;
        if (AValue <= Limit && AValue >= -Limit)
            return Variant(Currency::FromRaw(AValue * Mult));
    }
    if (AScale < 0)
        return Variant(static_cast<double>(AValue) / std::pow(10.0, -AScale));
    return Variant(static_cast<double>(AValue) * std::pow(10.0, AScale));
}

QString DecodeText(const char* AData, int ALength, short ACharset)
{
    if (ACharset == kCharsetOctets)
        return QString::fromLatin1(AData, ALength);
    return QString::fromUtf8(AData, ALength);
}

QByteArray EncodeText(const QString& AText, short ACharset)
{
    if (ACharset == kCharsetOctets)
        return AText.toLatin1();
    return AText.toUtf8();
}

// CHAR columns arrive padded with blanks to their byte size; a UTF-8 CHAR(n)
// reserves four bytes a character. Cut the text back to n characters.
QString DecodeFixedText(const char* AData, int ALength, short ACharset)
{
    QString S = DecodeText(AData, ALength, ACharset);
    int BytesPerChar = 1;
    if (ACharset == kCharsetUtf8)
        BytesPerChar = 4;
    else if (ACharset == 3)  // UNICODE_FSS
        BytesPerChar = 3;
    if (BytesPerChar == 1)
        return S;
    const int Chars = ALength / BytesPerChar;
    int Pos = 0;
    int Count = 0;
    while (Pos < S.size() && Count < Chars) {
        Pos += (S.at(Pos).isHighSurrogate() && Pos + 1 < S.size()) ? 2 : 1;
        ++Count;
    }
    S.truncate(Pos);
    return S;
}

QByteArray ReadBlob(isc_db_handle* ADb, isc_tr_handle* ATr, ISC_QUAD AId)
{
    ISC_STATUS_ARRAY St;
    isc_blob_handle Blob = 0;
    isc_open_blob2(St, ADb, ATr, &Blob, &AId, 0, nullptr);
    Check(St);
    QByteArray Data;
    char Buf[32768];
    for (;;) {
        unsigned short Got = 0;
        const ISC_STATUS Rc = isc_get_segment(St, &Blob, &Got, sizeof Buf, Buf);
        if (Rc == 0 || St[1] == isc_segment) {
            Data.append(Buf, Got);
            continue;
        }
        if (St[1] == isc_segstr_eof)
            break;
        ISC_STATUS_ARRAY St2;
        isc_close_blob(St2, &Blob);
        RaiseStatus(St);
    }
    isc_close_blob(St, &Blob);
    Check(St);
    return Data;
}

ISC_QUAD WriteBlob(isc_db_handle* ADb, isc_tr_handle* ATr, const QByteArray& AData)
{
    ISC_STATUS_ARRAY St;
    isc_blob_handle Blob = 0;
    ISC_QUAD Id{};
    isc_create_blob2(St, ADb, ATr, &Blob, &Id, 0, nullptr);
    Check(St);
    constexpr qsizetype kSegment = 32768;
    for (qsizetype Pos = 0; Pos < AData.size(); Pos += kSegment) {
        const auto Len = static_cast<unsigned short>(std::min(kSegment, AData.size() - Pos));
        isc_put_segment(St, &Blob, Len, AData.constData() + Pos);
        if (Failed(St)) {
            ISC_STATUS_ARRAY St2;
            isc_cancel_blob(St2, &Blob);
            RaiseStatus(St);
        }
    }
    isc_close_blob(St, &Blob);
    Check(St);
    return Id;
}

// "name=value" split; the name lower-cased without an "isc_dpb_" / "isc_tpb_" prefix.
void SplitParam(const QString& AEntry, const QString& APrefix, QString& AName, QString& AValue, bool& AHasValue)
{
    const qsizetype Eq = AEntry.indexOf(QLatin1Char('='));
    AHasValue = Eq >= 0;
    AName = (Eq >= 0 ? AEntry.left(Eq) : AEntry).trimmed().toLower();
    AValue = Eq >= 0 ? AEntry.mid(Eq + 1) : QString();
    if (AName.startsWith(APrefix))
        AName = AName.mid(APrefix.size());
}

void AddDpbString(QByteArray& ADpb, char ATag, const QString& AName, const QString& AValue)
{
    const QByteArray V = AValue.toUtf8();
    if (V.size() > 255)
        RaiseError(QStringLiteral("Database parameter \"%1\" is too long").arg(AName));
    ADpb.append(ATag);
    ADpb.append(static_cast<char>(V.size()));
    ADpb.append(V);
}

QByteArray BuildDpb(const QStringList& AParams)
{
    QByteArray Dpb;
    Dpb.append(static_cast<char>(isc_dpb_version1));
    // Every string of the parameter block (file name included) is UTF-8.
    Dpb.append(static_cast<char>(isc_dpb_utf8_filename));
    Dpb.append('\0');
    bool HasCharset = false;
    for (const QString& Entry : AParams) {
        if (Entry.trimmed().isEmpty())
            continue;
        QString Name, Value;
        bool HasValue = false;
        SplitParam(Entry, QStringLiteral("isc_dpb_"), Name, Value, HasValue);
        char Tag = 0;
        if (Name == QLatin1String("user_name"))
            Tag = isc_dpb_user_name;
        else if (Name == QLatin1String("password"))
            Tag = isc_dpb_password;
        else if (Name == QLatin1String("lc_ctype")) {
            Tag = isc_dpb_lc_ctype;
            HasCharset = true;
        } else if (Name == QLatin1String("sql_role_name"))
            Tag = isc_dpb_sql_role_name;
        if (!Tag || !HasValue)
            RaiseError(QStringLiteral("Unknown database parameter \"%1\"").arg(Entry));
        AddDpbString(Dpb, Tag, Name, Value);
    }
    if (!HasCharset)
        AddDpbString(Dpb, isc_dpb_lc_ctype, QStringLiteral("lc_ctype"), QStringLiteral("UTF8"));
    return Dpb;
}

QByteArray BuildTpb(const QStringList& AParams)
{
    static const struct {
        const char* Name;
        char Code;
    } kItems[] = {
        {"concurrency", isc_tpb_concurrency},
        {"consistency", isc_tpb_consistency},
        {"read_committed", isc_tpb_read_committed},
        {"rec_version", isc_tpb_rec_version},
        {"no_rec_version", isc_tpb_no_rec_version},
        {"wait", isc_tpb_wait},
        {"nowait", isc_tpb_nowait},
        {"read", isc_tpb_read},
        {"write", isc_tpb_write},
        {"ignore_limbo", isc_tpb_ignore_limbo},
        {"autocommit", isc_tpb_autocommit},
        {"no_auto_undo", isc_tpb_no_auto_undo},
    };
    QByteArray Tpb;
    Tpb.append(static_cast<char>(isc_tpb_version3));
    for (const QString& Entry : AParams) {
        if (Entry.trimmed().isEmpty())
            continue;
        QString Name, Value;
        bool HasValue = false;
        SplitParam(Entry, QStringLiteral("isc_tpb_"), Name, Value, HasValue);
        if (Name == QLatin1String("lock_timeout") && HasValue) {
            bool Ok = false;
            const int Seconds = Value.trimmed().toInt(&Ok);
            if (!Ok || Seconds < 0)
                RaiseError(QStringLiteral("Invalid transaction parameter \"%1\"").arg(Entry));
            Tpb.append(static_cast<char>(isc_tpb_lock_timeout));
            Tpb.append(static_cast<char>(4));
            for (int I = 0; I < 4; ++I)
                Tpb.append(static_cast<char>((Seconds >> (8 * I)) & 0xFF));
            continue;
        }
        char Code = 0;
        for (const auto& Item : kItems)
            if (Name == QLatin1String(Item.Name))
                Code = Item.Code;
        if (!Code || HasValue)
            RaiseError(QStringLiteral("Unknown transaction parameter \"%1\"").arg(Entry));
        Tpb.append(Code);
    }
    return Tpb;
}

QString Quoted(const QString& AText)
{
    QString S = AText;
    S.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + S + QLatin1Char('\'');
}

bool IsNameChar(QChar AChar) { return AChar.isLetterOrNumber() || AChar == QLatin1Char('_') || AChar == QLatin1Char('$'); }

// End (exclusive) of the quoted text, comment or q-string starting at APos,
// or -1 when APos starts none of them.
qsizetype SkipLiteral(const QString& AText, qsizetype APos)
{
    const qsizetype N = AText.size();
    const QChar C = AText.at(APos);
    const QChar Next = APos + 1 < N ? AText.at(APos + 1) : QChar();
    if (C == QLatin1Char('\'') || C == QLatin1Char('"')) {
        qsizetype J = APos + 1;
        while (J < N) {
            if (AText.at(J) == C) {
                if (J + 1 < N && AText.at(J + 1) == C) {
                    J += 2;
                    continue;
                }
                return J + 1;
            }
            ++J;
        }
        return N;
    }
    if (C == QLatin1Char('-') && Next == QLatin1Char('-')) {
        // The server ends a line comment at a carriage return as well.
        qsizetype J = APos + 2;
        while (J < N && AText.at(J) != QLatin1Char('\n') && AText.at(J) != QLatin1Char('\r'))
            ++J;
        return J;
    }
    if (C == QLatin1Char('/') && Next == QLatin1Char('*')) {
        const qsizetype J = AText.indexOf(QLatin1String("*/"), APos + 2);
        return J < 0 ? N : J + 2;
    }
    // q'<delimiter>...<closing delimiter>' strings.
    if ((C == QLatin1Char('q') || C == QLatin1Char('Q')) && Next == QLatin1Char('\'') && APos + 2 < N
        && (APos == 0 || !IsNameChar(AText.at(APos - 1)))) {
        const QChar Open = AText.at(APos + 2);
        QChar Close = Open;
        if (Open == QLatin1Char('('))
            Close = QLatin1Char(')');
        else if (Open == QLatin1Char('{'))
            Close = QLatin1Char('}');
        else if (Open == QLatin1Char('['))
            Close = QLatin1Char(']');
        else if (Open == QLatin1Char('<'))
            Close = QLatin1Char('>');
        for (qsizetype J = APos + 3; J + 1 < N; ++J)
            if (AText.at(J) == Close && AText.at(J + 1) == QLatin1Char('\''))
                return J + 2;
        return N;
    }
    return -1;
}

// True for statements whose first word is CREATE, ALTER or RECREATE.
bool IsDdlText(const QString& AText)
{
    qsizetype I = 0;
    const qsizetype N = AText.size();
    while (I < N) {
        if (AText.at(I).isSpace()) {
            ++I;
            continue;
        }
        const QChar C = AText.at(I);
        if ((C == QLatin1Char('-') || C == QLatin1Char('/')) && I + 1 < N) {
            const qsizetype J = SkipLiteral(AText, I);
            if (J > 0) {
                I = J;
                continue;
            }
        }
        break;
    }
    qsizetype J = I;
    while (J < N && IsNameChar(AText.at(J)))
        ++J;
    const QString Word = AText.mid(I, J - I).toUpper();
    return Word == QLatin1String("CREATE") || Word == QLatin1String("ALTER") || Word == QLatin1String("RECREATE");
}

}  // namespace

TParsedSql ParseSqlParams(const QString& AText)
{
    TParsedSql R;
    R.Text.reserve(AText.size());
    const qsizetype N = AText.size();
    qsizetype I = 0;
    while (I < N) {
        const QChar C = AText.at(I);
        const qsizetype End = SkipLiteral(AText, I);
        if (End > 0) {
            R.Text += QStringView(AText).mid(I, End - I);
            I = End;
            continue;
        }
        if (C == QLatin1Char(':') && I + 1 < N && IsNameChar(AText.at(I + 1))) {
            qsizetype J = I + 1;
            while (J < N && IsNameChar(AText.at(J)))
                ++J;
            R.Names << AText.mid(I + 1, J - I - 1).toUpper();
            R.Text += QLatin1Char('?');
            I = J;
            continue;
        }
        R.Text += C;
        ++I;
    }
    return R;
}

// ---------------------------------------------------------------------------
// TIBDatabase

struct TIBDatabase::Impl {
    isc_db_handle Handle = 0;
    std::vector<TIBTransaction*> Transactions;  // registered with this connection
    std::vector<TIBSQL*> Statements;            // registered with this connection

    void ReleaseStatements();
};

// ---------------------------------------------------------------------------
// TIBTransaction

struct TIBTransaction::Impl {
    isc_tr_handle Handle = 0;
    TIBDatabase* Bound = nullptr;    // the connection this object is registered with
    std::vector<TIBSQL*> Statements;  // registered with this transaction

    void Bind(TIBTransaction* ASelf, TIBDatabase* ADb)
    {
        if (Bound == ADb)
            return;
        if (Bound)
            RemoveItem(Bound->d->Transactions, ASelf);
        Bound = ADb;
        if (Bound)
            AddUnique(Bound->d->Transactions, ASelf);
    }
    void Ended();
};

// ---------------------------------------------------------------------------
// TIBSQL

namespace {

// The value of one "?" of the statement while it is being sent.
struct TInSlot {
    union {
        int32_t I32;
        int64_t I64;
        double Dbl;
        ISC_DATE Date;
        ISC_TIMESTAMP Ts;
        FB_BOOLEAN Bool;
        ISC_QUAD Quad;
    } Num{};
    QByteArray Bytes;  // VARYING (length word + text) or the NULL buffer
    short Ind = 0;
    // As described by the server.
    short Type = 0;
    short SubType = 0;
    short Scale = 0;
    short Len = 0;
};

}  // namespace

struct TIBSQL::Impl {
    TIBSQL* Self = nullptr;
    isc_stmt_handle Handle = 0;
    TIBDatabase* BoundDb = nullptr;
    TIBTransaction* BoundTr = nullptr;

    // Parameters as parsed from the text.
    bool Parsed = false;
    QString ParsedSource;
    bool ParsedParamCheck = true;
    QString ServerText;
    std::vector<std::unique_ptr<TIBParam>> Params;
    std::vector<int> Occurrences;  // parameter index of each "?"

    // Prepared statement.
    bool Prepared = false;
    QString PreparedText;
    int StmtType = 0;
    TSqlda In;
    TSqlda Out;
    std::vector<TInSlot> InSlots;
    std::vector<int64_t> OutBuf;
    std::vector<short> OutInd;
    std::vector<QString> FieldNames;
    std::vector<TIBField> Fields;

    // Cursor.
    bool CursorOpen = false;
    bool HasRow = false;

    void BindDb(TIBDatabase* ADb)
    {
        if (BoundDb == ADb)
            return;
        FreeHandle();
        if (BoundDb)
            RemoveItem(BoundDb->d->Statements, Self);
        BoundDb = ADb;
        if (BoundDb)
            AddUnique(BoundDb->d->Statements, Self);
    }
    void BindTr(TIBTransaction* ATr)
    {
        if (BoundTr == ATr)
            return;
        CloseCursor();
        if (BoundTr)
            RemoveItem(BoundTr->d->Statements, Self);
        BoundTr = ATr;
        if (BoundTr)
            AddUnique(BoundTr->d->Statements, Self);
    }
    // Closes the cursor; a cursor the server closed already is just forgotten.
    void CloseCursor() noexcept
    {
        if (CursorOpen && Handle) {
            ISC_STATUS_ARRAY St;
            isc_dsql_free_statement(St, &Handle, DSQL_close);
        }
        CursorOpen = false;
        HasRow = false;
    }
    // Forgets the cursor after its transaction ended.
    void CursorEnded() noexcept
    {
        CursorOpen = false;
        HasRow = false;
    }
    void FreeHandle() noexcept
    {
        CloseCursor();
        if (Handle) {
            ISC_STATUS_ARRAY St;
            isc_dsql_free_statement(St, &Handle, DSQL_drop);
            Handle = 0;
        }
        Prepared = false;
    }

    void EnsureParsed();
    void EnsurePrepared();
    void DoPrepare();
    void FillInput();
    void Fetch();
    int ParamIndex(const QString& AName) const;
    const XSQLVAR& CurrentVar(int AIndex) const;
    isc_db_handle* DbHandle() const;
    isc_tr_handle* TrHandle() const;
};

void TIBDatabase::Impl::ReleaseStatements()
{
    for (TIBSQL* S : Statements)
        S->d->FreeHandle();
}

void TIBTransaction::Impl::Ended()
{
    for (TIBSQL* S : Statements)
        S->d->CursorEnded();
}

TIBDatabase::TIBDatabase() : d(std::make_unique<Impl>()) {}

TIBDatabase::~TIBDatabase()
{
    try {
        Close();
    } catch (...) {
        // Give up what cannot be ended properly; nothing may escape a destructor.
        for (TIBTransaction* T : d->Transactions) {
            if (T->d->Handle) {
                ISC_STATUS_ARRAY St;
                isc_rollback_transaction(St, &T->d->Handle);
                T->d->Handle = 0;
                T->d->Ended();
            }
        }
        d->ReleaseStatements();
        if (d->Handle) {
            ISC_STATUS_ARRAY St;
            isc_detach_database(St, &d->Handle);
            d->Handle = 0;
        }
    }
    for (TIBTransaction* T : d->Transactions) {
        T->d->Bound = nullptr;
        if (T->DefaultDatabase == this)
            T->DefaultDatabase = nullptr;
    }
    for (TIBSQL* S : d->Statements) {
        S->d->BoundDb = nullptr;
        if (S->Database == this)
            S->Database = nullptr;
    }
}

void TIBDatabase::Open()
{
    if (d->Handle)
        return;
    if (DatabaseName.isEmpty())
        RaiseError(QStringLiteral("Database name is empty"));
    const QByteArray Dpb = BuildDpb(Params);
    const QByteArray Name = DatabaseName.toUtf8();
    ISC_STATUS_ARRAY St;
    isc_attach_database(St, static_cast<short>(Name.size()), Name.constData(), &d->Handle,
                        static_cast<short>(Dpb.size()), Dpb.constData());
    if (Failed(St)) {
        d->Handle = 0;
        RaiseStatus(St);
    }
}

void TIBDatabase::Close()
{
    if (!d->Handle)
        return;
    const std::vector<TIBTransaction*> Transactions = d->Transactions;
    for (TIBTransaction* T : Transactions)
        if (T->InTransaction())
            T->EndByDefaultAction();
    d->ReleaseStatements();
    ISC_STATUS_ARRAY St;
    isc_detach_database(St, &d->Handle);
    Check(St);
    d->Handle = 0;
}

bool TIBDatabase::Connected() const { return d->Handle != 0; }

void* TIBDatabase::Handle() { return &d->Handle; }

void TIBDatabase::CreateDatabase(const QString& AName, const QString& AUser, const QString& APassword,
                                 const QString& ACharset, int APageSize)
{
    if (AName.isEmpty())
        RaiseError(QStringLiteral("Database name is empty"));
    if (QFileInfo::exists(AName))
        RaiseError(QStringLiteral("Database file \"%1\" already exists").arg(AName));
    static const QRegularExpression kCharsetName(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (!kCharsetName.match(ACharset).hasMatch())
        RaiseError(QStringLiteral("Invalid character set name \"%1\"").arg(ACharset));
    const QString Sql =
        QStringLiteral("CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE %4 DEFAULT CHARACTER SET %5")
            .arg(Quoted(AName), Quoted(AUser), Quoted(APassword))
            .arg(APageSize)
            .arg(ACharset);
    const QByteArray Text = Sql.toUtf8();
    ISC_STATUS_ARRAY St;
    isc_db_handle Db = 0;
    isc_tr_handle Tr = 0;
    isc_dsql_execute_immediate(St, &Db, &Tr, 0, Text.constData(), kDialect, nullptr);
    Check(St);
    if (Db) {
        isc_detach_database(St, &Db);
        Check(St);
    }
}

// ---------------------------------------------------------------------------

TIBTransaction::TIBTransaction(TIBDatabase* ADefaultDatabase)
    : DefaultDatabase(ADefaultDatabase), d(std::make_unique<Impl>())
{
    d->Bind(this, ADefaultDatabase);
}

TIBTransaction::~TIBTransaction()
{
    if (d->Handle) {
        try {
            EndByDefaultAction();
        } catch (...) {
        }
        if (d->Handle) {
            ISC_STATUS_ARRAY St;
            isc_rollback_transaction(St, &d->Handle);
            d->Handle = 0;
            d->Ended();
        }
    }
    for (TIBSQL* S : d->Statements) {
        S->d->CursorEnded();
        S->d->BoundTr = nullptr;
        if (S->Transaction == this)
            S->Transaction = nullptr;
    }
    d->Bind(this, nullptr);
}

void TIBTransaction::StartTransaction()
{
    if (d->Handle)
        RaiseError(QStringLiteral("Transaction is already active"));
    if (!DefaultDatabase)
        RaiseError(QStringLiteral("Transaction has no database"));
    if (!DefaultDatabase->Connected())
        RaiseError(QStringLiteral("Database is not connected"));
    const QByteArray Tpb = BuildTpb(Params);
    d->Bind(this, DefaultDatabase);
    ISC_STATUS_ARRAY St;
    isc_start_transaction(St, &d->Handle, static_cast<short>(1), &DefaultDatabase->d->Handle,
                          static_cast<unsigned short>(Tpb.size()), Tpb.constData());
    if (Failed(St)) {
        d->Handle = 0;
        RaiseStatus(St);
    }
}

static void RequireActive(isc_tr_handle AHandle)
{
    if (!AHandle)
        RaiseError(QStringLiteral("Transaction is not active"));
}

void TIBTransaction::Commit()
{
    RequireActive(d->Handle);
    ISC_STATUS_ARRAY St;
    isc_commit_transaction(St, &d->Handle);
    Check(St);
    d->Handle = 0;
    d->Ended();
}

void TIBTransaction::Rollback()
{
    RequireActive(d->Handle);
    ISC_STATUS_ARRAY St;
    isc_rollback_transaction(St, &d->Handle);
    Check(St);
    d->Handle = 0;
    d->Ended();
}

void TIBTransaction::CommitRetaining()
{
    RequireActive(d->Handle);
    ISC_STATUS_ARRAY St;
    isc_commit_retaining(St, &d->Handle);
    Check(St);
}

void TIBTransaction::RollbackRetaining()
{
    RequireActive(d->Handle);
    ISC_STATUS_ARRAY St;
    isc_rollback_retaining(St, &d->Handle);
    Check(St);
}

bool TIBTransaction::InTransaction() const { return d->Handle != 0; }

void TIBTransaction::EndByDefaultAction()
{
    if (!d->Handle)
        return;
    if (DefaultAction == TTransactionAction::taCommit)
        Commit();
    else
        Rollback();
}

void* TIBTransaction::Handle() { return &d->Handle; }

// ---------------------------------------------------------------------------
// TIBParam

void TIBParam::SetAsString(const QString& AValue) { FValue = Variant(AValue); }
void TIBParam::SetAsInteger(int AValue) { FValue = Variant(AValue); }
void TIBParam::SetAsDate(TDateTime AValue) { FValue = Variant::FromDate(AValue); }
void TIBParam::SetAsDouble(double AValue) { FValue = Variant(AValue); }
void TIBParam::SetAsCurrency(Currency AValue) { FValue = Variant(AValue); }
void TIBParam::SetAsVariant(const Variant& AValue) { FValue = AValue; }
void TIBParam::Clear() { FValue = Variant::Null(); }

// ---------------------------------------------------------------------------
// TIBSQL

std::function<void(const QString&)> TIBSQL::OnExecute;

TIBSQL::TIBSQL(TIBDatabase* ADatabase, TIBTransaction* ATransaction)
    : Database(ADatabase), Transaction(ATransaction), d(std::make_unique<Impl>())
{
    d->Self = this;
    d->BindDb(ADatabase);
    d->BindTr(ATransaction);
}

TIBSQL::~TIBSQL()
{
    d->FreeHandle();
    d->BindTr(nullptr);
    d->BindDb(nullptr);
}

QString TIBSQL::Text() const { return SQL.join(QLatin1String("\r\n")); }

void TIBSQL::Impl::EnsureParsed()
{
    const QString Source = Self->Text();
    if (Parsed && Source == ParsedSource && ParsedParamCheck == Self->ParamCheck)
        return;
    TParsedSql P;
    if (Self->ParamCheck && !IsDdlText(Source))
        P = ParseSqlParams(Source);
    else
        P.Text = Source;

    // Keep the parameter objects (and their values) whose names remain.
    std::vector<std::unique_ptr<TIBParam>> NewParams;
    std::vector<int> NewOcc;
    NewOcc.reserve(P.Names.size());
    for (const QString& Name : P.Names) {
        int Index = -1;
        for (size_t I = 0; I < NewParams.size(); ++I)
            if (NewParams[I]->FName == Name)
                Index = static_cast<int>(I);
        if (Index < 0) {
            std::unique_ptr<TIBParam> Param;
            for (auto& Old : Params)
                if (Old && Old->FName == Name)
                    Param = std::move(Old);
            if (!Param) {
                Param = std::make_unique<TIBParam>();
                Param->FName = Name;
            }
            NewParams.push_back(std::move(Param));
            Index = static_cast<int>(NewParams.size()) - 1;
        }
        NewOcc.push_back(Index);
    }
    Params = std::move(NewParams);
    Occurrences = std::move(NewOcc);
    ServerText = P.Text;
    ParsedSource = Source;
    ParsedParamCheck = Self->ParamCheck;
    Parsed = true;
}

isc_db_handle* TIBSQL::Impl::DbHandle() const
{
    if (!BoundDb || !BoundDb->Connected())
        RaiseError(QStringLiteral("Database is not connected"));
    return &BoundDb->d->Handle;
}

isc_tr_handle* TIBSQL::Impl::TrHandle() const
{
    if (!BoundTr || !BoundTr->InTransaction())
        RaiseError(QStringLiteral("Transaction is not active"));
    return &BoundTr->d->Handle;
}

void TIBSQL::Impl::EnsurePrepared()
{
    if (!Self->Database)
        RaiseError(QStringLiteral("Statement has no database"));
    if (!Self->Transaction)
        RaiseError(QStringLiteral("Statement has no transaction"));
    EnsureParsed();
    BindDb(Self->Database);
    BindTr(Self->Transaction);
    DbHandle();
    TrHandle();
    if (Prepared && Handle && PreparedText == ServerText)
        return;
    DoPrepare();
}

void TIBSQL::Impl::DoPrepare()
{
    CloseCursor();
    Prepared = false;
    ISC_STATUS_ARRAY St;
    if (!Handle) {
        isc_dsql_allocate_statement(St, DbHandle(), &Handle);
        if (Failed(St)) {
            Handle = 0;
            RaiseStatus(St);
        }
    }
    const QByteArray Text = ServerText.toUtf8();
    Out.Alloc(16);
    isc_dsql_prepare(St, TrHandle(), &Handle, static_cast<unsigned short>(0), Text.constData(), kDialect, Out.P());
    Check(St);
    if (Out.P()->sqld > Out.P()->sqln) {
        Out.Alloc(Out.P()->sqld);
        isc_dsql_describe(St, &Handle, kDialect, Out.P());
        Check(St);
    }

    // Output buffers: every column at an 8-byte boundary, indicators apart.
    const int NOut = Out.P()->sqld;
    std::vector<size_t> Offsets(NOut);
    size_t Total = 0;
    for (int I = 0; I < NOut; ++I) {
        const XSQLVAR& V = Out.P()->sqlvar[I];
        size_t Size = static_cast<size_t>(V.sqllen);
        if ((V.sqltype & ~1) == SQL_VARYING)
            Size += 2;
        Offsets[I] = Total;
        Total += (std::max<size_t>(Size, 1) + 7) / 8 * 8;
    }
    OutBuf.assign(Total / 8 + 1, 0);
    OutInd.assign(std::max(NOut, 1), 0);
    FieldNames.clear();
    Fields.clear();
    FieldNames.reserve(NOut);
    Fields.resize(NOut);
    for (int I = 0; I < NOut; ++I) {
        XSQLVAR& V = Out.P()->sqlvar[I];
        V.sqldata = reinterpret_cast<char*>(OutBuf.data()) + Offsets[I];
        V.sqlind = &OutInd[I];
        FieldNames.push_back(QString::fromUtf8(V.aliasname, V.aliasname_length));
        Fields[I].FSql = Self;
        Fields[I].FIndex = I;
    }

    // Input: the server's description of every "?".
    const int NIn = static_cast<int>(Occurrences.size());
    In.Alloc(NIn);
    isc_dsql_describe_bind(St, &Handle, kDialect, In.P());
    Check(St);
    if (In.P()->sqld > In.P()->sqln) {
        const int Described = In.P()->sqld;
        In.Alloc(Described);
        isc_dsql_describe_bind(St, &Handle, kDialect, In.P());
        Check(St);
    }
    if (In.P()->sqld != NIn)
        RaiseError(QStringLiteral("The statement has %1 parameters but %2 are named:\n%3")
                       .arg(In.P()->sqld)
                       .arg(NIn)
                       .arg(ServerText));
    InSlots.assign(NIn, TInSlot());
    for (int I = 0; I < NIn; ++I) {
        const XSQLVAR& V = In.P()->sqlvar[I];
        TInSlot& S = InSlots[I];
        S.Type = static_cast<short>(V.sqltype & ~1);
        S.SubType = V.sqlsubtype;
        S.Scale = V.sqlscale;
        S.Len = V.sqllen;
    }

    char Item = isc_info_sql_stmt_type;
    char Buf[16] = {};
    isc_dsql_sql_info(St, &Handle, 1, &Item, sizeof Buf, Buf);
    Check(St);
    StmtType = 0;
    if (Buf[0] == isc_info_sql_stmt_type) {
        const short Len = static_cast<short>(isc_vax_integer(Buf + 1, 2));
        StmtType = static_cast<int>(isc_vax_integer(Buf + 3, Len));
    }
    PreparedText = ServerText;
    Prepared = true;
}

void TIBSQL::Impl::FillInput()
{
    XSQLDA* Da = In.P();
    for (size_t I = 0; I < Occurrences.size(); ++I) {
        XSQLVAR& V = Da->sqlvar[I];
        TInSlot& S = InSlots[I];
        const TIBParam& Param = *Params[Occurrences[I]];
        const Variant& Value = Param.FValue;
        S.Ind = 0;
        V.sqlind = &S.Ind;
        V.sqlscale = 0;
        V.sqlsubtype = 0;
        const bool NumericTarget = S.Type == SQL_SHORT || S.Type == SQL_LONG || S.Type == SQL_INT64
                                   || S.Type == SQL_FLOAT || S.Type == SQL_DOUBLE || S.Type == SQL_D_FLOAT;
        switch (Value.Type()) {
        case VarType::Empty:
        case VarType::Null: {
            S.Ind = -1;
            V.sqltype = static_cast<short>(S.Type | 1);
            V.sqlsubtype = S.SubType;
            V.sqlscale = S.Scale;
            V.sqllen = S.Len;
            S.Bytes.fill('\0', S.Len + 2);
            V.sqldata = S.Bytes.data();
            break;
        }
        case VarType::Integer:
            S.Num.I32 = Value.ToInt();
            V.sqltype = SQL_LONG | 1;
            V.sqllen = sizeof(int32_t);
            V.sqldata = reinterpret_cast<char*>(&S.Num.I32);
            break;
        case VarType::Double:
            S.Num.Dbl = Value.ToDouble();
            V.sqltype = SQL_DOUBLE | 1;
            V.sqllen = sizeof(double);
            V.sqldata = reinterpret_cast<char*>(&S.Num.Dbl);
            break;
        case VarType::Currency:
            S.Num.I64 = Value.ToCurrency().Raw;
            V.sqltype = SQL_INT64 | 1;
            V.sqlscale = -4;
            V.sqllen = sizeof(int64_t);
            V.sqldata = reinterpret_cast<char*>(&S.Num.I64);
            break;
        case VarType::Date: {
            const TDateTime D = Value.ToDate();
            ISC_DATE Day;
            ISC_TIME Time;
            DateTimeToIsc(D, Day, Time);
            if (D == std::trunc(D)) {
                S.Num.Date = Day;
                V.sqltype = SQL_TYPE_DATE | 1;
                V.sqllen = sizeof(ISC_DATE);
                V.sqldata = reinterpret_cast<char*>(&S.Num.Date);
            } else {
                S.Num.Ts.timestamp_date = Day;
                S.Num.Ts.timestamp_time = Time;
                V.sqltype = SQL_TIMESTAMP | 1;
                V.sqllen = sizeof(ISC_TIMESTAMP);
                V.sqldata = reinterpret_cast<char*>(&S.Num.Ts);
            }
            break;
        }
        case VarType::Boolean:
            if (NumericTarget) {
                // Flags kept in number columns: 1 and 0.
                S.Num.I32 = Value.ToBool() ? 1 : 0;
                V.sqltype = SQL_LONG | 1;
                V.sqllen = sizeof(int32_t);
                V.sqldata = reinterpret_cast<char*>(&S.Num.I32);
            } else {
                S.Num.Bool = Value.ToBool() ? FB_TRUE : FB_FALSE;
                V.sqltype = SQL_BOOLEAN | 1;
                V.sqllen = 1;
                V.sqldata = reinterpret_cast<char*>(&S.Num.Bool);
            }
            break;
        case VarType::String: {
            const QString Str = Value.ToString();
            if (S.Type == SQL_BLOB) {
                const short Charset = S.SubType == 1 ? kCharsetUtf8 : kCharsetOctets;
                S.Num.Quad = WriteBlob(DbHandle(), TrHandle(), EncodeText(Str, Charset));
                V.sqltype = SQL_BLOB | 1;
                V.sqlsubtype = S.SubType;
                V.sqllen = sizeof(ISC_QUAD);
                V.sqldata = reinterpret_cast<char*>(&S.Num.Quad);
                break;
            }
            const QByteArray Utf8 = Str.toUtf8();
            if (Utf8.size() > kMaxVaryingBytes)
                RaiseError(QStringLiteral("Parameter \"%1\": text of %2 bytes is longer than %3 bytes")
                               .arg(Param.FName)
                               .arg(Utf8.size())
                               .arg(kMaxVaryingBytes));
            S.Bytes.resize(Utf8.size() + 2);
            const auto Len = static_cast<unsigned short>(Utf8.size());
            std::memcpy(S.Bytes.data(), &Len, 2);
            std::memcpy(S.Bytes.data() + 2, Utf8.constData(), Utf8.size());
            V.sqltype = SQL_VARYING | 1;
            V.sqlsubtype = kCharsetUtf8;
            V.sqllen = static_cast<short>(Len);
            V.sqldata = S.Bytes.data();
            break;
        }
        }
    }
}

void TIBSQL::Impl::Fetch()
{
    ISC_STATUS_ARRAY St;
    const ISC_STATUS Rc = isc_dsql_fetch(St, &Handle, kDialect, Out.P());
    if (Rc == 0) {
        HasRow = true;
        return;
    }
    HasRow = false;
    if (Rc != 100)
        RaiseStatus(St);
}

int TIBSQL::Impl::ParamIndex(const QString& AName) const
{
    for (size_t I = 0; I < Params.size(); ++I)
        if (Params[I]->FName.compare(AName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(I);
    return -1;
}

void TIBSQL::Prepare() { d->EnsurePrepared(); }

QStringList TIBSQL::ParamNames()
{
    d->EnsureParsed();
    QStringList Names;
    for (const auto& P : d->Params)
        Names << P->FName;
    return Names;
}

TIBParam& TIBSQL::ParamByName(const QString& AName)
{
    d->EnsureParsed();
    const int I = d->ParamIndex(AName);
    if (I < 0)
        RaiseError(QStringLiteral("Parameter \"%1\" not found").arg(AName));
    return *d->Params[I];
}

int TIBSQL::ParamCount()
{
    d->EnsureParsed();
    return static_cast<int>(d->Params.size());
}

TIBParam& TIBSQL::Params(int AIndex)
{
    d->EnsureParsed();
    if (AIndex < 0 || AIndex >= static_cast<int>(d->Params.size()))
        RaiseError(QStringLiteral("Parameter index %1 out of range").arg(AIndex));
    return *d->Params[AIndex];
}

void TIBSQL::ExecQuery()
{
    if (OnExecute)
        OnExecute(Text());
    d->EnsurePrepared();
    d->CloseCursor();
    switch (d->StmtType) {
    case isc_info_sql_stmt_start_trans:
    case isc_info_sql_stmt_commit:
    case isc_info_sql_stmt_rollback:
        RaiseError(QStringLiteral("Transactions are started and ended through TIBTransaction, not by a statement"));
    default:
        break;
    }
    d->FillInput();
    XSQLDA* InDa = d->Occurrences.empty() ? nullptr : d->In.P();
    ISC_STATUS_ARRAY St;
    if (d->StmtType == isc_info_sql_stmt_select || d->StmtType == isc_info_sql_stmt_select_for_upd) {
        isc_dsql_execute(St, d->TrHandle(), &d->Handle, kDialect, InDa);
        Check(St);
        d->CursorOpen = true;
        d->Fetch();
    } else if (d->Out.Count() > 0) {
        // Singleton results: EXECUTE PROCEDURE, INSERT ... RETURNING.
        isc_dsql_execute2(St, d->TrHandle(), &d->Handle, kDialect, InDa, d->Out.P());
        Check(St);
        d->HasRow = true;
    } else {
        isc_dsql_execute(St, d->TrHandle(), &d->Handle, kDialect, InDa);
        Check(St);
        d->HasRow = false;
    }
}

bool TIBSQL::Eof() const { return !d->HasRow; }

void TIBSQL::Next()
{
    if (!d->CursorOpen) {
        if (!d->HasRow)
            RaiseError(QStringLiteral("Statement has no open cursor"));
        d->HasRow = false;  // the one row of a singleton result is consumed
        return;
    }
    if (!d->HasRow)
        return;
    d->Fetch();
}

void TIBSQL::Close()
{
    d->CloseCursor();
}

bool TIBSQL::Open() const { return d->CursorOpen; }

int TIBSQL::RowsAffected() const
{
    if (!d->Handle || !d->Prepared)
        return -1;
    char Item = isc_info_sql_records;
    char Buf[64] = {};
    ISC_STATUS_ARRAY St;
    isc_dsql_sql_info(St, &d->Handle, 1, &Item, sizeof Buf, Buf);
    if (Failed(St) || Buf[0] != isc_info_sql_records)
        return -1;
    long Select = 0, Changed = 0;
    const char* P = Buf + 3;
    const char* End = Buf + sizeof Buf;
    while (P < End && *P != isc_info_end) {
        const char Tag = *P;
        const short Len = static_cast<short>(isc_vax_integer(P + 1, 2));
        if (P + 3 + Len > End)
            break;
        const long Value = isc_vax_integer(P + 3, Len);
        if (Tag == isc_info_req_select_count)
            Select = Value;
        else if (Tag == isc_info_req_insert_count || Tag == isc_info_req_update_count
                 || Tag == isc_info_req_delete_count)
            Changed += Value;
        P += 3 + Len;
    }
    if (d->StmtType == isc_info_sql_stmt_select || d->StmtType == isc_info_sql_stmt_select_for_upd)
        return static_cast<int>(Select);
    return static_cast<int>(Changed);
}

int TIBSQL::FieldCount() const { return d->Prepared ? d->Out.Count() : 0; }

const TIBField& TIBSQL::Fields(int AIndex) const
{
    if (AIndex < 0 || AIndex >= FieldCount())
        RaiseError(QStringLiteral("Field index %1 out of range").arg(AIndex));
    return d->Fields[AIndex];
}

int TIBSQL::FieldIndex(const QString& AName) const
{
    if (!d->Prepared)
        return -1;
    for (size_t I = 0; I < d->FieldNames.size(); ++I)
        if (d->FieldNames[I].compare(AName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(I);
    return -1;
}

const TIBField& TIBSQL::FieldByName(const QString& AName) const
{
    const int I = FieldIndex(AName);
    if (I < 0)
        RaiseError(QStringLiteral("Field \"%1\" not found").arg(AName));
    return d->Fields[I];
}

// ---------------------------------------------------------------------------
// TIBField

namespace {

bool VarIsNull(const XSQLVAR& AVar) { return (AVar.sqltype & 1) && *AVar.sqlind < 0; }

}  // namespace

const XSQLVAR& TIBSQL::Impl::CurrentVar(int AIndex) const
{
    if (!HasRow)
        RaiseError(QStringLiteral("Field \"%1\": there is no current row").arg(FieldNames[AIndex]));
    return Out.P()->sqlvar[AIndex];
}

QString TIBField::Name() const { return FSql->d->FieldNames[FIndex]; }

bool TIBField::IsNull() const { return VarIsNull(FSql->d->CurrentVar(FIndex)); }

Variant TIBField::AsVariant() const
{
    const TIBSQL::Impl& S = *FSql->d;
    const XSQLVAR& V = S.CurrentVar(FIndex);
    if (VarIsNull(V))
        return Variant::Null();
    const char* Data = V.sqldata;
    switch (V.sqltype & ~1) {
    case SQL_SHORT: {
        int16_t X;
        std::memcpy(&X, Data, sizeof X);
        return V.sqlscale == 0 ? Variant(static_cast<int>(X)) : ScaledToVariant(X, V.sqlscale);
    }
    case SQL_LONG: {
        int32_t X;
        std::memcpy(&X, Data, sizeof X);
        return V.sqlscale == 0 ? Variant(static_cast<int>(X)) : ScaledToVariant(X, V.sqlscale);
    }
    case SQL_INT64: {
        int64_t X;
        std::memcpy(&X, Data, sizeof X);
        return ScaledToVariant(X, V.sqlscale);
    }
    case SQL_FLOAT: {
        float X;
        std::memcpy(&X, Data, sizeof X);
        return Variant(static_cast<double>(X));
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double X;
        std::memcpy(&X, Data, sizeof X);
        return Variant(X);
    }
    case SQL_TEXT:
        return Variant(DecodeFixedText(Data, V.sqllen, static_cast<short>(V.sqlsubtype & 0xFF)));
    case SQL_VARYING: {
        uint16_t Len;
        std::memcpy(&Len, Data, sizeof Len);
        return Variant(DecodeText(Data + 2, Len, static_cast<short>(V.sqlsubtype & 0xFF)));
    }
    case SQL_TYPE_DATE: {
        ISC_DATE X;
        std::memcpy(&X, Data, sizeof X);
        return Variant::FromDate(DateFromIsc(X));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME X;
        std::memcpy(&X, Data, sizeof X);
        return Variant::FromDate(TimeFromIsc(X));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP X;
        std::memcpy(&X, Data, sizeof X);
        return Variant::FromDate(TimestampFromIsc(X));
    }
    case SQL_BOOLEAN:
        return Variant(*reinterpret_cast<const FB_BOOLEAN*>(Data) != FB_FALSE);
    case SQL_BLOB: {
        ISC_QUAD Id;
        std::memcpy(&Id, Data, sizeof Id);
        const QByteArray Bytes = ReadBlob(S.DbHandle(), S.TrHandle(), Id);
        // Text blobs are UTF-8; other sub-types come back byte for byte.
        return Variant(V.sqlsubtype == 1 ? QString::fromUtf8(Bytes) : QString::fromLatin1(Bytes));
    }
    default:
        RaiseError(QStringLiteral("Field \"%1\": SQL type %2 is not supported").arg(Name()).arg(V.sqltype & ~1));
    }
}

int TIBField::AsInteger() const
{
    const XSQLVAR& V = FSql->d->CurrentVar(FIndex);
    if (VarIsNull(V))
        return 0;
    if (V.sqlscale == 0) {
        if ((V.sqltype & ~1) == SQL_LONG) {
            int32_t X;
            std::memcpy(&X, V.sqldata, sizeof X);
            return X;
        }
        if ((V.sqltype & ~1) == SQL_SHORT) {
            int16_t X;
            std::memcpy(&X, V.sqldata, sizeof X);
            return X;
        }
    }
    return AsVariant().ToInt();
}

QString TIBField::AsString() const
{
    const Variant Value = AsVariant();
    return Value.IsNull() ? QString() : Value.ToString();
}

Currency TIBField::AsCurrency() const
{
    const Variant Value = AsVariant();
    return Value.IsNull() ? Currency() : Value.ToCurrency();
}

double TIBField::AsDouble() const
{
    const Variant Value = AsVariant();
    return Value.IsNull() ? 0.0 : Value.ToDouble();
}

TDateTime TIBField::AsDate() const
{
    const Variant Value = AsVariant();
    return Value.IsNull() ? 0.0 : Value.ToDate();
}

// ---------------------------------------------------------------------------
// Packed rows

namespace {

// A scaled integer packed as ScaledToVariant would read it.
void PackScaled(TPackedWriter& AWriter, int64_t AValue, int AScale)
{
    if (AScale == 0) {
        if (AValue >= std::numeric_limits<int32_t>::min() && AValue <= std::numeric_limits<int32_t>::max())
            AWriter.Int(static_cast<int>(AValue));
        else
            AWriter.Value(Variant::FromInt64(AValue));
        return;
    }
    if (AScale < 0 && AScale >= -4) {
        const int64_t Mult = Pow10(4 + AScale);
        const int64_t Limit = std::numeric_limits<int64_t>::max() / Mult;
        if (AValue <= Limit && AValue >= -Limit) {
            AWriter.Currency(AValue * Mult);
            return;
        }
    }
    AWriter.Value(ScaledToVariant(AValue, AScale));
}

}  // namespace

void TIBSQL::PackRow(std::string& AOut) const
{
    const size_t Start = AOut.size();
    try {
        TPackedWriter W(AOut);
        const int N = FieldCount();
        for (int I = 0; I < N; ++I) {
            const XSQLVAR& V = d->CurrentVar(I);
            if (VarIsNull(V)) {
                W.Null();
                continue;
            }
            const char* Data = V.sqldata;
            switch (V.sqltype & ~1) {
            case SQL_SHORT: {
                int16_t X;
                std::memcpy(&X, Data, sizeof X);
                if (V.sqlscale == 0)
                    W.Int(X);
                else
                    PackScaled(W, X, V.sqlscale);
                break;
            }
            case SQL_LONG: {
                int32_t X;
                std::memcpy(&X, Data, sizeof X);
                if (V.sqlscale == 0)
                    W.Int(X);
                else
                    PackScaled(W, X, V.sqlscale);
                break;
            }
            case SQL_INT64: {
                int64_t X;
                std::memcpy(&X, Data, sizeof X);
                PackScaled(W, X, V.sqlscale);
                break;
            }
            case SQL_VARYING: {
                uint16_t Len;
                std::memcpy(&Len, Data, sizeof Len);
                if ((V.sqlsubtype & 0xFF) == kCharsetOctets)
                    W.Latin1(Data + 2, Len);
                else
                    W.Utf8(Data + 2, Len);
                break;
            }
            case SQL_TYPE_DATE: {
                ISC_DATE X;
                std::memcpy(&X, Data, sizeof X);
                W.Day(static_cast<int32_t>(X - kDateOffset));
                break;
            }
            case SQL_BOOLEAN:
                W.Bool(*reinterpret_cast<const FB_BOOLEAN*>(Data) != FB_FALSE);
                break;
            default:
                // Fixed text, floats, times and blobs: read as a variant first.
                W.Value(d->Fields[I].AsVariant());
                break;
            }
        }
    } catch (...) {
        AOut.resize(Start);
        throw;
    }
}
