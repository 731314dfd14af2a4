// velmora-bench: measures the grid window on a large object next to a plain
// fetch loop over the same select, through the same client library, in the
// same run.
//
//   velmora-bench grid DBPATH [TABLE]
//
// TABLE is the object's table (BIGLIST, the large list of
// `velmora-initdb --large N`, by default). Prints one "name: value" line per
// figure:
//   first_rows_ms       opening the object's document until its first rows
//                       are painted (view chosen and compiled, select run,
//                       the visible rows fetched)
//   plain_first_row_ms  prepare, execute and first isc_dsql_fetch of the same select
// Both first-row figures are taken cold, each in a process of its own that
// has only connected and loaded the catalogue (the fastest of three such
// processes); the fetch-all figures are taken in this process, the plain
// loop on either side of each of the grid's runs.
//   fetch_all_s         Ctrl+End on the open document: every remaining row
//                       fetched (the fastest of five runs)
//   plain_fetch_all_s   prepare, execute and isc_dsql_fetch to the end (the
//                       fastest of six runs, alternating with the grid's)
//   fetch_all_ratio     fetch_all_s / plain_fetch_all_s
//   bytes_per_row       growth of the resident memory during Ctrl+End per row fetched
//   rows                rows the grid holds at the end

#include "app/DataTbl.h"
#include "app/MDILst.h"
#include "app/func.h"
#include "meta/Obj.h"
#include "tables/Sql.h"
#include "tables/Tbl.h"
#include "tables/WinTbl.h"

#include <ibase.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <unistd.h>
#include <vector>

namespace {

void Print(FILE* AStream, const QString& AText)
{
    const QByteArray bytes = (AText + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), AStream);
    std::fflush(AStream);
}

void Figure(const char* AName, double AValue, int ADecimals)
{
    std::printf("%s: %.*f\n", AName, ADecimals, AValue);
    std::fflush(stdout);
}

long ResidentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

void Check(const ISC_STATUS* AStatus)
{
    if (AStatus[0] == 1 && AStatus[1] != 0) {
        char buf[512];
        const ISC_STATUS* p = AStatus;
        QString text;
        while (fb_interpret(buf, sizeof buf, &p) > 0) text += QString::fromUtf8(buf) + u'\n';
        throw Exception(text.trimmed());
    }
}

// The plain loop: the select prepared, executed and fetched with the client
// library alone, into buffers allocated once; nothing is converted or kept.
struct TPlainResult {
    double FirstRowMs = 0;  // prepare + execute + first fetch
    double AllS = 0;        // prepare + execute + every fetch
    long Rows = 0;
};

TPlainResult PlainLoop(const QString& ASelect, bool AAll)
{
    auto* db = static_cast<isc_db_handle*>(IBDatabase->Handle());
    auto* tr = static_cast<isc_tr_handle*>(IBTransaction->Handle());
    ISC_STATUS_ARRAY st;
    isc_stmt_handle stmt = 0;
    const QByteArray text = ASelect.toUtf8();

    std::vector<char> daBuf(XSQLDA_LENGTH(64));
    auto* out = reinterpret_cast<XSQLDA*>(daBuf.data());
    out->version = SQLDA_VERSION1;
    out->sqln = 64;

    TPlainResult r;
    QElapsedTimer timer;
    timer.start();
    isc_dsql_allocate_statement(st, db, &stmt);
    Check(st);
    isc_dsql_prepare(st, tr, &stmt, 0, text.constData(), 3, out);
    Check(st);
    if (out->sqld > out->sqln) throw Exception(QStringLiteral("Слишком много столбцов: %1").arg(out->sqld));
    std::vector<std::vector<char>> data(out->sqld);
    std::vector<short> nulls(out->sqld);
    for (int i = 0; i < out->sqld; ++i) {
        XSQLVAR& v = out->sqlvar[i];
        data[i].resize(v.sqllen + 2);
        v.sqldata = data[i].data();
        v.sqlind = &nulls[i];
    }
    isc_dsql_execute(st, tr, &stmt, 3, nullptr);
    Check(st);
    for (;;) {
        const ISC_STATUS rc = isc_dsql_fetch(st, &stmt, 3, out);
        if (rc == 100) break;
        Check(st);
        if (++r.Rows == 1) r.FirstRowMs = timer.nsecsElapsed() / 1e6;
        if (!AAll) break;
    }
    r.AllS = timer.nsecsElapsed() / 1e9;
    isc_dsql_free_statement(st, &stmt, DSQL_drop);
    Check(st);
    return r;
}

