// One record: generated statements, validation, keys, parameter binding,
// defaults, loading, posting and committing, on real tables.
#include "RecordsFixture.h"

namespace {

// The object of the worked example: T1 with the key T1_ID (Код), the
// summing field SUMMA (Сумма) over its lines and NAME (Имя). In the catalogue
// SUMMA comes before NAME; the owner creates the items as T1_ID, NAME, SUMMA.
class T1Record : public RecordsTest {
protected:
    int T1, Line;

    void SetUp() override
    {
        T1 = AddTable(QStringLiteral("T1"), QStringLiteral("Т1"), QStringLiteral("SUMMA numeric(18,2), NAME varchar(20)"));
        Line = AddTable(QStringLiteral("T1LINE"), QStringLiteral("Строки"),
                        QStringLiteral("T1_ID integer, LINE_SUM numeric(18,2)"));
        int lineT1 = C.AddFld(Line, QStringLiteral("T1_ID"), QStringLiteral("fk"), QStringLiteral("Т1"));
        int lineSum = C.AddFld(Line, QStringLiteral("LINE_SUM"), QStringLiteral("num182"), QStringLiteral("Сумма строки"));
        int dep = C.AddDep(T1, lineT1, QStringLiteral("T1Line"));
        C.AddFld(T1, QStringLiteral("SUMMA"), QStringLiteral("num182"), QStringLiteral("Сумма"), 0,
                 QStringLiteral("DEP_ID_AGR, FLD_ID_AGR"), QStringLiteral("%1, %2").arg(dep).arg(lineSum));
        C.AddFld(T1, QStringLiteral("NAME"), QStringLiteral("string"), QStringLiteral("Имя"), 20);
        S.Exec(QStringLiteral("insert into T1 (T1_ID, SUMMA, NAME) values (100, 7, 'Старое')"));
        LoadObjList();
    }

    std::unique_ptr<TAtr> CardAtr()
    {
        auto atr = NewAtr(T1);
        for (const char* f : {"T1_ID", "NAME", "SUMMA"}) atr->GetByFldName(QString::fromLatin1(f));
        return atr;
    }
};

const QString kSelect = QStringLiteral("select\r\nT1_ID /* Код */,\rNAME /* Имя */,\rSUMMA /* Сумма */\r\nfrom T1\r\nwhere\r\nT1_ID = :T1_ID");
const QString kUpdate = QStringLiteral("update T1 set\r\nNAME = :NAME /* Имя */\r\nwhere\r\nT1_ID = :PKFIELD");
const QString kRefresh = QStringLiteral("select\r\nSUMMA /* Сумма */\r\nfrom T1\r\nwhere\r\nT1_ID = :T1_ID");

TEST_F(T1Record, WorkedExampleStatementsHaveExactTextInItemOrder)
{
    auto atr = CardAtr();
    TSqlTrace trace;
    TDebugCapture debug;

    atr->SetRecId(100);
    EXPECT_EQ(trace.Statements, QStringList{kSelect});
    EXPECT_EQ(debug.Messages, QStringList{QStringLiteral("select SQL для карточки \"Т1\"\r\r") + kSelect + "\r\n"});
    EXPECT_EQ(atr->GetByFldName(QStringLiteral("NAME"))->Value(), Variant("Старое"));

    trace.Clear();
    debug.Messages.clear();
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("Новое"));
    atr->Post();
    EXPECT_EQ(trace.Statements, QStringList{kUpdate});
    EXPECT_EQ(debug.Messages, QStringList{QStringLiteral("update SQL для карточки \"Т1\"\r\r") + kUpdate + "\r\n"});
    EXPECT_EQ(S.Value(QStringLiteral("select NAME from T1 where T1_ID = 100")), Variant("Новое"));
    EXPECT_FALSE(atr->Modified());

