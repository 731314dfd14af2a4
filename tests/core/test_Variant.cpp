// Field values: currency, variant arithmetic by type pair, Null and
// unassigned, comparisons and conversions.
#include "core/Variant.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <cmath>
#include <limits>
#include <typeinfo>

void PrintTo(const Variant& AValue, std::ostream* AOut)
{
    *AOut << Variant::TypeName(AValue.Type()).toStdString() << "(" << AValue.AsText().toStdString() << ")";
}

namespace {

class VariantTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = DecimalSeparator();
        SetDecimalSeparator('.');
    }
    void TearDown() override { SetDecimalSeparator(FSaved); }

    static Variant Cur(const char* AText) { return Variant(Currency::FromString(QString::fromUtf8(AText))); }
    static Variant Dt(double ADay) { return Variant::FromDate(ADay); }

private:
    QChar FSaved;
};

// The exception class and message raised by AFunc; "" when none.
template <typename F>
std::pair<const std::type_info*, QString> Raised(F AFunc)
{
    try {
        AFunc();
    } catch (const Exception& Ex) {
        return {&typeid(Ex), Ex.Message()};
    }
    return {nullptr, QString()};
}

Variant Apply(const Variant& A, char AOp, const Variant& B)
{
    switch (AOp) {
    case '+': return A + B;
    case '-': return A - B;
    case '*': return A * B;
    default: return A / B;
    }
}

const QString NoDouble = QStringLiteral("Could not convert variant of type (String) into type (Double)");
const QString DivZero = QStringLiteral("Division by zero");
const QString VarOverflow = QStringLiteral("Variant overflow");

}  // namespace

// --- Currency -----------------------------------------------------------------

TEST_F(VariantTest, CurrencyFromStringExactHalfAwayBothSeparators)
{
    const struct {
        const char* Text;
        int64_t Raw;
    } Cases[] = {
        {"1.23455", 12346},  {"-1.23455", -12346}, {"  12 ", 120000},   {"1E2", 1000000}, {"1.5E-3", 15},
        {"0.00004", 0},      {"0.00005", 1},       {"-0.00005", -1},    {"0.000000000000000000000000000000000000000006", 0},
        {"922337203685477.5807", INT64_MAX},       {"-922337203685477.5807", -INT64_MAX},
    };
    for (const auto& C : Cases) {
        SetDecimalSeparator('.');
        EXPECT_EQ(Currency::FromString(QString::fromUtf8(C.Text)).Raw, C.Raw) << C.Text;
        SetDecimalSeparator(',');
        EXPECT_EQ(Currency::FromString(QString::fromUtf8(C.Text).replace('.', ',')).Raw, C.Raw) << C.Text;
    }
    SetDecimalSeparator('.');
    for (const char* Text : {"922337203685477.5808", "1E15", "abc", "", "1,5", "1.2.3"})
        EXPECT_EQ(Raised([&] { Currency::FromString(QString::fromUtf8(Text)); }).second,
                  QStringLiteral("'%1' is not a valid floating point value").arg(QString::fromUtf8(Text)))
            << Text;
}