// The select text the grid runs for the object's view, as the server gets it.
QString SelectOf(TObj* AObj)
{
    TTbl tbl;
    tbl.RaiseLoad = true;
    tbl.LoadCurrent(AObj, nullptr, UserId);
    TTblSql sql;
    sql.CreateBaseSQL(&tbl);
    sql.LoadFilters();
    sql.AddFilters();
    QStringList select, refresh, del;
    sql.SetSQL(select, refresh, del);
    const TParsedSql parsed = ParseSqlParams(select.join(QStringLiteral("\r\n")));
    if (!parsed.Names.isEmpty())
        throw Exception(QStringLiteral("Запрос таблицы объекта \"%1\" требует значений фильтров").arg(AObj->Capt));
    return parsed.Text;
}

// Counts the paintings of a widget and the rows fetched at the last one.
class TPaintWatch : public QObject {
public:
    TPaintWatch(QWidget* AWidget, TWinTbl* AWinTbl) : FWinTbl(AWinTbl) { AWidget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* AEvent) override
    {
        if (AEvent->type() == QEvent::Paint) {
            ++Paints;
            RowsAtPaint = FWinTbl->Model()->rowCount();
        }
        return false;
    }
    int Paints = 0;
    int RowsAtPaint = 0;

private:
    TWinTbl* FWinTbl;
};

