#include "ErrorOf.h"
#include "QtPrint.h"
#include "meta/Ddl.h"

#include "core/SysUtils.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList Texts(const QList<QStringList>& AStatements)
{
    QStringList result;
    for (const QStringList& s : AStatements)
        result.append(s.join(u'\n'));
    return result;
}

}  // namespace

TEST(Ddl, TableKeyAndSequenceAreNamedAfterTheKeyColumn)
{
    EXPECT_EQ(Texts(CreateTableSql(QStringLiteral("TBL12"), QStringLiteral("FLD40"))),
              (QStringList{"create table TBL12 (FLD40 PK NOT NULL)",
                           "alter table TBL12 add constraint PK_FLD40 primary key (FLD40)", "create sequence FLD40"}));
    EXPECT_EQ(Texts(DropTableSql(QStringLiteral("TBL12"), QStringLiteral("FLD40"), 12)),
              (QStringList{"drop table TBL12", "drop sequence FLD40", "delete from OBJ where OBJ_ID = 12"}));
}

TEST(Ddl, ColumnsByFieldType)
{
    const struct {
        TFldType Type;
        int Size;
        bool NotNull, Def0;
        const char* Text;
    } cases[] = {
        {ftString, 50, true, false, "alter table T add F varchar(50) character set UTF8 not null collate UNICODE_CI"},
        {ftString, 20, false, true, "alter table T add F varchar(20) character set UTF8  collate UNICODE_CI"},
        {ftInt, 0, true, true, "alter table T add F INTEG DEFAULT 0 not null"},
        {ftBoolean, 0, false, true, "alter table T add F BOOL DEFAULT 0 "},
        {ftNum182, 0, false, true, "alter table T add F NUM182 DEFAULT 0 "},
        {ftNum183, 0, true, false, "alter table T add F NUM183  not null"},
        {ftNum184, 0, false, false, "alter table T add F NUM184  "},
        {ftDate, 0, false, true, "alter table T add F DATEONLY "},  // no DEFAULT 0 for dates
        {ftFK, 0, true, true, "alter table T add F FK not null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Texts(CreateFieldSql(QStringLiteral("T"), QStringLiteral("F"), c.Type, c.Size, c.NotNull, c.Def0)),
                  QStringList{QString::fromUtf8(c.Text)});
    }
    // The key's column comes with the table; a formula field has none.
    EXPECT_TRUE(CreateFieldSql(QStringLiteral("T"), QStringLiteral("F"), ftPK, 0, true, false).isEmpty());
    EXPECT_EQ(ErrorOf([] { CreateFieldSql(QStringLiteral("T"), QStringLiteral("F"), ftFormula, 0, false, false); }),
              QStringLiteral("Неизвестный тип поля 9"));
}

TEST(Ddl, ForeignKeyOfALinkIsThreeLines)
{
    EXPECT_EQ(CreateLinkSql(QStringLiteral("DEALPROD"), QStringLiteral("DEAL"), QStringLiteral("DEAL_ID"),
                            QStringLiteral("DEAL_ID"), fkCascade),
              (QStringList{"alter table DEALPROD add constraint FK_DEALPROD_DEAL_ID",
                           "foreign key (DEAL_ID) references DEAL(DEAL_ID)", "on delete CASCADE on update CASCADE"}));
    EXPECT_EQ(CreateLinkSql(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("P_ID"), QStringLiteral("P_ID"),
                            fkNoAction)
                  .last(),
              QStringLiteral("on delete NO ACTION on update CASCADE"));
}

TEST(Ddl, UniqueConstraintOverSeveralColumns)
{
    EXPECT_EQ(CreateIndexSql(QStringLiteral("T"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}),
              (QStringList{"alter table T", "add constraint UN_A_B_C", "unique (A,B,C)"}));
}

TEST(Ddl, SummingTriggersAndRecalculation)
{
    const TAgrFldNames n{QStringLiteral("DEALPROD_PAID"), QStringLiteral("PRODPAYM"), QStringLiteral("DEALPROD"),
                         QStringLiteral("DEALPROD_ID"), QStringLiteral("DEALPROD_ID"), QStringLiteral("PRODPAYM_SUM")};
    const QList<QStringList> t = AgrTriggersSql(n);
    ASSERT_EQ(t.size(), 3);
    EXPECT_EQ(t[0], (QStringList{"CREATE trigger DEALPROD_PAID_AI for PRODPAYM", "active after insert position 0", "AS",
                                 "begin", "  if (NEW.PRODPAYM_SUM <> 0) then", "    update DEALPROD T",
                                 "    set T.DEALPROD_PAID = T.DEALPROD_PAID + NEW.PRODPAYM_SUM",
                                 "    where T.DEALPROD_ID = NEW.DEALPROD_ID;", "end"}));
    EXPECT_EQ(t[1], (QStringList{"CREATE trigger DEALPROD_PAID_AD for PRODPAYM", "active after delete position 0", "AS",
                                 "begin", "  if (OLD.PRODPAYM_SUM <> 0) then", "    update DEALPROD T",
                                 "    set T.DEALPROD_PAID = T.DEALPROD_PAID - OLD.PRODPAYM_SUM",
                                 "    where T.DEALPROD_ID = OLD.DEALPROD_ID;", "end"}));
    EXPECT_EQ(t[2], (QStringList{"CREATE trigger DEALPROD_PAID_AU for PRODPAYM",
                                 "active after update position 0",
                                 "AS",
                                 "begin",
                                 "  if (NEW.DEALPROD_ID = OLD.DEALPROD_ID) then",
                                 "    if (NEW.PRODPAYM_SUM <> OLD.PRODPAYM_SUM) then",
                                 "      update DEALPROD T",
                                 "      set T.DEALPROD_PAID = T.DEALPROD_PAID + NEW.PRODPAYM_SUM - OLD.PRODPAYM_SUM",
                                 "      where T.DEALPROD_ID = NEW.DEALPROD_ID;",
                                 "    else",
                                 "    begin",
                                 "    end",
                                 "  else",
                                 "    begin",
                                 "      if (OLD.PRODPAYM_SUM <> 0) then",
                                 "        update DEALPROD T",
                                 "        set T.DEALPROD_PAID = T.DEALPROD_PAID - OLD.PRODPAYM_SUM",
                                 "        where T.DEALPROD_ID = OLD.DEALPROD_ID;",
                                 "      if (NEW.PRODPAYM_SUM <> 0) then",
                                 "        update DEALPROD T",
                                 "        set T.DEALPROD_PAID = T.DEALPROD_PAID + NEW.PRODPAYM_SUM",
                                 "        where T.DEALPROD_ID = NEW.DEALPROD_ID;",
                                 "    end",
                                 "end"}));
    EXPECT_EQ(ReCalcAgrFldSql(n),
              (QStringList{"update DEALPROD T1", "set T1.DEALPROD_PAID = (", "  select sum(T2.PRODPAYM_SUM)",
                           "  from PRODPAYM T2", "  where T2.DEALPROD_ID = T1.DEALPROD_ID)", "where", "exists (",
                           "  select *", "  from PRODPAYM T2", "  where T2.DEALPROD_ID = T1.DEALPROD_ID)"}));
}

