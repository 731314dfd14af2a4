#include "DbDemo.h"

#include "DbCatalogueWriter.h"

#include "core/IBX.h"
#include "core/SysUtils.h"
#include "core/Variant.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QStringList>

#include <cmath>

namespace {

struct TClientData {
    const char* Name;
    const char* City;
    const char* Contact;
    const char* Mail;
};

const TClientData kClients[] = {
    {"ООО «Северный ветер»", "Санкт-Петербург", "Смирнов Алексей Викторович", "severveter"},
    {"АО «Уралмашсервис»", "Екатеринбург", "Кузнецова Марина Игоревна", "uralmashservis"},
    {"ООО «Волжская торговая компания»", "Самара", "Попов Дмитрий Сергеевич", "vtk-samara"},
    {"ИП Лебедев Игорь Николаевич", "Ярославль", "Лебедев Игорь Николаевич", "lebedev-ip"},
    {"ООО «Сибирские технологии»", "Новосибирск", "Соколова Елена Андреевна", "sibtech"},
    {"ООО «Кама-Офис»", "Казань", "Хабибуллин Ринат Маратович", "kama-office"},
    {"АО «Балтийский порт»", "Калининград", "Новиков Павел Олегович", "baltport"},
    {"ООО «Дон-Агро»", "Ростов-на-Дону", "Морозова Татьяна Васильевна", "don-agro"},
    {"ООО «Приокские мастерские»", "Рязань", "Волков Сергей Петрович", "priokskie"},
    {"ООО «Альфа-Строй»", "Москва", "Зайцева Анна Михайловна", "alfa-stroy"},
    {"ООО «Техносфера»", "Нижний Новгород", "Павлов Андрей Юрьевич", "technosfera"},
    {"ООО «Медицинский центр Здоровье»", "Тула", "Семёнова Ирина Владимировна", "zdorovie-tula"},
    {"ГБОУ «Школа № 1520»", "Москва", "Голубев Николай Иванович", "sch1520"},
    {"ООО «Печатный двор»", "Тверь", "Виноградова Ольга Сергеевна", "pechdvor"},
    {"ООО «Кубань-Логистик»", "Краснодар", "Богданов Артём Александрович", "kuban-log"},
    {"АО «Енисейская энергетика»", "Красноярск", "Воробьёв Максим Геннадьевич", "enisey-energo"},
    {"ООО «Байкал-Трейд»", "Иркутск", "Фёдорова Наталья Олеговна", "baikal-trade"},
    {"ООО «Дальневосточная рыба»", "Владивосток", "Михайлов Константин Романович", "dvfish"},
    {"ООО «Уютный дом»", "Воронеж", "Белова Светлана Николаевна", "uyutdom"},
    {"ООО «Гранит»", "Челябинск", "Тарасов Виктор Алексеевич", "granit74"},
    {"ООО «Петровские пекарни»", "Санкт-Петербург", "Комарова Юлия Дмитриевна", "petrbakery"},
    {"ООО «Автоцентр Север»", "Архангельск", "Орлов Евгений Борисович", "autosever"},
    {"ООО «Зелёный город»", "Пермь", "Киселёва Дарья Антоновна", "greencity"},
    {"АО «Тюменьнефтесервис»", "Тюмень", "Макаров Роман Игоревич", "tns"},
    {"ООО «Агрохолдинг Черноземье»", "Белгород", "Андреева Валентина Петровна", "chernozem"},
    {"ООО «Вектор»", "Уфа", "Гарипов Тимур Ильдарович", "vector-ufa"},
    {"ООО «Омский бройлер»", "Омск", "Захаров Илья Станиславович", "omskbroiler"},
    {"ООО «Мебельная фабрика Берёзка»", "Киров", "Соловьёва Людмила Геннадьевна", "berezka-mebel"},
    {"ООО «Клиника Доктор Плюс»", "Саратов", "Борисов Денис Валерьевич", "doctorplus"},
    {"ООО «Стройресурс»", "Волгоград", "Яковлева Кристина Евгеньевна", "stroyresurs"},
    {"ООО «Рус-Импорт»", "Москва", "Григорьев Станислав Олегович", "rusimport"},
    {"ООО «Цифровые решения»", "Томск", "Романова Полина Артёмовна", "digisol"},
    {"ООО «Камский кабель»", "Пермь", "Воронин Глеб Сергеевич", "kamkabel"},
    {"АО «Северсталь-Комплект»", "Череповец", "Ефимова Вера Михайловна", "ss-komplekt"},
    {"ООО «Астраханская соль»", "Астрахань", "Сафонов Руслан Тимурович", "astrasol"},
    {"ООО «Тверская бумага»", "Тверь", "Кудрявцева Алла Павловна", "tverpaper"},
    {"ООО «Смоленские окна»", "Смоленск", "Мельников Артур Денисович", "smolokna"},
    {"ООО «Курский гостиничный двор»", "Курск", "Баранова Елизавета Игоревна", "kurskhotel"},
    {"ООО «Калуга-Фарм»", "Калуга", "Степанов Арсений Олегович", "kalugapharm"},
    {"ИП Николаева Мария Александровна", "Псков", "Николаева Мария Александровна", "nikolaeva-ip"},
};

struct TProductData {
    const char* Name;
    const char* Art;
    const char* Unit;
    double Price;
    const char* Curr;
};

const TProductData kProducts[] = {
    {"Бумага офисная А4, 500 листов", "BP-A4-500", "пачка", 390.00, "RUB"},
    {"Ноутбук Lenovo ThinkPad E14", "NB-E14", "шт", 820.00, "USD"},
    {"Монитор Dell P2723, 27\"", "MN-P2723", "шт", 310.00, "USD"},
    {"Кресло офисное эргономичное", "CH-ERG-01", "шт", 14500.00, "RUB"},
    {"Стол письменный 1400×700", "TB-1400", "шт", 9800.00, "RUB"},
    {"Картридж лазерный HP 85A", "CR-85A", "шт", 48.00, "EUR"},
    {"МФУ Kyocera ECOSYS M2540", "MF-2540", "шт", 410.00, "EUR"},
    {"Сканер штрихкодов беспроводной", "SC-BC-W", "шт", 690.00, "CNY"},
    {"Кабель USB-C, 2 м", "CB-USBC-2", "шт", 38.00, "CNY"},
    {"Клавиатура беспроводная", "KB-WL-10", "шт", 1990.00, "RUB"},
    {"Мышь оптическая", "MS-OPT-2", "шт", 690.00, "RUB"},
    {"Шкаф для документов", "CB-DOC-4", "шт", 17900.00, "RUB"},
    {"Ручки шариковые синие, 50 шт.", "PN-BL-50", "упак", 520.00, "RUB"},
    {"Папка-регистратор 75 мм", "FL-75", "шт", 210.00, "RUB"},
    {"Источник бесперебойного питания 1500 ВА", "UPS-1500", "шт", 165.00, "EUR"},
    {"Маршрутизатор Wi-Fi 6", "RT-AX55", "шт", 520.00, "CNY"},
    {"Проектор Epson EB-X51", "PR-X51", "шт", 540.00, "USD"},
    {"Экран для проектора 180×180", "SC-180", "шт", 6400.00, "RUB"},
    {"Флеш-накопитель 64 ГБ", "FD-64", "шт", 55.00, "CNY"},
    {"Жёсткий диск внешний 2 ТБ", "HD-2TB", "шт", 79.00, "USD"},
    {"Кулер для воды напольный", "WC-01", "шт", 11200.00, "RUB"},
    {"Вода питьевая 19 л", "WT-19", "бут", 280.00, "RUB"},
    {"Кофе в зёрнах, 1 кг", "CF-1KG", "кг", 1450.00, "RUB"},
    {"Бумага для плоттера 914 мм", "PL-914", "рул", 2350.00, "RUB"},
    {"IP-телефон Yealink T31P", "PH-T31", "шт", 62.00, "USD"},
    {"Гарнитура с микрофоном", "HS-USB", "шт", 2900.00, "RUB"},
    {"Лампа настольная светодиодная", "LM-LED", "шт", 1850.00, "RUB"},
    {"Доска маркерная 120×90", "WB-12090", "шт", 4300.00, "RUB"},
    {"Уничтожитель бумаг", "SH-5", "шт", 95.00, "EUR"},
    {"Сейф офисный", "SF-40", "шт", 23500.00, "RUB"},
};

struct TCurrData {
    const char* Code;
    const char* Name;
    double Rate;  // in roubles at the start of 2024; 0 for the base currency
};

const TCurrData kCurrs[] = {
    {"RUB", "Российский рубль", 0},
    {"USD", "Доллар США", 89.6883},
    {"EUR", "Евро", 99.1919},
    {"CNY", "Китайский юань", 12.5762},
};

const char* const kStreets[] = {"ул. Ленина", "пр. Мира", "ул. Садовая", "ул. Советская",
                                "ул. Гагарина", "наб. Речная", "ул. Промышленная", "пр. Победы"};
const char* const kNotes[] = {"Срочная поставка", "Оплата по счёту в течение 5 дней", "Доставка до склада покупателя",
                              "Постоянный клиент", "Поставка частями", "Самовывоз"};

// A fixed sequence, so every demo database holds the same records.
class TRandom {
public:
    int Next(int AModulus)
    {
        FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((FState >> 33) % static_cast<unsigned>(AModulus));
    }

private:
    unsigned long long FState = 20250109;
};

QString S(const char* AText)
{
    return QString::fromUtf8(AText);
}

QString DateText(const QDate& ADate)
{
    return ADate.toString(QStringLiteral("yyyy-MM-dd"));
}

Variant Money(double AValue)
{
    return Variant(Currency::FromDouble(RoundTo(AValue, 2)));
}

struct TRate {
    QDate Date;
    double Value;
};

struct TLine {
    int Id;
    double Cnt;
    double Pay;
    double Paid = 0;
};

}  // namespace

