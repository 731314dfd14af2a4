// One field value: rounding by field type, change flags and the two events.
#include "RecordsFixture.h"

namespace {

class ItemTest : public RecordsTest {
protected:
    int Obj1;
    std::unique_ptr<TAtr> Atr;

    void SetUp() override
    {
        Obj1 = AddTable(QStringLiteral("ITM"), QStringLiteral("Элементы"), {});
        for (auto [field, type] : {std::pair{"N2", "num182"}, std::pair{"N3", "num183"}, std::pair{"N4", "num184"},
                                   std::pair{"I", "int"}, std::pair{"S", "string"}, std::pair{"V", "int"}}) {
            int id = C.AddFld(Obj1, QString::fromLatin1(field), QString::fromLatin1(type), QString::fromLatin1(field), 10);
            if (QString::fromLatin1(field) == QStringLiteral("V")) SetFld(id, QStringLiteral("FLD_VIRT = 1"));
        }
        LoadObjList();
        Atr = NewAtr(Obj1);
    }

    TAtrItem* Item(const char* AName) { return Atr->GetByFldName(QString::fromLatin1(AName)); }
};

TEST_F(ItemTest, FixedPointFieldsStoreRoundedDoubles)
{
    struct Case {
        const char* Fld;
        Variant Value;
        Variant Stored;
    };
    const Case cases[] = {
        {"N2", Variant(1.23456), Variant(1.23)},
        {"N2", Variant(-1.23656), Variant(-1.24)},
        {"N2", Variant(Currency::FromDouble(2.125)), Variant(2.13)},  // half away from zero
        {"N2", Variant(-2.125), Variant(-2.13)},
        {"N3", Variant(1.23456), Variant(1.235)},
        {"N4", Variant(1.23456), Variant(1.2346)},
        {"N4", Variant(7), Variant(7.0)},
        {"N2", Variant::Null(), Variant::Null()},
        {"I", Variant(7), Variant(7)},
        {"S", Variant("1.23456"), Variant("1.23456")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Fld) + " " + c.Value.AsText().toStdString());
        TAtrItem* item = Item(c.Fld);
        item->SetValue(c.Value);
        EXPECT_EQ(item->Value().Type(), c.Stored.Type());
        EXPECT_EQ(item->Value(), c.Stored);
    }
}

TEST_F(ItemTest, OrdinaryAssignmentIsAChangeEvenWithTheSameValue)
{
    TAtrItem* item = Item("I");
    int changes = 0, shown = 0;
    item->OnChange = [&](TAtrItem* A) {
        EXPECT_EQ(A, item);
        ++changes;
    };
    item->OnChangeForWinCtrl = [&](TAtrItem*) { ++shown; };

    item->InitValue(5, true);
    EXPECT_FALSE(item->Modified);
    EXPECT_TRUE(item->ForInsert);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(shown, 1);  // an initialisation is still shown
    EXPECT_EQ(item->ChangeType, ctNone);

    item->SetValue(5);
    EXPECT_TRUE(item->Modified);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(shown, 2);

    item->InitValue(6, false);
    EXPECT_TRUE(item->Modified);  // an initialisation does not clear it either
    EXPECT_FALSE(item->ForInsert);

    // A value typed into the item's own editor is not echoed back to it.
    item->ChangeType = ctWinCtrl;
    item->SetValue(8);
    item->ChangeType = ctNone;
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(item->ForInsert);
}

TEST_F(ItemTest, StoredFlagsFollowTheField)
{
    TAtrItem* virt = Item("V");
    virt->SetValue(1);
    EXPECT_TRUE(virt->Modified);
    EXPECT_FALSE(virt->ForInsert);
    EXPECT_FALSE(virt->ForSelect());
    EXPECT_FALSE(virt->ForUpdate());
    TAtrItem* plain = Item("I");
    EXPECT_TRUE(plain->ForSelect());
    EXPECT_FALSE(plain->ForUpdate());
    plain->SetValue(1);
    EXPECT_TRUE(plain->ForUpdate());
}

TEST_F(ItemTest, FailedConversionChangesNothing)
{
    TAtrItem* item = Item("N2");
    item->InitValue(1.5, false);
    int shown = 0;
    item->OnChangeForWinCtrl = [&](TAtrItem*) { ++shown; };
    EXPECT_NE(ErrorOf([&] { item->SetValue(QStringLiteral("abc")); }), QStringLiteral("<no error>"));
    EXPECT_EQ(item->Value(), Variant(1.5));
    EXPECT_FALSE(item->Modified);
    EXPECT_EQ(shown, 0);
    EXPECT_NE(ErrorOf([&] { item->InitValue(QStringLiteral("abc"), true); }), QStringLiteral("<no error>"));
    EXPECT_EQ(item->ChangeType, ctNone);
}

TEST_F(ItemTest, TextAndIntegerViews)
{
    TAtrItem* item = Item("I");
    EXPECT_EQ(item->AsString(), QString());
    EXPECT_EQ(item->AsInteger(), 0);
    item->SetValue(42);
    EXPECT_EQ(item->AsString(), QStringLiteral("42"));
    EXPECT_EQ(item->AsInteger(), 42);
    Item("S")->SetValue(QStringLiteral("x"));
    EXPECT_NE(ErrorOf([&] { Item("S")->AsInteger(); }), QStringLiteral("<no error>"));
}

}  // namespace