    // The database's triggers keep the sum; the card re-reads only it.
    S.Exec(QStringLiteral("update T1 set SUMMA = 12.5, NAME = 'Чужое' where T1_ID = 100"));
    trace.Clear();
    debug.Messages.clear();
    atr->RefreshArgFlieds();
    EXPECT_EQ(trace.Statements, QStringList{kRefresh});
    EXPECT_EQ(debug.Messages.last(), QStringLiteral("Обновили суммирующие поля"));
    EXPECT_EQ(atr->GetByFldName(QStringLiteral("SUMMA"))->Value(), Variant(Currency::FromDouble(12.5)));
    EXPECT_EQ(atr->GetByFldName(QStringLiteral("NAME"))->Value(), Variant("Новое"));
    EXPECT_FALSE(atr->Modified());
}

TEST_F(T1Record, InsertListsItemsMarkedForInsertInItemOrder)
{
    auto atr = CardAtr();
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("SUMMA"))->SetValue(5);  // summing: never written
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("Новая"));
    TSqlTrace trace;
    TDebugCapture debug;
    atr->Post();

    const QString insert = QStringLiteral("insert into T1 (\r\nT1_ID /* Код */,\rNAME /* Имя */\r\n) values (\r\n:T1_ID,\r:NAME\r\n)");
    ASSERT_EQ(trace.Statements.size(), 2);  // the key from the sequence, then the insert
    EXPECT_TRUE(trace.Statements[0].contains(QStringLiteral("gen_id(T1_ID, 1)")));
    EXPECT_EQ(trace.Statements[1], insert);
    EXPECT_EQ(debug.Messages.last(), QStringLiteral("insert SQL для карточки \"Т1\"\r\r") + insert + "\r\n");
    const Variant key = atr->RecId();
    EXPECT_EQ(S.Value(QStringLiteral("select NAME from T1 where T1_ID = %1").arg(key.ToInt())), Variant("Новая"));
    EXPECT_FALSE(atr->New);
    EXPECT_TRUE(atr->NewForEvent);
}

TEST_F(T1Record, PostOfUnchangedRecordRunsNoStatement)
{
    auto atr = CardAtr();
    atr->SetRecId(100);
    // A summing field is not stored by the record, so changing it changes nothing to write.
    atr->GetByFldName(QStringLiteral("SUMMA"))->SetValue(99);
    TSqlTrace trace;
    TDebugCapture debug;
    atr->Post();
    EXPECT_TRUE(trace.Statements.isEmpty());
    EXPECT_EQ(debug.Messages,
              QStringList{QStringLiteral("update SQL для карточки \"Т1\"\r\rupdate T1 set\r\n\r\nwhere\r\nT1_ID = :PKFIELD\r\n")});
    EXPECT_TRUE(atr->GetByFldName(QStringLiteral("SUMMA"))->Modified);  // flags stay as they were
}

TEST_F(T1Record, LoadingLeavesNothingModifiedAndMarksTheRecordOld)
{
    auto atr = CardAtr();
    EXPECT_TRUE(atr->RecId().IsEmpty());
    atr->SetRecId(100);
    EXPECT_EQ(atr->RecId(), Variant(100));
    EXPECT_FALSE(atr->New);
    EXPECT_FALSE(atr->NewForEvent);
    EXPECT_FALSE(atr->Modified());
    for (TAtrItem* item : *atr) EXPECT_FALSE(item->ForInsert) << item->Fld->Field.toStdString();
}

// Sound behaviour where the record is gone: a load or an update that finds
// no row says so instead of showing empty values or losing the edit.
TEST_F(T1Record, MissingRowIsReportedOnLoadAndOnUpdate)
{
    auto atr = CardAtr();
    EXPECT_EQ(ErrorOf([&] { atr->SetRecId(2); }),
              QStringLiteral("Запись объекта \"Т1\" с кодом \"2\" не найдена (возможно, она удалена)"));
    EXPECT_TRUE(atr->New);

    atr->SetRecId(100);
    S.Exec(QStringLiteral("delete from T1 where T1_ID = 100"));
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("Правка"));
    EXPECT_EQ(ErrorOf([&] { atr->Post(); }),
              QStringLiteral("Запись объекта \"Т1\" с кодом \"100\" не найдена (возможно, она удалена)"));
    EXPECT_TRUE(atr->Modified());
}

