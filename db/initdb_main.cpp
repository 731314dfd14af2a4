// velmora-initdb: creates a new Velmora database file.
//   velmora-initdb PATH
// Prints one line per step done. Exit codes: 0 done, 1 failed (nothing is
// left behind; an existing file is never touched), 2 bad arguments.

#include "DbSetup.h"

#include "core/SysUtils.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

void Print(FILE* AStream, const QString& AText)
{
    const QByteArray bytes = (AText + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), AStream);
    std::fflush(AStream);
}

const QString kUsage = QStringLiteral(
    "Использование: velmora-initdb PATH\n"
    "Создаёт новую базу данных Velmora в файле PATH: системные таблицы, таблицы кодов\n"
    "и пользователя tormel. Существующий файл не перезаписывается.");

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    if (args.size() == 1 && (args[0] == QStringLiteral("-h") || args[0] == QStringLiteral("--help"))) {
        Print(stdout, kUsage);
        return 0;
    }
    // "--" ends the options, so that a path may start with "-".
    QString path;
    if (args.size() == 2 && args[0] == QStringLiteral("--"))
        path = args[1];
    else if (args.size() == 1 && !args[0].startsWith(u'-') && !args[0].isEmpty())
        path = args[0];
    if (path.isEmpty()) {
        if (args.isEmpty())
            Print(stderr, QStringLiteral("velmora-initdb: не указан файл базы данных"));
        else
            Print(stderr, QStringLiteral("velmora-initdb: неверные аргументы: %1").arg(args.join(u' ')));
        Print(stderr, kUsage);
        return 2;
    }

    try {
        CreateVelmoraDatabase(path, TDbSetupOptions{}, [](const QString& ALine) { Print(stdout, ALine); });
    } catch (const Exception& e) {
        Print(stderr, QStringLiteral("velmora-initdb: ") + e.Message());
        return 1;
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("velmora-initdb: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
