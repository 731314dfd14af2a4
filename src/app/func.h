// Session state and the small helpers every unit shares: the one connection
// and transaction, the statement factory, id generation, the loaded
// catalogue, debug output and string list building.
#pragma once

#include "core/IBX.h"
#include "core/SysUtils.h"
#include "core/Variant.h"

#include <QString>
#include <functional>
#include <memory>

class TObjList;

using TProgressProc = std::function<void(int APosition, int AMax)>;

extern TIBDatabase* IBDatabase;
extern TIBTransaction* IBTransaction;
extern bool Connected;
extern TObjList* ObjList;
extern bool ObjListLoaded;
extern int UserId;
extern QString UserName;
extern bool DevMode;
extern bool ShowDebugMessages;
extern TProgressProc OnLoadProgress;

// Shows a debug message; set by the user interface (a message box). Without
// one, debug messages go nowhere.
extern std::function<void(const QString&)> DebugMessageHandler;

// Directory whose client.ini ConnectDatabase reads. Empty means the directory
// of the executable (the normal case); tests point it elsewhere.
extern QString ClientIniDir;

// Creates IBDatabase and IBTransaction (process start) and frees them with
// the gen_id statement (process end).
void InitProcess();
void DoneProcess();

std::unique_ptr<TIBDatabase> NewIBDatabase();
std::unique_ptr<TIBTransaction> NewIBTransaction(TIBDatabase* ADatabase = nullptr);
std::unique_ptr<TIBSQL> NewIBSQL();

QString ClientIniFileName();
void ConnectDatabase();
void DisconnectDatabase();
void LoadObjList();
void FreeObjList();
void CommitRetaining();
void RollbackRetaining();
int GenId(const QString& AGenName);

void DebugMessage(const QString& AMessage);
void DebugMessageFmt(const QString& AFormat, const QList<Variant>& AArgs);

// S := T when S is empty, else S + ",\r" + T.
void AddStr(QString& S, const QString& T);
