// Readable failure output for Qt strings in tests.
#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& AValue, std::ostream* AOut)
{
    *AOut << '"' << AValue.toStdString() << '"';
}

inline void PrintTo(const QStringList& AValue, std::ostream* AOut)
{
    *AOut << '[' << AValue.join(QStringLiteral(", ")).toStdString() << ']';
}
