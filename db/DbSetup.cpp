#include "DbSetup.h"

#include "DbCatalogue.h"
#include "DbCatalogueWriter.h"
#include "DbCheck.h"
#include "DbData.h"
#include "DbDemo.h"
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

namespace {

using TSetupStep = std::function<void(TIBDatabase*, TIBTransaction*)>;

void CreateDatabase(const QString& APath, const QStringList& AFiles, const std::function<void(const QString&)>& ALog,
                    const TSetupStep& AThen)
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
        if (AThen)
            AThen(db.get(), tr.get());
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

}  // namespace

void CreateDatabaseFromFiles(const QString& APath, const QStringList& AFiles,
                             const std::function<void(const QString&)>& ALog)
{
    CreateDatabase(APath, AFiles, ALog, {});
}

QStringList VelmoraCatalogueFiles(const TDbSetupOptions& AOptions)
{
    QStringList files{QStringLiteral(":/db/catalogue.json")};
    if (AOptions.Demo)
        files.append(QStringLiteral(":/db/demo.json"));
    if (AOptions.Large > 0)
        files.append(QStringLiteral(":/db/large.json"));
    return files;
}

void CreateVelmoraDatabase(const QString& APath, const TDbSetupOptions& AOptions,
                           const std::function<void(const QString&)>& ALog)
{
    if (AOptions.Large < 0)
        throw Exception(QStringLiteral("Число записей большого списка не может быть отрицательным: %1").arg(AOptions.Large));
    if (!AOptions.Catalogue) {
        if (AOptions.Demo || AOptions.Large > 0)
            throw Exception(QStringLiteral("Демонстрационная компания и большой список описываются в каталоге: "
                                           "база без каталога их не получает"));
        CreateDatabaseFromFiles(APath, VelmoraSetupFiles(), ALog);
        return;
    }

    // The descriptions are read and checked before the file is made, so a
    // mistake in them leaves nothing behind.
    TDbCatalogue cat;
    for (const QString& file : VelmoraCatalogueFiles(AOptions))
        cat.Read(ReadSetupFile(file).toUtf8(), ShortName(file));
    cat.Complete();

    CreateDatabase(APath, VelmoraSetupFiles(), ALog, [&](TIBDatabase* ADb, TIBTransaction* ATr) {
        TDbCatalogueWriter writer(ADb, ATr);
        writer.CreateTables(cat, ALog);
        if (!ATr->InTransaction())
            ATr->StartTransaction();
        writer.WriteRows(cat, ALog);
        if (AOptions.Demo)
            FillDemoRecords(writer, ALog);
        if (AOptions.Large > 0)
            FillLargeList(ADb, ATr, AOptions.Large, ALog);
        const QStringList problems = CheckCatalogue(ADb, ATr, TDbCheckOptions{.Sales = AOptions.Demo});
        if (!problems.isEmpty())
            throw Exception(QStringLiteral("Каталог не согласован (%1):\n%2")
                                .arg(problems.size())
                                .arg(problems.join(u'\n')));
        ATr->Commit();
    });
}
