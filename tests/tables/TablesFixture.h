// Shared set-up of the table-view tests: a session on a fresh database and a
// small sales catalogue (cities, clients, deals) whose tables really exist
// and hold a few rows, so generated statements can be prepared and run.
#pragma once

#include "ErrorOf.h"
#include "CatalogFixture.h"
#include "meta/Obj.h"
#include "tables/FilterList.h"

#include <gtest/gtest.h>

#include <functional>

class TablesTest : public ::testing::Test {
protected:
    TablesTest() { ResetFilterTreeTypeTable(); }
    ~TablesTest() override
    {
        DevMode = false;
        ResetFilterTreeTypeTable();
    }

    TTestSession S;
    TCatalogFixture C{S};
};

// XCITY <- XCLIENT.XCITY_ID; XCLIENT <- XDEAL.XCLIENT_ID and XDEAL.XAGENT_ID.
struct TSales {
    int City, Client, Deal;
    int CityId, CityName;
    int ClientId, ClientName, ClientVip, ClientCity;
    int DealId, DealNum, DealClient, DealAgent, DealSum, DealDate, DealDone;
    int DepCityClient, DepClientDeal, DepAgentDeal;

    explicit TSales(TCatalogFixture& C)
    {
        City = C.AddObj(QStringLiteral("XCITY"), QStringLiteral("Города"), true);
        CityId = C.PkFld(City);
        CityName = C.AddFld(City, QStringLiteral("XCITY_NAME"), QStringLiteral("string"), QStringLiteral("Название"), 80);
        Client = C.AddObj(QStringLiteral("XCLIENT"), QStringLiteral("Клиенты"), true);
        ClientId = C.PkFld(Client);
        ClientName =
            C.AddFld(Client, QStringLiteral("XCLIENT_NAME"), QStringLiteral("string"), QStringLiteral("Наименование"), 80);
        ClientVip = C.AddFld(Client, QStringLiteral("XCLIENT_VIP"), QStringLiteral("boolean"), QStringLiteral("VIP"));
        ClientCity = C.AddFld(Client, QStringLiteral("XCITY_ID"), QStringLiteral("fk"), QStringLiteral("Город"));
        Deal = C.AddObj(QStringLiteral("XDEAL"), QStringLiteral("Сделки"));
        DealId = C.PkFld(Deal);
        DealNum = C.AddFld(Deal, QStringLiteral("XDEAL_NUM"), QStringLiteral("string"), QStringLiteral("Номер"), 20);
        DealClient = C.AddFld(Deal, QStringLiteral("XCLIENT_ID"), QStringLiteral("fk"), QStringLiteral("Клиент"));
        DealAgent = C.AddFld(Deal, QStringLiteral("XAGENT_ID"), QStringLiteral("fk"), QStringLiteral("Агент"));
        DealSum = C.AddFld(Deal, QStringLiteral("XDEAL_SUM"), QStringLiteral("num182"), QStringLiteral("Сумма"));
        DealDate = C.AddFld(Deal, QStringLiteral("XDEAL_DATE"), QStringLiteral("date"), QStringLiteral("Дата"));
        DealDone = C.AddFld(Deal, QStringLiteral("XDEAL_DONE"), QStringLiteral("boolean"), QStringLiteral("Закрыта"));
        DepCityClient = C.AddDep(City, ClientCity, QStringLiteral("CityClient"), QStringLiteral("NoAction"));
        DepClientDeal = C.AddDep(Client, DealClient, QStringLiteral("ClientDeal"), QStringLiteral("NoAction"));
        DepAgentDeal = C.AddDep(Client, DealAgent, QStringLiteral("AgentDeal"), QStringLiteral("NoAction"));

        TTestSession& S = C.S;
        S.Exec(QStringLiteral("create table XCITY (XCITY_ID integer not null primary key, XCITY_NAME varchar(80))"));
        S.Exec(QStringLiteral("create table XCLIENT (XCLIENT_ID integer not null primary key, XCLIENT_NAME varchar(80), "
                              "XCLIENT_VIP integer, XCITY_ID integer references XCITY)"));
        S.Exec(QStringLiteral("create table XDEAL (XDEAL_ID integer not null primary key, XDEAL_NUM varchar(20), "
                              "XCLIENT_ID integer references XCLIENT, XAGENT_ID integer references XCLIENT, "
                              "XDEAL_SUM numeric(18, 2), XDEAL_DATE date, XDEAL_DONE integer)"));
        CommitRetaining();
        S.Exec(QStringLiteral("insert into XCITY values (1, 'Москва')"));
        S.Exec(QStringLiteral("insert into XCITY values (2, 'Тверь')"));
        S.Exec(QStringLiteral("insert into XCLIENT values (1, 'Альфа', 1, 1)"));
        S.Exec(QStringLiteral("insert into XCLIENT values (2, 'Бета', 0, 2)"));
        S.Exec(QStringLiteral("insert into XCLIENT values (3, 'Гамма', null, null)"));
        S.Exec(QStringLiteral("insert into XDEAL values (1, 'D-1', 1, 2, 100.5, '2024-01-10', 0)"));
        S.Exec(QStringLiteral("insert into XDEAL values (2, 'D-2', 2, 1, 20, null, 1)"));
        S.Exec(QStringLiteral("insert into XDEAL values (3, 'D-3', 3, 1, null, '2024-02-01', 0)"));
        S.Exec(QStringLiteral("insert into XDEAL values (4, 'D-4', 1, 1, 7, '2024-03-01', 0)"));
    }
};

// Sets developer mode for one scope.
struct TDevModeScope {
    bool Old;
    explicit TDevModeScope(bool AOn) : Old(DevMode) { DevMode = AOn; }
    ~TDevModeScope() { DevMode = Old; }
};