TEST_F(VariantTest, CurrencyFromNumbersAndText)
{
    EXPECT_EQ(Currency::FromDouble(2.5).Raw, 25000);
    EXPECT_EQ(Currency::FromDouble(-1.23456).Raw, -12346);
    EXPECT_EQ(Currency::FromDouble(0.00005).Raw, 1);
    EXPECT_EQ(Currency::FromDouble(922337203685477.0).Raw, 9223372036854770000);
    for (double Bad : {1e15, -1e15, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_THROW(Currency::FromDouble(Bad), EConvertError) << Bad;
    EXPECT_EQ(Currency::FromInt(922337203685477).Raw, 9223372036854770000);
    EXPECT_THROW(Currency::FromInt(922337203685478), EConvertError);

    const struct {
        int64_t Raw;
        const char* Text;
    } Texts[] = {{25000, "2.5"}, {-5000, "-0.5"}, {0, "0"}, {10000000, "1000"}, {1, "0.0001"},
                 {INT64_MIN, "-922337203685477.5808"}};
    for (const auto& C : Texts) {
        SetDecimalSeparator('.');
        EXPECT_EQ(Currency::FromRaw(C.Raw).ToString(), QString::fromUtf8(C.Text));
        SetDecimalSeparator(',');
        EXPECT_EQ(Currency::FromRaw(C.Raw).ToString(), QString::fromUtf8(C.Text).replace('.', ','));
    }
}

// --- arithmetic ------------------------------------------------------------------

TEST_F(VariantTest, ArithmeticByTypePair)
{
    const struct {
        Variant A;
        char Op;
        Variant B;
        VarType Type;
        Variant Expected;
    } Cases[] = {
        {2, '+', 3, VarType::Integer, 5},
        {INT_MAX, '+', 1, VarType::Double, 2147483648.0},
        {INT_MIN, '-', 1, VarType::Double, -2147483649.0},
        {65536, '*', 65536, VarType::Double, 4294967296.0},
        {-65536, '*', 32768, VarType::Integer, INT_MIN},
        {7, '/', 2, VarType::Double, 3.5},
        {6, '/', 3, VarType::Double, 2.0},
        {1, '+', 0.5, VarType::Double, 1.5},
        // Currency with Integer/Currency stays exact.
        {Cur("1.5"), '+', 2, VarType::Currency, Cur("3.5")},
        {2, '-', Cur("0.0001"), VarType::Currency, Cur("1.9999")},
        {Cur("0.0005"), '*', Cur("0.5"), VarType::Currency, Cur("0.0003")},
        {Cur("-0.0005"), '*', Cur("0.5"), VarType::Currency, Cur("-0.0003")},
        {Cur("922337203685.4775"), '*', Cur("1000"), VarType::Currency, Cur("922337203685477.5")},
        {Cur("1"), '/', 3, VarType::Currency, Cur("0.3333")},
        {Cur("2"), '/', 3, VarType::Currency, Cur("0.6667")},
        {Cur("-2"), '/', Cur("3"), VarType::Currency, Cur("-0.6667")},
        {1, '/', Cur("8"), VarType::Currency, Cur("0.125")},
        {Cur("1.5"), '*', true, VarType::Currency, Cur("-1.5")},
        {Cur("1.5"), '+', 0.25, VarType::Double, 1.75},
        // Dates.
        {Dt(100), '+', 1, VarType::Date, Dt(101)},
        {1.5, '+', Dt(100), VarType::Date, Dt(101.5)},
        {Dt(100), '-', Cur("0.5"), VarType::Date, Dt(99.5)},
        {Dt(100), '-', Dt(90), VarType::Double, 10.0},
        {Dt(100), '*', 2, VarType::Double, 200.0},
        // Boolean counts as -1/0.
        {true, '+', 1, VarType::Integer, 0},
        {true, '*', 5, VarType::Integer, -5},
        {true, '+', true, VarType::Integer, -2},
        // Unassigned counts as 0, or "" next to a string.
        {Variant(), '+', 5, VarType::Integer, 5},
        {Variant(), '-', Variant(), VarType::Integer, 0},
        {Variant(), '+', "x", VarType::String, "x"},
        {"ab", '+', Variant(), VarType::String, "ab"},
        // Strings.
        {"ab", '+', "cd", VarType::String, "abcd"},
        {"1.5", '+', 1, VarType::Double, 2.5},
        {"3", '-', "1", VarType::Double, 2.0},
        {"10", '*', 2, VarType::Double, 20.0},
        {2, '/', " 0.5 ", VarType::Double, 4.0},
        // Null propagates, before any division check.
        {Variant::Null(), '+', 1, VarType::Null, Variant::Null()},
        {1, '-', Variant::Null(), VarType::Null, Variant::Null()},
        {Variant::Null(), '*', Variant::Null(), VarType::Null, Variant::Null()},
        {Variant::Null(), '/', 0, VarType::Null, Variant::Null()},
        {"ab", '+', Variant::Null(), VarType::Null, Variant::Null()},
        {Variant(), '+', Variant::Null(), VarType::Null, Variant::Null()},
        {Cur("1"), '/', Variant::Null(), VarType::Null, Variant::Null()},
    };
    for (const auto& C : Cases) {
        const Variant R = Apply(C.A, C.Op, C.B);
        SCOPED_TRACE(::testing::PrintToString(C.A) + " " + C.Op + " " + ::testing::PrintToString(C.B));
        EXPECT_EQ(R.Type(), C.Type) << ::testing::PrintToString(R);
        EXPECT_TRUE(R == C.Expected) << ::testing::PrintToString(R);
    }
}

TEST_F(VariantTest, ArithmeticFailures)
{
    const struct {
        Variant A;
        char Op;
        Variant B;
        const std::type_info* Kind;
        QString Message;
    } Cases[] = {
        {"abc", '+', 1, &typeid(EVariantError), NoDouble},
        {1, '-', "1,5", &typeid(EVariantError), NoDouble},
        {"x", '*', "y", &typeid(EVariantError), NoDouble},
        {1, '/', 0, &typeid(EZeroDivide), DivZero},
        {1.5, '/', 0.0, &typeid(EZeroDivide), DivZero},
        {1, '/', Variant(), &typeid(EZeroDivide), DivZero},
        {Cur("1"), '/', 0, &typeid(EZeroDivide), DivZero},
        {Cur("1"), '/', Cur("0"), &typeid(EZeroDivide), DivZero},
        {Dt(5), '/', 0, &typeid(EZeroDivide), DivZero},
        {Cur("922337203685477"), '+', 1, &typeid(EVariantError), VarOverflow},
        {Cur("100000000000"), '*', Cur("100000"), &typeid(EVariantError), VarOverflow},
        {1e308, '*', 10.0, &typeid(EVariantError), VarOverflow},
    };
    for (const auto& C : Cases) {
        const auto [Kind, Message] = Raised([&] { Apply(C.A, C.Op, C.B); });
        SCOPED_TRACE(::testing::PrintToString(C.A) + " " + C.Op + " " + ::testing::PrintToString(C.B));
        ASSERT_NE(Kind, nullptr);
        EXPECT_EQ(*Kind, *C.Kind) << Kind->name();
        EXPECT_EQ(Message, C.Message);
    }
}

TEST_F(VariantTest, UnaryMinus)
{
    const struct {
        Variant A;
        VarType Type;
        Variant Expected;
    } Cases[] = {
        {Variant::Null(), VarType::Null, Variant::Null()},
        {Variant(), VarType::Integer, 0},
        {5, VarType::Integer, -5},
        {INT_MIN, VarType::Double, 2147483648.0},
        {1.5, VarType::Double, -1.5},
        {Cur("1.5"), VarType::Currency, Cur("-1.5")},
        {true, VarType::Integer, 1},
        {"2.5", VarType::Double, -2.5},
        {Dt(3), VarType::Date, Dt(-3)},
    };
    for (const auto& C : Cases) {
        const Variant R = -C.A;
        EXPECT_EQ(R.Type(), C.Type) << ::testing::PrintToString(C.A);
        EXPECT_TRUE(R == C.Expected) << ::testing::PrintToString(C.A) << " gave " << ::testing::PrintToString(R);
    }
    EXPECT_THROW(-Variant(Currency::FromRaw(INT64_MIN)), EVariantError);
}

// --- comparisons -------------------------------------------------------------------

TEST_F(VariantTest, Comparisons)
{
    const Variant Null = Variant::Null();
    const struct {
        Variant A, B;
        bool Eq, Lt, Gt;
    } Cases[] = {
        {Null, Null, true, false, false},
        {Null, 0, false, false, false},
        {0, Null, false, false, false},
        {Null, Variant(), false, false, false},
        {Null, "", false, false, false},
        {Variant(), Variant(), true, false, false},
        {Variant(), 0, true, false, false},
        {Variant(), "", true, false, false},
        {Variant(), 1, false, true, false},
        {1, 1.0, true, false, false},
        {1, Cur("1"), true, false, false},
        {Cur("0.1"), 0.1, true, false, false},
        {Cur("2147483648"), INT_MAX, false, false, true},
        {Cur("0.0001"), 0, false, false, true},
        {2, 10, false, true, false},
        {"2", "10", false, false, true},  // text order
        {"10", 10, true, false, false},
        {"abc", "ABC", false, false, true},
        {true, "True", true, false, false},
        {true, -1, true, false, false},
        {true, 1, false, true, false},
        {Dt(1), Dt(2), false, true, false},
        {Dt(2), 2, true, false, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(::testing::PrintToString(C.A) + " vs " + ::testing::PrintToString(C.B));
        const bool Ordered = !C.A.IsNull() && !C.B.IsNull();
        EXPECT_EQ(C.A == C.B, C.Eq);
        EXPECT_EQ(C.A != C.B, !C.Eq);
        EXPECT_EQ(C.A < C.B, C.Lt);
        EXPECT_EQ(C.A > C.B, C.Gt);
        EXPECT_EQ(C.A <= C.B, Ordered && (C.Lt || C.Eq));
        EXPECT_EQ(C.A >= C.B, Ordered && (C.Gt || C.Eq));
    }
    EXPECT_EQ(Raised([] { (void)(Variant("abc") == Variant(1)); }).second, NoDouble);
    EXPECT_THROW((void)(Variant("abc") < Variant(1.5)), EVariantError);
}

// --- conversions -------------------------------------------------------------------

TEST_F(VariantTest, ToIntRoundsHalfToEven)
{
    const struct {
        Variant V;
        int Expected;
    } Cases[] = {
        {2.5, 2},       {3.5, 4},       {-2.5, -2},      {-3.5, -4},      {2.6, 3},     {Cur("2.5"), 2},
        {Cur("3.5"), 4}, {Cur("-2.5"), -2}, {Cur("-2.5001"), -3}, {"42", 42}, {" 2.5 ", 2}, {true, -1},
        {Variant(), 0}, {Dt(2.75), 3},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(C.V.ToInt(), C.Expected) << ::testing::PrintToString(C.V);

    EXPECT_EQ(Raised([] { Variant::Null().ToInt(); }).second,
              QStringLiteral("Could not convert variant of type (Null) into type (Integer)"));
    EXPECT_EQ(Raised([] { Variant("abc").ToInt(); }).second,
              QStringLiteral("Could not convert variant of type (String) into type (Integer)"));
    EXPECT_EQ(Raised([] { Variant(3e9).ToInt(); }).second, QStringLiteral("Invalid variant operation"));
    EXPECT_EQ(Raised([] { Variant(Currency::FromInt(3000000000)).ToInt(); }).second,
              QStringLiteral("Invalid variant operation"));
}

TEST_F(VariantTest, ToStringFollowsSeparator)
{
    const struct {
        Variant V;
        const char* Point;
        const char* Comma;
    } Cases[] = {
        {42, "42", "42"},
        {1.5, "1.5", "1,5"},
        {1e20, "1E20", "1E20"},
        {Currency::FromRaw(25000), "2.5", "2,5"},
        {Currency::FromRaw(-5000), "-0.5", "-0,5"},
        {Currency::FromRaw(10000000), "1000", "1000"},
        {Dt(EncodeDate(2024, 3, 5)), "05.03.2024", "05.03.2024"},
        {Dt(EncodeDate(2024, 3, 5) + 0.5), "05.03.2024 12:00:00", "05.03.2024 12:00:00"},
        {true, "True", "True"},
        {false, "False", "False"},
        {Variant(), "", ""},
        {"x", "x", "x"},
    };
    for (const auto& C : Cases) {
        SetDecimalSeparator('.');
        EXPECT_EQ(C.V.ToString(), QString::fromUtf8(C.Point));
        SetDecimalSeparator(',');
        EXPECT_EQ(C.V.ToString(), QString::fromUtf8(C.Comma));
    }
    EXPECT_EQ(Raised([] { Variant::Null().ToString(); }).second,
              QStringLiteral("Could not convert variant of type (Null) into type (String)"));
    EXPECT_EQ(Variant::Null().AsText(), QString());
    EXPECT_EQ(Variant().AsText(), QString());
}

TEST_F(VariantTest, TextToNumberFollowsSeparator)
{
    SetDecimalSeparator(',');
    EXPECT_EQ(Variant("1,5").ToDouble(), 1.5);
    EXPECT_EQ(Variant("1,25").ToCurrency().Raw, 12500);
    EXPECT_TRUE(Variant("1,5") + 1 == Variant(2.5));
    EXPECT_THROW(Variant("1.5").ToDouble(), EVariantError);
    EXPECT_THROW(Variant("1.5") + 1, EVariantError);
    SetDecimalSeparator('.');
    EXPECT_EQ(Variant("1.5").ToDouble(), 1.5);
    EXPECT_THROW(Variant("1,5").ToDouble(), EVariantError);
}

TEST_F(VariantTest, OtherStrictConversions)
{
    const struct {
        Variant V;
        bool Expected;
    } Bools[] = {{0, false},        {2, true},          {0.0, false}, {0.5, true},     {Cur("0"), false},
                 {"TRUE", true},    {"false", false},   {"0", false}, {"-1", true},    {Variant(), false}};
    for (const auto& C : Bools)
        EXPECT_EQ(C.V.ToBool(), C.Expected) << ::testing::PrintToString(C.V);

    EXPECT_EQ(Variant(1.23456).ToCurrency().Raw, 12346);
    EXPECT_EQ(Variant(-0.00005).ToCurrency().Raw, -1);
    EXPECT_EQ(Variant("1.23455").ToCurrency().Raw, 12346);
    EXPECT_EQ(Variant(7).ToCurrency().Raw, 70000);
    EXPECT_EQ(Variant(true).ToCurrency().Raw, -10000);
    EXPECT_EQ(Variant(Currency::FromRaw(1000)).ToDouble(), 0.1);
    EXPECT_EQ(Variant("05.03.2024").ToDate(), EncodeDate(2024, 3, 5));
    EXPECT_EQ(Variant(Currency::FromRaw(15000)).ToDate(), 1.5);

    const struct {
        std::function<void()> Call;
        const char* Message;
    } Failures[] = {
        {[] { Variant("x").ToBool(); }, "Could not convert variant of type (String) into type (Boolean)"},
        {[] { Variant::Null().ToBool(); }, "Could not convert variant of type (Null) into type (Boolean)"},
        {[] { Variant(1e300).ToCurrency(); }, "Invalid variant operation"},
        {[] { Variant("x").ToCurrency(); }, "Could not convert variant of type (String) into type (Currency)"},
        {[] { Variant::Null().ToCurrency(); }, "Could not convert variant of type (Null) into type (Currency)"},
        {[] { Variant("x").ToDouble(); }, "Could not convert variant of type (String) into type (Double)"},
        {[] { Variant::Null().ToDouble(); }, "Could not convert variant of type (Null) into type (Double)"},
        {[] { Variant("31.02.2024").ToDate(); }, "Could not convert variant of type (String) into type (Date)"},
        {[] { Variant::Null().ToDate(); }, "Could not convert variant of type (Null) into type (Date)"},
    };
    for (const auto& C : Failures) {
        const auto [Kind, Message] = Raised(C.Call);
        ASSERT_NE(Kind, nullptr) << C.Message;
        EXPECT_EQ(*Kind, typeid(EVariantError)) << C.Message;
        EXPECT_EQ(Message, QString::fromUtf8(C.Message));
    }
}

TEST(VariantMiscTest, FromInt64AndNotNull)
{
    EXPECT_EQ(Variant::FromInt64(INT_MAX).Type(), VarType::Integer);
    EXPECT_EQ(Variant::FromInt64(int64_t(INT_MAX) + 1).Type(), VarType::Double);
    EXPECT_EQ(Variant::FromInt64(int64_t(INT_MAX) + 1).ToDouble(), 2147483648.0);

    EXPECT_EQ(Raised([] { VarNotNull(Variant()); }).second, QStringLiteral("Variant is empty"));
    EXPECT_EQ(Raised([] { VarToIntNotNull(Variant::Null()); }).second, QStringLiteral("Variant is null"));
    EXPECT_EQ(*Raised([] { VarNotNull(Variant::Null()); }).first, typeid(EVariantError));
    EXPECT_NO_THROW(VarNotNull(Variant(0)));
    EXPECT_NO_THROW(VarNotNull(Variant("")));
    EXPECT_EQ(VarToIntNotNull(Variant("7")), 7);
}