TEST(Ddl, DroppingAFieldTakesTriggersBeforeTheColumn)
{
    EXPECT_EQ(Texts(DropFieldSql(QStringLiteral("DEAL"), QStringLiteral("DEAL_SUM"), ftNum182, false, true, 7)),
              (QStringList{"drop trigger DEAL_SUM_AI", "drop trigger DEAL_SUM_AD", "drop trigger DEAL_SUM_AU",
                           "alter table DEAL drop DEAL_SUM", "delete from FLD where FLD_ID = 7"}));
    // A virtual field has no column: only its row goes.
    EXPECT_EQ(Texts(DropFieldSql(QStringLiteral("FLD"), QStringLiteral("OBJ_ID_V"), ftFK, true, false, 9)),
              QStringList{"delete from FLD where FLD_ID = 9"});
    EXPECT_EQ(ErrorOf([] { DropFieldSql(QStringLiteral("T"), QStringLiteral("F"), ftFormula, true, false, 1); }),
              QStringLiteral("Неизвестный тип поля \"9\""));
    EXPECT_EQ(ErrorOf([] { DropFieldSql(QStringLiteral("T"), QStringLiteral("T_ID"), ftPK, false, false, 1); }),
              QStringLiteral("Неизвестный тип поля \"0\""));
}

// The metadata classes give the builders the same names as plain values do:
// a deal summing its lines, built in memory.
TEST(Ddl, MetadataObjectsGiveTheSameTexts)
{
    auto deal = std::make_unique<TObj>();
    deal->Table = QStringLiteral("DEAL");
    deal->CreateObjLists();
    auto line = std::make_unique<TObj>();
    line->Table = QStringLiteral("DEALPROD");
    line->CreateObjLists();
    auto field = [](TObj* AObj, const char* AName, TFldType AType) {
        auto f = std::make_unique<TFld>();
        f->Obj = AObj;
        f->Field = QString::fromLatin1(AName);
        f->FldType = AType;
        return AObj->FldList->Add(std::move(f));
    };
    field(deal.get(), "DEAL_ID", ftPK);
    TFld* total = field(deal.get(), "DEAL_SUM", ftNum182);
    total->Def0 = true;
    total->NotNull = true;
    field(line.get(), "DEALPROD_ID", ftPK);
    TFld* ref = field(line.get(), "DEAL_ID", ftFK);
    TFld* pay = field(line.get(), "DEALPROD_PAY", ftNum182);
    auto link = std::make_unique<TObjLink>();
    link->ParentObj = deal.get();
    link->ChildFld = ref;
    link->DeleteRule = fkCascade;
    TObjLink* l = deal->ChildList->AddOwned(std::move(link));
    line->ParentList->Add(l);
    total->AgrObjLink = l;
    total->AgrFld = pay;

    EXPECT_EQ(Texts(CreateFieldSql(total)), QStringList{"alter table DEAL add DEAL_SUM NUM182 DEFAULT 0 not null"});
    EXPECT_EQ(CreateLinkSql(l), CreateLinkSql(QStringLiteral("DEALPROD"), QStringLiteral("DEAL"), QStringLiteral("DEAL_ID"),
                                              QStringLiteral("DEAL_ID"), fkCascade));
    const TAgrFldNames n = AgrFldNames(total);
    EXPECT_EQ(AgrTriggersSql(n), AgrTriggersSql({QStringLiteral("DEAL_SUM"), QStringLiteral("DEALPROD"),
                                                 QStringLiteral("DEAL"), QStringLiteral("DEAL_ID"),
                                                 QStringLiteral("DEAL_ID"), QStringLiteral("DEALPROD_PAY")}));
    EXPECT_EQ(Texts(DropFieldSql(total)).first(), QStringLiteral("drop trigger DEAL_SUM_AI"));
    EXPECT_EQ(ErrorOf([&] { AgrFldNames(pay); }), QStringLiteral("Поле \"\" не является суммирующим"));
    line->ParentList->Clear();
}