// Connects to the database through a client.ini of its own and loads the catalogue.
class TSession {
public:
    explicit TSession(const QString& APath)
    {
        if (!QFileInfo::exists(APath)) throw Exception(QStringLiteral("Файл базы данных не найден: %1").arg(APath));
        if (!FIniDir.isValid()) throw Exception(QStringLiteral("Не удалось создать временную папку"));
        QFile ini(FIniDir.filePath(QStringLiteral("client.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("Не удалось записать %1").arg(ini.fileName()));
        ini.write(QStringLiteral("[DataBase]\nDataBaseName=%1\n").arg(QFileInfo(APath).absoluteFilePath()).toUtf8());
        ini.close();
        ClientIniDir = FIniDir.path();
        ConnectDatabase();
        LoadObjList();
    }
    ~TSession()
    {
        FreeObjList();
        DisconnectDatabase();
    }
    TObj* Obj(const QString& ATable) const
    {
        TObj* obj = ObjList->GetObjByTable(ATable);
        if (!obj) throw Exception(QStringLiteral("В каталоге нет объекта с таблицей %1").arg(ATable));
        return obj;
    }

private:
    QTemporaryDir FIniDir;
};

// The MDI area of a main window, shown, with object documents.
struct TShell {
    QMdiArea Area;
    std::unique_ptr<TMDIList> List;
    TShell()
    {
        Area.resize(1000, 700);
        Area.show();
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
        RegisterDataTbl();
        List = std::make_unique<TMDIList>(&Area);
    }
};

// Opens the object's document and waits until its visible rows are painted;
// answers the milliseconds that took.
double OpenDocument(TShell& AShell, TObj* AObj, TDataTbl*& ADoc)
{
    QElapsedTimer timer;
    timer.start();
    ADoc = dynamic_cast<TDataTbl*>(AShell.List->Show(mtObj, AObj));
    if (!ADoc) throw Exception(QStringLiteral("Документ объекта не открылся"));
    ADoc->GetForm()->showMaximized();
    TWinTbl* grid = ADoc->GetWinTbl();
    TPaintWatch watch(grid->Grid()->viewport(), grid);
    for (int round = 0; round < 100000; ++round) {
        QCoreApplication::processEvents();
        QTableView* view = grid->Grid();
        const int rowHeight = view->verticalHeader()->defaultSectionSize();
        const int fits = (view->viewport()->height() + rowHeight - 1) / rowHeight;
        if (watch.Paints > 0 && watch.RowsAtPaint >= fits) return timer.nsecsElapsed() / 1e6;
    }
    throw Exception(QStringLiteral("Сетка так и не показала строки"));
}

// One cold first-row figure, measured in this process (see RunFirst).
int RunFirst(const QString& AKind, const QString& APath, const QString& ATable)
{
    TSession session(APath);
    TObj* obj = session.Obj(ATable);
    if (AKind == QStringLiteral("plain")) {
        Figure("plain_first_row_ms", PlainLoop(SelectOf(obj), false).FirstRowMs, 1);
        return 0;
    }
    TShell shell;
    TDataTbl* doc = nullptr;
    Figure("first_rows_ms", OpenDocument(shell, obj, doc), 1);
    std::printf("rows_on_first_screen: %d\n", doc->GetWinTbl()->Count());
    return 0;
}

// Runs this program for one cold figure and answers its output lines.
QStringList RunChild(const QStringList& AArgs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), AArgs);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw Exception(QStringLiteral("Замер %1 не удался").arg(AArgs.join(u' ')));
    return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// The value of the line "AName: value" among ALines.
double FigureValue(const QStringList& ALines, const QString& AName)
{
    for (const QString& line : ALines)
        if (line.startsWith(AName + u':')) return line.mid(AName.size() + 1).trimmed().toDouble();
    throw Exception(QStringLiteral("Замер не выдал %1").arg(AName));
}

int RunGrid(const QString& APath, const QString& ATable)
{
    // Cold first rows: the fastest of three processes for each side, taken in turns.
    QStringList first, plainFirst;
    double firstMs = 0, plainFirstMs = 0;
    for (int round = 0; round < 3; ++round) {
        const QStringList g = RunChild({QStringLiteral("--first"), QStringLiteral("grid"), APath, ATable});
        const QStringList p = RunChild({QStringLiteral("--first"), QStringLiteral("plain"), APath, ATable});
        const double gMs = FigureValue(g, QStringLiteral("first_rows_ms"));
        const double pMs = FigureValue(p, QStringLiteral("plain_first_row_ms"));
        if (round == 0 || gMs < firstMs) {
            firstMs = gMs;
            first = g;
        }
        if (round == 0 || pMs < plainFirstMs) {
            plainFirstMs = pMs;
            plainFirst = p;
        }
    }

    TSession session(APath);
    TObj* obj = session.Obj(ATable);
    const QString select = SelectOf(obj);
    TShell shell;
    TDataTbl* doc = nullptr;
    OpenDocument(shell, obj, doc);
    TWinTbl* grid = doc->GetWinTbl();

    // Ctrl+End, five times (reopening in between), alternating with the
    // plain loop; the fastest run of each counts, which keeps the figures
    // steady on a machine that is busy with other work. The memory is
    // measured on the first run.
    constexpr int kRounds = 5;
    double fetchAllS = 0, plainAllS = 0, bytesPerRow = 0;
    long plainRows = 0;
    for (int round = 0; round < kRounds; ++round) {
        const TPlainResult plain = PlainLoop(select, true);
        plainRows = plain.Rows;
        plainAllS = round == 0 ? plain.AllS : qMin(plainAllS, plain.AllS);
        if (round > 0) {
            grid->Close();
            grid->Open();
            for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
        }
        const int before = grid->Count();
        const long rssBefore = ResidentBytes();
        QElapsedTimer timer;
        timer.start();
        grid->GotoEnd();
        const double s = timer.nsecsElapsed() / 1e9;
        fetchAllS = round == 0 ? s : qMin(fetchAllS, s);
        if (round == 0 && grid->Count() > before)
            bytesPerRow = double(ResidentBytes() - rssBefore) / (grid->Count() - before);
        if (grid->Count() != plainRows)
            throw Exception(QStringLiteral("Сетка получила %1 строк, запрос выдаёт %2").arg(grid->Count()).arg(plainRows));
    }
    plainAllS = qMin(plainAllS, PlainLoop(select, true).AllS);

    for (const QString& line : first + plainFirst)
        if (!line.startsWith(QStringLiteral("rows_on_first_screen"))) Print(stdout, line);
    Figure("fetch_all_s", fetchAllS, 3);
    Figure("plain_fetch_all_s", plainAllS, 3);
    Figure("fetch_all_ratio", fetchAllS / plainAllS, 3);
    Figure("bytes_per_row", bytesPerRow, 1);
    std::printf("rows: %d\n", grid->Count());
    for (const QString& line : first)
        if (line.startsWith(QStringLiteral("rows_on_first_screen"))) Print(stdout, line);
    std::fflush(stdout);
    shell.List.reset();
    return 0;
}

const char* kUsage =
    "Использование: velmora-bench grid DBPATH [TABLE]\n"
    "Открывает документ объекта с таблицей TABLE (по умолчанию BIGLIST) базы DBPATH,\n"
    "измеряет показ первых строк и выборку всех строк (Ctrl+End) рядом с простым\n"
    "циклом isc_dsql_fetch по тому же запросу и печатает строки \"имя: значение\".";

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    // Internal: "--first grid|plain DBPATH TABLE", one cold figure.
    const bool firstOnly = args.size() == 4 && args[0] == QStringLiteral("--first")
                           && (args[1] == QStringLiteral("grid") || args[1] == QStringLiteral("plain"));
    if (!firstOnly && (args.size() < 2 || args.size() > 3 || args[0] != QStringLiteral("grid"))) {
        Print(stderr, QString::fromUtf8(kUsage));
        return 2;
    }
    int result = 1;
    try {
        InitProcess();
        if (firstOnly)
            result = RunFirst(args[1], args[2], args[3]);
        else
            result = RunGrid(args[1], args.size() > 2 ? args[2] : QStringLiteral("BIGLIST"));
    } catch (const Exception& e) {
        Print(stderr, QStringLiteral("velmora-bench: ") + e.Message());
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("velmora-bench: ") + QString::fromUtf8(e.what()));
    }
    DoneProcess();
    return result;
}
