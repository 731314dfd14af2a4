#include "TablesFixture.h"
#include "tables/RowList.h"

namespace {

class RowListTest : public TablesTest {
protected:
    RowListTest()
    {
        S.Exec(QStringLiteral(
            "create table XTYPES (ID integer not null primary key, I integer, SI smallint, BI bigint,"
            " N2 numeric(18,2), N4 numeric(18,4), N92 numeric(9,2), N6 numeric(18,6), SN smallint,"
            " D double precision, F float, DT date, TS timestamp, TM time, B boolean,"
            " VC varchar(50), VO varchar(10) character set octets, CH char(5),"
            " TX blob sub_type text, BN blob sub_type binary)"));
        CommitRetaining();
    }

    // Every row of the table, packed.
    void Fill(TRowList& ARows, std::vector<TRow>* AExpected)
    {
        auto q = NewIBSQL();
        q->SQL = QStringList{QStringLiteral("select * from XTYPES order by ID")};
        q->ExecQuery();
        while (!q->Eof()) {
            ARows.Append(*q);
            if (AExpected) {
                TRow row;
                for (int i = 0; i < q->FieldCount(); ++i) row.push_back(q->Fields(i).AsVariant());
                AExpected->push_back(row);
            }
            q->Next();
        }
        q->Close();
    }
};

}  // namespace

TEST_F(RowListTest, PackedRowsGiveBackExactlyWhatTheFieldsRead)
{
    const QString longText = QString(QStringLiteral("Длинный текст ")).repeated(3000);
    auto ins = NewIBSQL();
    ins->SQL = QStringList{QStringLiteral(
        "insert into XTYPES values (1, -123456, -12, 77, 1234.56, -1.2345, 12.5, 1.234567, 300,"
        " -2.5e-3, 0.25, '2024-02-29', '2024-02-29 18:00:00', '12:00:00', true,"
        " 'Привет ✓', x'01FF007A', 'Яб', :TX, x'00FF')")};
    ins->ParamByName(QStringLiteral("TX")).SetAsString(longText);
    ins->ExecQuery();
    S.Exec(QStringLiteral(
        "insert into XTYPES values (2, 2147483647, 32767, 5000000000, 92233720368547.75, 0, -21474836.48, 0, -300,"
        " 1e300, -1, '1800-01-01', '1899-12-29 06:00:00', '00:00:00', false, '', x'', '', '', x'')"));
    S.Exec(QStringLiteral("insert into XTYPES (ID) values (3)"));
    TRowList rows;
    std::vector<TRow> expected;
    Fill(rows, &expected);
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_EQ(rows.ColCount(), 20);
    for (int r = 0; r < rows.Count(); ++r)
        for (int c = 0; c < rows.ColCount(); ++c) {
            SCOPED_TRACE(QStringLiteral("row %1, column %2").arg(r).arg(c).toStdString());
            const Variant& want = expected[r][c];
            const Variant got = rows.Value(r, c);
            EXPECT_EQ(got.Type(), want.Type()) << Variant::TypeName(got.Type()).toStdString();
            EXPECT_TRUE(got == want) << got.AsText().toStdString() << " / " << want.AsText().toStdString();
            EXPECT_EQ(got.AsText(), want.AsText());
        }
    EXPECT_EQ(rows.Row(1).size(), 20u);
}

TEST_F(RowListTest, RowsChangeInPlaceAndKeepTheirCheckMarks)
{
    S.Exec(QStringLiteral("insert into XTYPES (ID, VC) values (1, 'один')"));
    S.Exec(QStringLiteral("insert into XTYPES (ID, VC) values (2, 'два')"));
    TRowList rows;
    Fill(rows, nullptr);
    rows.SetChecked(1, true);
    rows.SetValue(1, 15, QStringLiteral("второй"));
    rows.SetValue(0, 1, Variant(Currency::FromRaw(-5)));
    EXPECT_EQ(rows.Value(1, 15), Variant("второй"));
    EXPECT_EQ(rows.Value(0, 1).Type(), VarType::Currency);
    EXPECT_EQ(rows.Value(0, 1), Variant(Currency::FromRaw(-5)));
    EXPECT_TRUE(rows.Checked(1));

    TRow fresh(20, Variant::Null());
    fresh[0] = 7;
    fresh[11] = Variant::FromDate(EncodeDate(2024, 5, 1) + 0.5);
    rows.Insert(1, fresh);
    EXPECT_EQ(rows.Count(), 3);
    EXPECT_EQ(rows.Value(1, 0), Variant(7));
    EXPECT_EQ(rows.Value(1, 11), Variant::FromDate(EncodeDate(2024, 5, 1) + 0.5));
    EXPECT_TRUE(rows.Value(1, 5).IsNull());
    EXPECT_FALSE(rows.Checked(1));
    EXPECT_TRUE(rows.Checked(2)) << "the checked row moved with its mark";

    // A row re-read from the database keeps its mark.
    S.Exec(QStringLiteral("update XTYPES set VC = 'новый' where ID = 2"));
    auto q = NewIBSQL();
    q->SQL = QStringList{QStringLiteral("select * from XTYPES where ID = 2")};
    q->ExecQuery();
    rows.Replace(2, *q);
    q->Close();
    EXPECT_EQ(rows.Value(2, 15), Variant("новый"));
    EXPECT_TRUE(rows.Checked(2));

    rows.Delete(0);
    EXPECT_EQ(rows.Value(0, 0), Variant(7));
    EXPECT_EQ(ErrorOf([&] { rows.Value(2, 0); }), "TRowList.Value: строки с номером 2 нет (строк: 2)");
    EXPECT_EQ(ErrorOf([&] { rows.Value(0, 20); }), "TRowList.Value: столбца с номером 20 нет (столбцов: 20)");
    EXPECT_EQ(ErrorOf([&] { rows.Insert(0, TRow(3)); }), "TRowList: в строке 3 значений, а в списке 20");
    rows.Clear();
    EXPECT_EQ(rows.Count(), 0);
}
