// velmora-initdb: creates a new Velmora database file.
//   velmora-initdb [--demo] [--large N] PATH
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
    "Использование: velmora-initdb [--demo] [--large N] PATH\n"
    "Создаёт новую базу данных Velmora в файле PATH: системные таблицы, таблицы кодов,\n"
    "описывающий себя каталог и пользователя tormel. Существующий файл не перезаписывается.\n"
    "  --demo      добавить демонстрационную торговую компанию (клиенты, товары, сделки,\n"
    "              платежи, отгрузки, второй пользователь vesnina)\n"
    "  --large N   добавить объект \"Большой список\" с N записями (N от 1 до 10000000)\n"
    "  --          конец параметров (для пути, начинающегося с \"-\")");

struct TArgs {
    TDbSetupOptions Options;
    QString Path;
    QString Error;  // empty: the arguments are fine
};

TArgs ParseArgs(const QStringList& AArgs)
{
    TArgs r;
    bool options = true;
    bool large = false;
    for (int i = 0; i < AArgs.size(); ++i) {
        const QString& a = AArgs[i];
        if (options && a == QStringLiteral("--")) {
            options = false;
        } else if (options && a == QStringLiteral("--demo")) {
            if (r.Options.Demo)
                return {{}, {}, QStringLiteral("параметр --demo указан дважды")};
            r.Options.Demo = true;
        } else if (options && a == QStringLiteral("--large")) {
            if (large)
                return {{}, {}, QStringLiteral("параметр --large указан дважды")};
            if (i + 1 >= AArgs.size())
                return {{}, {}, QStringLiteral("после --large не указано число записей")};
            bool ok = false;
            const qlonglong n = AArgs[++i].toLongLong(&ok);
            if (!ok || n < 1 || n > 10000000)
                return {{}, {}, QStringLiteral("число записей --large должно быть целым от 1 до 10000000: %1").arg(AArgs[i])};
            r.Options.Large = static_cast<int>(n);
            large = true;
        } else if (options && a.startsWith(u'-')) {
            return {{}, {}, QStringLiteral("неизвестный параметр: %1").arg(a)};
        } else if (!r.Path.isEmpty()) {
            return {{}, {}, QStringLiteral("неверные аргументы: %1").arg(AArgs.join(u' '))};
        } else if (a.isEmpty()) {
            return {{}, {}, QStringLiteral("путь к файлу базы данных пуст")};
        } else {
            r.Path = a;
        }
    }
    if (r.Path.isEmpty())
        r.Error = QStringLiteral("не указан файл базы данных");
    return r;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    if (args.size() == 1 && (args[0] == QStringLiteral("-h") || args[0] == QStringLiteral("--help"))) {
        Print(stdout, kUsage);
        return 0;
    }
    const TArgs parsed = ParseArgs(args);
    if (!parsed.Error.isEmpty()) {
        Print(stderr, QStringLiteral("velmora-initdb: ") + parsed.Error);
        Print(stderr, kUsage);
        return 2;
    }

    try {
        CreateVelmoraDatabase(parsed.Path, parsed.Options, [](const QString& ALine) { Print(stdout, ALine); });
    } catch (const Exception& e) {
        Print(stderr, QStringLiteral("velmora-initdb: ") + e.Message());
        return 1;
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("velmora-initdb: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    return 0;
}