TEST_F(T1Record, CommitRaisesAfterCommitAndEndsNewForEvent)
{
    auto atr = CardAtr();
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("Х"));
    atr->Post();
    TAtr* seen = nullptr;
    bool newAtEvent = false;
    atr->OnAfterCommit = [&](TAtr* ASender) {
        seen = ASender;
        newAtEvent = ASender->NewForEvent;
    };
    atr->Commit();
    EXPECT_EQ(seen, atr.get());
    EXPECT_TRUE(newAtEvent);  // the grid tells an insert from an update by it
    EXPECT_FALSE(atr->NewForEvent);

    auto other = CardAtr();
    other->SetDefaultValues(nullptr, Variant::Null());
    other->Post();
    other->OnAfterCommit = [](TAtr*) { throw Exception(QStringLiteral("сбой обработчика")); };
    EXPECT_EQ(ErrorOf([&] { other->Commit(); }), QStringLiteral("сбой обработчика"));
    EXPECT_FALSE(other->NewForEvent);
}

TEST_F(T1Record, ItemsExistOncePerFieldAndOnlyForTheObject)
{
    auto atr = NewAtr(T1);
    TAtrItem* name = atr->GetByFldName(QStringLiteral("NAME"));
    EXPECT_EQ(atr->GetByFld(name->Fld), name);
    EXPECT_EQ(atr->Count(), 1);
    TFld* foreign = Obj(Line)->FldList->GetFldByFldName(QStringLiteral("LINE_SUM"));
    EXPECT_EQ(ErrorOf([&] { atr->GetByFld(foreign); }),
              QStringLiteral("TAtr.GetByFld: Поле \"Сумма строки\" не принадлежит объекту \"Т1\""));
    EXPECT_EQ(ErrorOf([&] { atr->GetByFldName(QStringLiteral("NOPE")); }),
              QStringLiteral("TAtr.GetByFldName: В объекте \"Т1\" не найдено поле \"NOPE\""));
    EXPECT_EQ(atr->Count(), 1);
}

// ------------------------------------------------------------ validation

// Three not-null fields in the catalogue order FIRST, SECOND, THIRD; THIRD
// has a database default.
class NotNullRecord : public RecordsTest {
protected:
    int NN;

    void SetUp() override
    {
        NN = AddTable(QStringLiteral("NN"), QStringLiteral("Проверки"),
                      QStringLiteral("F_FIRST varchar(10), F_SECOND integer, F_THIRD integer default 5 not null"));
        for (auto [field, type, capt] : {std::tuple{"F_FIRST", "string", "Первое"}, std::tuple{"F_SECOND", "int", "Второе"},
                                         std::tuple{"F_THIRD", "int", "Третье"}}) {
            int id = C.AddFld(NN, QString::fromLatin1(field), QString::fromLatin1(type), QString::fromUtf8(capt), 10);
            SetFld(id, QStringLiteral("FLD_NOTNULL = 1"));
        }
        LoadObjList();
    }
};

