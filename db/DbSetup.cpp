#include "DbSetup.h"

#include "DbData.h"
#include "DbScript.h"

#include "core/IBX.h"
#include "core/SysUtils.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

// The embedded engine does not check credentials; these are the ones the
// client connects with by default (client.ini), so the owner matches.
const QString kUser = QStringLiteral("SYSDBA");
const QString kPassword = QStringLiteral("plumvexor");

void Say(const std::function<void(const QString&)>& ALog, const QString& ALine)
{
    if (ALog)
        ALog(ALine);
}

QString ReadSetupFile(const QString& AName)
{
    QFile f(AName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Не удалось прочитать файл %1: %2").arg(AName, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

// Name shown in messages: resource paths without the ":/" prefix.
QString ShortName(const QString& AName)
{
    return AName.startsWith(QStringLiteral(":/")) ? AName.mid(2) : AName;
}

}  // namespace

QStringList VelmoraSetupFiles()
{
    return {QStringLiteral(":/db/system.sql"), QStringLiteral(":/db/system.json")};
}

void CreateDatabaseFromFiles(const QString& APath, const QStringList& AFiles,
                             const std::function<void(const QString&)>& ALog)
{
    const QFileInfo info(APath);
    const QString path = info.absoluteFilePath();
    if (info.exists() || info.isSymLink())
        throw Exception(QStringLiteral("Файл базы данных уже существует: %1").arg(path));

    // Everything is read before the file is made, so a missing set-up file
    // leaves nothing behind.
    QList<QString> texts;
    for (const QString& name : AFiles) {
        if (!name.endsWith(QStringLiteral(".sql")) && !name.endsWith(QStringLiteral(".json")))
            throw Exception(QStringLiteral("Неизвестный вид файла установки: %1 (ожидается .sql или .json)").arg(name));
        texts.append(ReadSetupFile(name));
    }

    try {
        TIBDatabase::CreateDatabase(path, kUser, kPassword, QStringLiteral("UTF8"));
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("Не удалось создать базу данных %1:\n%2").arg(path, e.Message()));
    }
    Say(ALog, QStringLiteral("Создан файл базы данных: %1").arg(path));

    try {
        auto db = std::make_unique<TIBDatabase>();
        db->DatabaseName = path;
        db->Params = QStringList{QStringLiteral("user_name=") + kUser, QStringLiteral("password=") + kPassword,
                                 QStringLiteral("lc_ctype=UTF8")};
        db->Open();

        auto tr = std::make_unique<TIBTransaction>(db.get());
        tr->Params = QStringList{QStringLiteral("read_committed"), QStringLiteral("rec_version"),
                                 QStringLiteral("nowait")};
        TDbDataLoader loader(db.get(), tr.get());
        for (int i = 0; i < AFiles.size(); ++i) {
            const QString source = ShortName(AFiles[i]);
            if (AFiles[i].endsWith(QStringLiteral(".sql"))) {
                int count = RunSqlScript(db.get(), texts[i], source);
                Say(ALog, QStringLiteral("%1: выполнено операторов: %2").arg(source, QString::number(count)));
            } else {
                tr->StartTransaction();
                loader.Load(texts[i].toUtf8(), source, ALog);
                tr->Commit();
            }
        }
        tr.reset();
        db->Close();
    } catch (const Exception& e) {
        // The connection objects are gone (closed) by now; the half-made file goes too.
        QFile::remove(path);
        throw Exception(QStringLiteral("Не удалось подготовить базу данных %1:\n%2").arg(path, e.Message()));
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    Say(ALog, QStringLiteral("База данных готова: %1").arg(path));
}

void CreateVelmoraDatabase(const QString& APath, const TDbSetupOptions& AOptions,
                           const std::function<void(const QString&)>& ALog)
{
    if (AOptions.Demo || AOptions.Large != 0)
        throw Exception(QStringLiteral("Демонстрационные данные пока не поддерживаются"));
    CreateDatabaseFromFiles(APath, VelmoraSetupFiles(), ALog);
}