void FillDemoRecords(TDbCatalogueWriter& AWriter, const std::function<void(const QString&)>& ALog)
{
    TRandom rnd;
    int rows = 0;
    auto insert = [&](const char* ATable, const QList<QPair<QString, Variant>>& ACols) {
        ++rows;
        return AWriter.Insert(S(ATable), ACols);
    };

    // Currencies: the rouble is the base; the others get a rate on the first
    // day of every month of 2024 and 2025.
    QHash<QString, int> currId;
    QHash<QString, QList<TRate>> rates;
    for (const TCurrData& c : kCurrs) {
        currId[S(c.Code)] = insert("CURR", {{"CURR_CODE", S(c.Code)}, {"CURR_NAME", S(c.Name)}, {"CURR_BASE", c.Rate == 0 ? 1 : 0}});
        if (c.Rate == 0)
            continue;
        for (int m = 0; m < 24; ++m) {
            const QDate d(2024 + m / 12, m % 12 + 1, 1);
            const double v = RoundTo(c.Rate * (1.0 + 0.045 * std::sin(m * 0.7) + 0.003 * m), 4);
            rates[S(c.Code)].append({d, v});
            insert("CURRATE", {{"CURR_ID", currId[S(c.Code)]}, {"CURRATE_DATE", DateText(d)},
                               {"CURRATE_VALUE", Variant(Currency::FromDouble(v))}});
        }
    }
    auto rateOn = [&](const QString& ACurr, const QDate& ADate) {
        double result = 1.0;
        for (const TRate& r : rates.value(ACurr))
            if (r.Date <= ADate)
                result = r.Value;
        return result;
    };

    QList<int> clientIds;
    QStringList clientAddr;
    int n = 0;
    for (const TClientData& c : kClients) {
        ++n;
        QString inn;
        QString kpp;
        for (int i = 0; i < 10; ++i)
            inn += QChar(u'0' + (i == 0 ? 1 + rnd.Next(9) : rnd.Next(10)));
        for (int i = 0; i < 9; ++i)
            kpp += QChar(u'0' + (i == 0 ? 1 + rnd.Next(9) : rnd.Next(10)));
        const bool person = S(c.Name).startsWith(QStringLiteral("ИП "));
        const QString addr = QStringLiteral("г. %1, %2, д. %3").arg(S(c.City), S(kStreets[rnd.Next(8)])).arg(1 + rnd.Next(120));
        clientAddr.append(addr);
        clientIds.append(insert(
            "CLIENT",
            {{"CLIENT_NAME", S(c.Name)},
             {"CLIENT_INN", person ? inn + QString::number(10 + rnd.Next(89)) : inn},
             {"CLIENT_KPP", person ? Variant::Null() : Variant(kpp)},
             {"CLIENT_CITY", S(c.City)},
             {"CLIENT_ADDR", addr},
             {"CLIENT_CONTACT", S(c.Contact)},
             {"CLIENT_PHONE", QStringLiteral("+7 (9%1) %2-%3-%4")
                                  .arg(10 + rnd.Next(90))
                                  .arg(100 + rnd.Next(900))
                                  .arg(10 + rnd.Next(90))
                                  .arg(10 + rnd.Next(90))},
             {"CLIENT_EMAIL", QStringLiteral("%1@%2.ru").arg(n % 3 == 0 ? QStringLiteral("zakaz") : QStringLiteral("info"),
                                                             S(c.Mail))},
             {"CLIENT_NOTE", n % 7 == 0 ? Variant(QStringLiteral("Работаем по договору поставки")) : Variant::Null()}}));
    }

    struct TProductRow {
        int Id;
        const TProductData* Data;
    };
    QList<TProductRow> products;
    for (const TProductData& p : kProducts)
        products.append({insert("PRODUCT", {{"PRODUCT_NAME", S(p.Name)},
                                            {"PRODUCT_ART", S(p.Art)},
                                            {"PRODUCT_UNIT", S(p.Unit)},
                                            {"PRODUCT_PRICE", Money(p.Price)},
                                            {"CURR_ID", currId[S(p.Curr)]}}),
                         &p});

    // The first user gets most deals, the second one some.
    const int tormel = AWriter.Lookup(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'tormel'"));
    const int vesnina = AWriter.Lookup(QStringLiteral("select USR_ID from USR where USR_LOGIN = 'vesnina'"));

    const int dealCount = 60;
    QDate date(2025, 1, 9);
    int payDoc = 311;
    int shipDoc = 1;
    for (int i = 0; i < dealCount; ++i) {
        const int client = rnd.Next(clientIds.size());
        const int manager = rnd.Next(3) == 0 ? vesnina : tormel;
        const int deal = insert("DEAL", {{"DEAL_NUM", QStringLiteral("СД-25-%1").arg(i + 1, 3, 10, QChar(u'0'))},
                                         {"DEAL_DATE", DateText(date)},
                                         {"CLIENT_ID", clientIds[client]},
                                         {"USR_ID", manager},
                                         {"DEAL_NOTE", rnd.Next(3) == 0 ? Variant(S(kNotes[rnd.Next(6)])) : Variant::Null()}});

        // Product lines: one to four different products, priced in roubles
        // at the rate of the deal's date, as the line's formulas compute.
        QList<TLine> lines;
        QList<int> used;
        const int lineCount = 1 + rnd.Next(4);
        for (int k = 0; k < lineCount; ++k) {
            int p = rnd.Next(products.size());
            while (used.contains(p))
                p = (p + 1) % products.size();
            used.append(p);
            const TProductData* pd = products[p].Data;
            const QString unit = S(pd->Unit);
            const double cnt = unit == QStringLiteral("шт") ? 1 + rnd.Next(8)
                               : unit == QStringLiteral("кг") ? 0.5 * (1 + rnd.Next(20))
                                                             : 5 * (1 + rnd.Next(20));
            const double price = RoundTo(pd->Price * rateOn(S(pd->Curr), date), 2);
            const double disc = rnd.Next(4) == 0 ? RoundTo(price * cnt * 0.05, 2) : 0.0;
            const double deliv = rnd.Next(5) == 0 ? 1500.0 : 0.0;
            const double pay = RoundTo(price * cnt - disc + deliv, 2);
            const int id = insert("DEALPROD", {{"DEAL_ID", deal},
                                               {"PRODUCT_ID", products[p].Id},
                                               {"DEALPROD_NAME", S(pd->Name)},
                                               {"DEALPROD_PRICE", Money(price)},
                                               {"DEALPROD_CNT", Variant(Currency::FromDouble(cnt))},
                                               {"DEALPROD_DISC", Money(disc)},
                                               {"DEALPROD_DELIV", Money(deliv)},
                                               {"DEALPROD_PAY", Money(pay)},
                                               {"DEALPROD_VAT", Money(pay * 20 / 120)},
                                               {"DEALPROD_SHIP", Variant(Currency::FromDouble(cnt))}});
            lines.append({id, cnt, pay});
        }
        double total = 0;
        for (const TLine& l : lines)
            total += l.Pay;

        // Payments: the newest deals are unpaid, others paid in full, in
        // part or in two instalments. Each payment is spread over the lines
        // in proportion to what they still owe; the last line takes the
        // rounding difference.
        QList<double> payments;
        if (i < dealCount - 8) {
            switch (i % 6) {
            case 5: break;
            case 4: payments = {RoundTo(total * 0.5, 0)}; break;
            case 3: payments = {RoundTo(total * 0.4, 0), RoundTo(total - RoundTo(total * 0.4, 0), 2)}; break;
            default: payments = {total}; break;
            }
        }
        QDate payDate = date.addDays(2 + rnd.Next(8));
        for (double sum : payments) {
            const int paym = insert("DEALPAYM", {{"DEAL_ID", deal},
                                                 {"DEALPAYM_DATE", DateText(payDate)},
                                                 {"DEALPAYM_DOC", QStringLiteral("п/п № %1").arg(payDoc)},
                                                 {"CLIENT_ID", clientIds[client]}});
            payDoc += 3 + rnd.Next(20);
            double owed = 0;
            for (const TLine& l : lines)
                owed += l.Pay - l.Paid;
            double rest = sum;
            QList<int> open;
            for (int k = 0; k < lines.size(); ++k)
                if (lines[k].Pay - lines[k].Paid > 0)
                    open.append(k);
            for (int j = 0; j < open.size(); ++j) {
                TLine& l = lines[open[j]];
                double share = RoundTo((l.Pay - l.Paid) / owed * sum, 2);
                rest = RoundTo(rest - share, 2);
                if (j + 1 == open.size())
                    share = RoundTo(share + rest, 2);
                l.Paid += share;
                insert("PRODPAYM", {{"DEALPAYM_ID", paym}, {"DEALPROD_ID", l.Id}, {"PRODPAYM_SUM", Money(share)}});
            }
            payDate = payDate.addDays(10 + rnd.Next(20));
        }

        // Shipments: none yet for the newest deals and some others, in full
        // or half of each line.
        if (i < dealCount - 6 && i % 5 != 2) {
            const int ship = insert("DEALSHIP", {{"DEAL_ID", deal},
                                                 {"DEALSHIP_DATE", DateText(date.addDays(3 + rnd.Next(10)))},
                                                 {"DEALSHIP_DOC", QStringLiteral("ТН-%1").arg(shipDoc++, 4, 10, QChar(u'0'))},
                                                 {"DEALSHIP_ADDR", clientAddr[client]},
                                                 {"USR_ID", tormel}});
            for (const TLine& l : lines) {
                const double cnt = i % 5 == 4 ? std::floor(l.Cnt / 2) : l.Cnt;
                if (cnt > 0)
                    insert("PRODSHIP", {{"DEALSHIP_ID", ship}, {"DEALPROD_ID", l.Id},
                                        {"PRODSHIP_CNT", Variant(Currency::FromDouble(cnt))}});
            }
        }
        date = date.addDays(3 + rnd.Next(4));
    }
    if (ALog)
        ALog(QStringLiteral("Демонстрационные данные: записей %1").arg(rows));
}

void FillLargeList(TIBDatabase* ADatabase, TIBTransaction* ATransaction, int ACount,
                   const std::function<void(const QString&)>& ALog)
{
    // Made by the server in one statement: a hundred thousand rows take a
    // second instead of a minute of round trips.
    TIBSQL q(ADatabase, ATransaction);
    q.ParamCheck = false;
    q.SQL = QStringList{
        QStringLiteral("execute block as"),
        QStringLiteral("declare variable i integer = 0;"),
        QStringLiteral("begin"),
        QStringLiteral("  while (i < %1) do").arg(ACount),
        QStringLiteral("  begin"),
        QStringLiteral("    i = i + 1;"),
        QStringLiteral("    insert into BIGLIST (BIGLIST_ID, BIGLIST_NAME, BIGLIST_NUM, BIGLIST_SUM, BIGLIST_DATE, BIGLIST_FLAG)"),
        QStringLiteral("    values (gen_id(BIGLIST_ID, 1), 'Запись ' || lpad(:i, 7, '0'), :i, :i * 1.25,"),
        QStringLiteral("            dateadd(mod(:i, 3650) day to date '2016-01-01'), mod(:i, 2));"),
        QStringLiteral("  end"),
        QStringLiteral("end"),
    };
    q.ExecQuery();
    q.Close();
    if (ALog)
        ALog(QStringLiteral("Большой список: записей %1").arg(ACount));
}