TEST_F(NotNullRecord, InsertCheckReportsFirstFieldInFieldOrderAndWritesNothing)
{
    auto atr = NewAtr(NN);
    TAtrItem* second = atr->GetByFldName(QStringLiteral("F_SECOND"));
    TAtrItem* first = atr->GetByFldName(QStringLiteral("F_FIRST"));
    atr->SetDefaultValues(nullptr, Variant::Null());
    second->SetValue(Variant::Null());
    first->SetValue(Variant::Null());

    TSqlTrace trace;
    try {
        atr->Post();
        FAIL() << "no check";
    } catch (const ECheckFldException& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Невозможно добавить запись для объекта \"Проверки\", т.к. для поля \"Первое\" не указано значение"));
        EXPECT_EQ(e.AtrItem, first);
    }
    EXPECT_EQ(trace.Count(QStringLiteral("insert into")), 0);
    EXPECT_TRUE(atr->New);
    EXPECT_EQ(atr->Count(), 3);  // SECOND, FIRST and the key drawn by the insert step
    const Variant key = atr->GetByFldName(QStringLiteral("NN_ID"))->Value();
    EXPECT_FALSE(key.IsNull());

    // An empty string is written as NULL, so it fails the check as well.
    first->SetValue(QString());
    second->SetValue(1);
    EXPECT_EQ(ErrorOf([&] { atr->Post(); }),
              QStringLiteral("Невозможно добавить запись для объекта \"Проверки\", т.к. для поля \"Первое\" не указано значение"));

    first->SetValue(QStringLiteral("есть"));
    atr->Post();
    // The check made an item for THIRD; it is not marked for insert, so it is
    // neither checked nor written and the database default applies.
    ASSERT_EQ(atr->Count(), 4);
    EXPECT_EQ(atr->Items(3)->Fld->Field, QStringLiteral("F_THIRD"));
    EXPECT_FALSE(atr->Items(3)->ForInsert);
    EXPECT_EQ(atr->RecId(), key);  // the key drawn by the failed attempt is kept
    EXPECT_EQ(S.Value(QStringLiteral("select F_THIRD from NN where NN_ID = %1").arg(key.ToInt())), Variant(5));
}

TEST_F(NotNullRecord, UpdateCheckReportsAChangedNotNullFieldLeftEmpty)
{
    S.Exec(QStringLiteral("insert into NN (NN_ID, F_FIRST, F_SECOND) values (100, 'а', 2)"));
    auto atr = NewAtr(NN);
    atr->GetByFldName(QStringLiteral("F_FIRST"));
    TAtrItem* second = atr->GetByFldName(QStringLiteral("F_SECOND"));
    atr->SetRecId(100);
    second->SetValue(Variant::Null());
    TSqlTrace trace;
    try {
        atr->Post();
        FAIL() << "no check";
    } catch (const ECheckFldException& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Невозможно изменить запись для объекта \"Проверки\", т.к. для поля \"Второе\" не указано значение"));
        EXPECT_EQ(e.AtrItem, second);
    }
    EXPECT_TRUE(trace.Statements.isEmpty());
}

// ------------------------------------------------- keys and parameter binding

class WriterRecord : public RecordsTest {
protected:
    int W;

    void SetUp() override
    {
        W = AddTable(QStringLiteral("W"), QStringLiteral("Запись"),
                     QStringLiteral("NAME varchar(10), NOTE varchar(10), W_DAY date, CNT integer default 0"));
        C.AddFld(W, QStringLiteral("NAME"), QStringLiteral("string"), QStringLiteral("Имя"), 10);
        C.AddFld(W, QStringLiteral("NOTE"), QStringLiteral("string"), QStringLiteral("Заметка */ поле"), 10);
        C.AddFld(W, QStringLiteral("W_DAY"), QStringLiteral("date"), QStringLiteral("День"));
        int cnt = C.AddFld(W, QStringLiteral("CNT"), QStringLiteral("int"), QStringLiteral("Счётчик"));
        SetFld(cnt, QStringLiteral("FLD_DEF0 = 1"));
        LoadObjList();
    }

    Variant Db(const QString& ACol, const Variant& AKey)
    {
        return S.Value(QStringLiteral("select %1 from W where W_ID = %2").arg(ACol).arg(AKey.ToInt()));
    }
    Variant Sequence() { return S.Value(QStringLiteral("select gen_id(W_ID, 0) from RDB$DATABASE")); }
};

TEST_F(WriterRecord, GivenKeyIsKeptAndDrawsNoSequenceValue)
{
    auto atr = NewAtr(W);
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("W_ID"))->SetValue(500);
    const Variant before = Sequence();
    TSqlTrace trace;
    atr->Post();
    EXPECT_EQ(trace.Count(QStringLiteral("gen_id")), 0);
    EXPECT_EQ(Sequence(), before);
    EXPECT_EQ(atr->RecId(), Variant(500));
    EXPECT_EQ(S.Value(QStringLiteral("select count(*) from W where W_ID = 500")), Variant(1));

    // A writer asks for a new key by setting the key to Null.
    atr->New = true;
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("W_ID"))->SetValue(Variant::Null());
    atr->Post();
    EXPECT_EQ(atr->RecId(), Variant(before.ToInt() + 1));
}

