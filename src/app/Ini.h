// Settings file reading (client.ini).
#pragma once

#include <QMap>
#include <QString>

class TIBDatabase;

// A read-only INI file. Sections and keys match case-insensitively; values
// are trimmed. A missing or unreadable file behaves like an empty one.
class TIniFile {
public:
    explicit TIniFile(const QString& AFileName);
    QString ReadString(const QString& ASection, const QString& AKey, const QString& ADefault) const;
    bool ValueExists(const QString& ASection, const QString& AKey) const;

private:
    QMap<QString, QMap<QString, QString>> FSections;  // lower-case names
};

// Fills the connection's database name and parameter list from the file.
void ReadClientIni(TIBDatabase* ADatabase, const QString& AIniFileName, const QString& ADefaultDatabaseName,
                   const QString& ACharset);
