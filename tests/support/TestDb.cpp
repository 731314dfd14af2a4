#include "TestDb.h"

#include "app/func.h"
#include "core/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>

#include <cstdlib>
#include <unistd.h>

namespace {

QString& TmpDirPath()
{
    static QString path;
    return path;
}

void RemoveTmpDir()
{
    if (!TmpDirPath().isEmpty())
        QDir(TmpDirPath()).removeRecursively();
}

// Directories of test processes that died without cleaning up ("<pid>-...").
void RemoveStaleDirs(const QString& ARoot)
{
    const QStringList entries = QDir(ARoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
        bool ok = false;
        const qint64 pid = name.section(u'-', 0, 0).toLongLong(&ok);
        if (ok && pid > 0 && pid != ::getpid() && !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
            QDir(ARoot + u'/' + name).removeRecursively();
    }
}

int NextNumber()
{
    static int n = 0;
    return ++n;
}

}  // namespace

QString TestTmpDir()
{
    QString& path = TmpDirPath();
    if (path.isEmpty()) {
        const QString root = QStringLiteral(VELMORA_TEST_TMP);
        if (!QDir().mkpath(root))
            throw Exception(QStringLiteral("Не удалось создать папку %1").arg(root));
        RemoveStaleDirs(root);
        const QString dir = QStringLiteral("%1/%2-%3")
                                .arg(root)
                                .arg(::getpid())
                                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QDir().mkpath(dir))
            throw Exception(QStringLiteral("Не удалось создать папку %1").arg(dir));
        path = dir;
        std::atexit(RemoveTmpDir);
    }
    return path;
}

QString FreshDatabase(const TDbSetupOptions& AOptions)
{
    static QMap<QString, QString> templates;
    const QString key = QStringLiteral("cat%1-demo%2-large%3")
                            .arg(AOptions.Catalogue ? 1 : 0)
                            .arg(AOptions.Demo ? 1 : 0)
                            .arg(AOptions.Large);
    auto it = templates.find(key);
    if (it == templates.end()) {
        const QString file = QStringLiteral("%1/template-%2.fdb").arg(TestTmpDir(), key);
        CreateVelmoraDatabase(file, AOptions);
        it = templates.insert(key, file);
    }
    const QString copy = QStringLiteral("%1/db-%2.fdb").arg(TestTmpDir()).arg(NextNumber());
    if (!QFile::copy(it.value(), copy))
        throw Exception(QStringLiteral("Не удалось скопировать %1 в %2").arg(it.value(), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return copy;
}

QString WriteClientIni(const QString& ADatabasePath, const QString& AExtraLines)
{
    const QString dir = QStringLiteral("%1/ini-%2").arg(TestTmpDir()).arg(NextNumber());
    if (!QDir().mkpath(dir))
        throw Exception(QStringLiteral("Не удалось создать папку %1").arg(dir));
    QString text = QStringLiteral("[DataBase]\nDataBaseName=%1\n").arg(ADatabasePath);
    if (!AExtraLines.isEmpty()) {
        text += AExtraLines;
        if (!text.endsWith(u'\n'))
            text += u'\n';
    }
    QFile f(dir + QStringLiteral("/client.ini"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0)
        throw Exception(QStringLiteral("Не удалось записать %1: %2").arg(f.fileName(), f.errorString()));
    f.close();
    ClientIniDir = dir;
    return dir;
}
