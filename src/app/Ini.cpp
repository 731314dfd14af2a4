#include "Ini.h"

#include "core/IBX.h"

#include <QFile>
#include <QTextStream>

TIniFile::TIniFile(const QString& AFileName)
{
    QFile f(AFileName);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    QString section;
    bool inSection = false;
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            int close = line.indexOf(u']');
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toLower();
            inSection = true;
            FSections[section];
            continue;
        }
        if (!inSection) continue;
        int eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        QString key = line.left(eq).trimmed().toLower();
        // The first occurrence of a key wins, as with the Windows profile API.
        auto& keys = FSections[section];
        if (!keys.contains(key)) keys.insert(key, line.mid(eq + 1).trimmed());
    }
}

QString TIniFile::ReadString(const QString& ASection, const QString& AKey, const QString& ADefault) const
{
    auto s = FSections.constFind(ASection.toLower());
    if (s == FSections.constEnd()) return ADefault;
    auto k = s->constFind(AKey.toLower());
    return k == s->constEnd() ? ADefault : *k;
}

bool TIniFile::ValueExists(const QString& ASection, const QString& AKey) const
{
    auto s = FSections.constFind(ASection.toLower());
    return s != FSections.constEnd() && s->contains(AKey.toLower());
}

void ReadClientIni(TIBDatabase* ADatabase, const QString& AIniFileName, const QString& ADefaultDatabaseName,
                   const QString& ACharset)
{
    const QString section = QStringLiteral("DataBase");
    TIniFile ini(AIniFileName);
    ADatabase->DatabaseName = ini.ReadString(section, QStringLiteral("DataBaseName"), ADefaultDatabaseName);
    ADatabase->Params.clear();
    if (!ini.ValueExists(section, QStringLiteral("crypt_user_name")))
        ADatabase->Params << QStringLiteral("user_name=") + ini.ReadString(section, QStringLiteral("user_name"),
                                                                          QStringLiteral("SYSDBA"));
    if (!ini.ValueExists(section, QStringLiteral("crypt_password")))
        ADatabase->Params << QStringLiteral("password=") + ini.ReadString(section, QStringLiteral("password"),
                                                                         QStringLiteral("plumvexor"));
    ADatabase->Params << QStringLiteral("lc_ctype=") + ACharset;
}