TEST_F(WriterRecord, StringsAreCutToTheFieldSizeAndEmptyIsNull)
{
    struct Case {
        QString Value;
        Variant Stored;
    };
    const Case cases[] = {
        {QStringLiteral("123456789012"), Variant("1234567890")},
        {QStringLiteral("ровно10сим"), Variant("ровно10сим")},
        {QString(), Variant::Null()},
    };
    auto atr = NewAtr(W);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value.toStdString());
        atr->New = true;
        atr->SetDefaultValues(nullptr, Variant::Null());
        atr->GetByFldName(QStringLiteral("W_ID"))->SetValue(Variant::Null());
        atr->GetByFldName(QStringLiteral("NAME"))->SetValue(c.Value);
        atr->Post();
        EXPECT_EQ(Db(QStringLiteral("NAME"), atr->RecId()), c.Stored);
        EXPECT_EQ(atr->GetByFldName(QStringLiteral("NAME"))->Value(), Variant(c.Value));  // the item keeps it all
    }
    // The same binding on update.
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("abcdefghijklmnop"));
    atr->Post();
    EXPECT_EQ(Db(QStringLiteral("NAME"), atr->RecId()), Variant("abcdefghij"));
}

TEST_F(WriterRecord, WriterRowsRepeatEarlierColumnsButNotDef0Ones)
{
    auto atr = NewAtr(W);
    atr->GetByFldName(QStringLiteral("CNT"));
    atr->SetDefaultValues(nullptr, Variant::Null());
    EXPECT_FALSE(atr->Modified());
    EXPECT_EQ(atr->GetByFldName(QStringLiteral("CNT"))->Value(), Variant(0));
    atr->GetByFldName(QStringLiteral("NAME"))->SetValue(QStringLiteral("первая"));
    atr->GetByFldName(QStringLiteral("CNT"))->SetValue(3);
    atr->GetByFldName(QStringLiteral("W_DAY"))->SetValue(Variant::FromDate(EncodeDate(2024, 2, 29)));
    atr->Post();
    const Variant first = atr->RecId();

    atr->New = true;
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("W_ID"))->SetValue(Variant::Null());
    TSqlTrace trace;
    atr->Post();
    const Variant second = atr->RecId();
    ASSERT_NE(first, second);
    EXPECT_EQ(Db(QStringLiteral("NAME"), second), Variant("первая"));
    EXPECT_EQ(Db(QStringLiteral("W_DAY"), second), Variant::FromDate(EncodeDate(2024, 2, 29)));
    // The defaults step gave CNT its zero again, not for insert: the database default applies.
    EXPECT_EQ(trace.Count(QStringLiteral("CNT")), 0);
    EXPECT_EQ(Db(QStringLiteral("CNT"), first), Variant(3));
    EXPECT_EQ(Db(QStringLiteral("CNT"), second), Variant(0));
}

// A caption that contains the end of an SQL comment does not end the
// comment that carries it.
TEST_F(WriterRecord, CaptionWithCommentEndKeepsTheStatementWhole)
{
    auto atr = NewAtr(W);
    atr->GetByFldName(QStringLiteral("NOTE"));
    atr->SetDefaultValues(nullptr, Variant::Null());
    atr->GetByFldName(QStringLiteral("NOTE"))->SetValue(QStringLiteral("текст"));
    TSqlTrace trace;
    atr->Post();
    EXPECT_EQ(trace.Count(QStringLiteral("NOTE /* Заметка * / поле */")), 1);
    EXPECT_EQ(Db(QStringLiteral("NOTE"), atr->RecId()), Variant("текст"));
}

}  // namespace
