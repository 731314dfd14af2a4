// Runtime helpers: Format, number texts under both decimal separators,
// rounding, dates.
#include "core/SysUtils.h"
#include "core/Variant.h"

#include <QDate>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Pins the decimal separator for one test and puts the previous one back.
class SeparatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = DecimalSeparator();
        SetDecimalSeparator('.');
    }
    void TearDown() override { SetDecimalSeparator(FSaved); }

private:
    QChar FSaved;
};

template <typename E, typename F>
QString MessageOf(F AFunc)
{
    try {
        AFunc();
    } catch (const E& Ex) {
        return Ex.Message();
    }
    return QStringLiteral("<no exception>");
}

}  // namespace

TEST(ExceptionTest, KeepsMessageAndGivesUtf8)
{
    const EConvertError Ex(QStringLiteral("Поле \"Сумма\""));
    EXPECT_EQ(Ex.Message(), QStringLiteral("Поле \"Сумма\""));
    EXPECT_STREQ(Ex.what(), "Поле \"Сумма\"");
}

// --- numbers as text --------------------------------------------------------

TEST_F(SeparatorTest, FloatToStrShortestWithExponentForms)
{
    const struct {
        double Value;
        const char* Point;
        const char* Comma;
    } Cases[] = {
        {0, "0", "0"},
        {1.5, "1.5", "1,5"},
        {-0.5, "-0.5", "-0,5"},
        {100, "100", "100"},
        {0.1 + 0.2, "0.3", "0,3"},
        {2.0 / 3, "0.666666666666667", "0,666666666666667"},
        {0.0001, "0.0001", "0,0001"},
        {1e-5, "1E-5", "1E-5"},
        {-1.5e-7, "-1.5E-7", "-1,5E-7"},
        {123456789012345.0, "123456789012345", "123456789012345"},
        {1e15, "1E15", "1E15"},
        {1e20, "1E20", "1E20"},
        {1234567890123456789.0, "1.23456789012346E18", "1,23456789012346E18"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN", "NAN"},
        {-std::numeric_limits<double>::infinity(), "-INF", "-INF"},
    };
    for (const auto& C : Cases) {
        SetDecimalSeparator('.');
        EXPECT_EQ(FloatToStr(C.Value), QString::fromUtf8(C.Point)) << C.Point;
        SetDecimalSeparator(',');
        EXPECT_EQ(FloatToStr(C.Value), QString::fromUtf8(C.Comma)) << C.Comma;
    }
}

TEST_F(SeparatorTest, StrToFloatFollowsSeparator)
{
    const struct {
        const char* Text;
        double Value;
    } Good[] = {{"1.5", 1.5}, {"  -2.25 ", -2.25}, {".5", 0.5}, {"5.", 5}, {"+7", 7},
                {"1E3", 1000}, {"1.5e-2", 0.015}, {"1E-400", 0}};
    for (const auto& C : Good) {
        SetDecimalSeparator('.');
        EXPECT_EQ(StrToFloat(QString::fromUtf8(C.Text)), C.Value) << C.Text;
        SetDecimalSeparator(',');
        EXPECT_EQ(StrToFloat(QString::fromUtf8(C.Text).replace('.', ',')), C.Value) << C.Text;
    }

    const char* Bad[] = {"", "   ", "abc", "1.2.3", "1,5", "1e", "-", ".", "1 000", "1E400", "12a"};
    SetDecimalSeparator('.');
    for (const char* Text : Bad) {
        double Dummy = 0;
        EXPECT_FALSE(TryStrToFloat(QString::fromUtf8(Text), Dummy)) << Text;
    }
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToFloat(QStringLiteral("1.2.3")); }),
              QStringLiteral("'1.2.3' is not a valid floating point value"));
    SetDecimalSeparator(',');
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5")), EConvertError);
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5")), 1.5);
}

TEST(StrToIntTest, AcceptsInt32Only)
{
    const struct {
        const char* Text;
        int Value;
    } Good[] = {{"42", 42}, {" -17 ", -17}, {"+5", 5}, {"2147483647", 2147483647}, {"-2147483648", INT_MIN}};
    for (const auto& C : Good)
        EXPECT_EQ(StrToInt(QString::fromUtf8(C.Text)), C.Value) << C.Text;

    for (const char* Text : {"2147483648", "-2147483649", "1.5", "", "12a", "-", "99999999999999999999"}) {
        int Dummy = 0;
        EXPECT_FALSE(TryStrToInt(QString::fromUtf8(Text), Dummy)) << Text;
    }
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt(QStringLiteral("1.5")); }),
              QStringLiteral("'1.5' is not a valid integer value"));
}

TEST(RoundToTest, HalfAwayFromZeroInLongDouble)
{
    const struct {
        double Value;
        int Digits;
        double Expected;
    } Cases[] = {
        {2.0051, 2, 2.01},
        {1.005, 2, 1.0},  // stored as 1.00499999999999989...
        {2.5, 0, 3},      {-2.5, 0, -3},     {-1.5, 0, -2},
        {2.675, 2, 2.67},  // stored as 2.67499999999999982...
        {0.125, 2, 0.13}, {-0.125, 2, -0.13}, {1234567.125, 2, 1234567.13},  // exact halves
        {1.23456, 3, 1.235}, {1.23456, 4, 1.2346},
        {1250, -2, 1300}, {1249.9, -2, 1200},
        {0, 2, 0},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(RoundTo(C.Value, C.Digits), C.Expected) << C.Value << " to " << C.Digits;
}

// --- Format -------------------------------------------------------------------

TEST_F(SeparatorTest, FormatPlaceholders)
{
    SetThousandSeparator(' ');
    SetCurrencyString(QStringLiteral("р."));
    const Currency C25 = Currency::FromRaw(25000);
    const struct {
        const char* Fmt;
        QList<Variant> Args;
        const char* Expected;
    } Cases[] = {
        {"%s and %d", {"abc", 42}, "abc and 42"},
        {"Поле \"%s\" объекта %d", {"Имя", 3}, "Поле \"Имя\" объекта 3"},
        {"[%5d|%-5d]", {42, 42}, "[   42|42   ]"},
        {"%.5d", {-42}, "-00042"},
        {"%x %x %.4x", {255, -1, 255}, "FF FFFFFFFF 00FF"},
        {"%u", {-1}, "4294967295"},
        {"[%.3s|%6s|%-6s]", {"abcdef", "ab", "ab"}, "[abc|    ab|ab    ]"},
        {"%s|", {Variant()}, "|"},
        {"%%%s%%", {"x"}, "%x%"},
        {"%S %D", {"a", 1}, "a 1"},
        {"%*d", {5, 42}, "   42"},
        {"%g %g %g %g", {1.5, 1e20, C25, 7}, "1.5 1E20 2.5 7"},
        {"%.3g", {1234.5}, "1.23E3"},
        {"%f %.0f %.1f %.1f", {2.5, 2.5, 0.25, -0.25}, "2.50 3 0.3 -0.3"},
        {"%f %f", {C25, 3}, "2.50 3.00"},
        {"%.2f", {1.005}, "1.00"},
        {"%e|%.3e", {1.5, -1234.5}, "1.50000000000000E+000|-1.23E+003"},
        {"%n", {1234567.891}, "1 234 567.89"},
        {"%m", {-1234.5}, "-1 234.50 р."},
        // Indexed placeholders and the argument after them.
        {"%0:s-%1:s-%0:s", {"a", "b"}, "a-b-a"},
        {"%1:s %s", {"a", "b", "c"}, "b c"},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"%0:-4s|", {"ab"}, "ab  |"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Format(QString::fromUtf8(C.Fmt), C.Args), QString::fromUtf8(C.Expected)) << C.Fmt;

    SetDecimalSeparator(',');
    EXPECT_EQ(Format(QStringLiteral("%g %.2f %e"), {1.5, 1.5, 1.5}), QStringLiteral("1,5 1,50 1,50000000000000E+000"));
}

TEST(FormatTest, MissingOrWrongArgumentRaises)
{
    const struct {
        const char* Fmt;
        QList<Variant> Args;
    } Cases[] = {
        {"%d", {1.5}},      {"%d", {"1"}},           {"%d", {true}},     {"%x", {Currency::FromRaw(1)}},
        {"%s", {1}},        {"%s", {Variant::Null()}}, {"%s", {true}},     {"%g", {"1.5"}},
        {"%f", {Variant::FromDate(1)}}, {"%g", {Variant::Null()}},
        {"%d", {}},         {"%s %s", {"a"}},        {"%1:s %s", {"a", "b"}},
        {"abc%", {}},       {"%q", {1}},             {"%-", {1}},        {"%*d", {"5", 1}},
    };
    for (const auto& C : Cases) {
        const QString Fmt = QString::fromUtf8(C.Fmt);
        EXPECT_EQ(MessageOf<EConvertError>([&] { Format(Fmt, C.Args); }),
                  QStringLiteral("Format '%1' invalid or incompatible with argument").arg(Fmt))
            << C.Fmt;
    }
}

// --- dates ----------------------------------------------------------------------

TEST(DateTest, DayNumbersFrom18991230)
{
    const struct {
        int Y, M, D;
        double Day;
    } Cases[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2}, {1899, 12, 29, -1}, {2000, 1, 1, 36526}, {2024, 2, 29, 45351},
        {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(EncodeDate(C.Y, C.M, C.D), C.Day) << C.Y << "-" << C.M << "-" << C.D;
        int Y = 0, M = 0, D = 0;
        DecodeDate(C.Day, Y, M, D);
        EXPECT_EQ(Y * 10000 + M * 100 + D, C.Y * 10000 + C.M * 100 + C.D);
    }
    const struct {
        int Y, M, D;
    } Bad[] = {{2023, 2, 29}, {2024, 13, 1}, {0, 1, 1}, {2024, 1, 0}, {10000, 1, 1}};
    for (const auto& C : Bad)
        EXPECT_THROW(EncodeDate(C.Y, C.M, C.D), EConvertError) << C.Y << "-" << C.M << "-" << C.D;
}

TEST(DateTest, TextForms)
{
    const TDateTime Day = EncodeDate(2024, 3, 5);
    EXPECT_EQ(DateToStr(Day + 0.75), QStringLiteral("05.03.2024"));
    EXPECT_EQ(DateTimeToStr(Day), QStringLiteral("05.03.2024"));
    EXPECT_EQ(DateTimeToStr(Day + EncodeTime(9, 5, 7)), QStringLiteral("05.03.2024 09:05:07"));
    // Before day zero the fraction still counts forward from midnight.
    EXPECT_EQ(DateTimeToStr(-1.25), QStringLiteral("29.12.1899 06:00:00"));
    // A time that rounds up to midnight is the next day, not "24:00:00".
    EXPECT_EQ(DateTimeToStr(Day + 0.9999999999), QStringLiteral("06.03.2024"));
    int H = 0, Mi = 0, S = 0, Ms = 0;
    DecodeTime(Day + EncodeTime(23, 59, 58, 999), H, Mi, S, Ms);
    EXPECT_EQ(QList<int>({H, Mi, S, Ms}), QList<int>({23, 59, 58, 999}));
}

TEST(DateTest, StrToDateTimeReadsAndRoundTrips)
{
    const TDateTime Day = EncodeDate(2024, 3, 5);
    const struct {
        const char* Text;
        TDateTime Value;
    } Good[] = {
        {"5.3.2024", Day},
        {" 05.03.2024 ", Day},
        {"05.03.2024 9:05", Day + EncodeTime(9, 5, 0)},
        {"05.03.2024 09:05:07", Day + EncodeTime(9, 5, 7)},
        {"29.12.1899 06:00", -1.25},
    };
    for (const auto& C : Good)
        EXPECT_EQ(StrToDateTime(QString::fromUtf8(C.Text)), C.Value) << C.Text;

    for (TDateTime V : {Day, Day + EncodeTime(23, 59, 59), -1.25, EncodeDate(1, 1, 1), EncodeDate(9999, 12, 31)})
        EXPECT_EQ(StrToDateTime(DateTimeToStr(V)), V) << DateTimeToStr(V).toStdString();

    for (const char* Text : {"31.02.2024", "2024-03-05", "05.03.2024 24:00", "05.03.2024 12:60", "", "05.03", "5.3.2024x"})
        EXPECT_THROW(StrToDateTime(QString::fromUtf8(Text)), EConvertError) << Text;
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToDateTime(QStringLiteral("31.02.2024")); }),
              QStringLiteral("'31.02.2024' is not a valid date"));

    // A two-digit year lands in the hundred years starting 50 years ago.
    int Y = 0, M = 0, D = 0;
    DecodeDate(StrToDateTime(QStringLiteral("1.2.24")), Y, M, D);
    const int Current = QDate::currentDate().year();
    EXPECT_EQ(Y % 100, 24);
    EXPECT_TRUE(Y >= Current - 50 && Y < Current + 50) << Y;
}

TEST(DateTest, TodayAndNow)
{
    const QDate Before = QDate::currentDate();
    const TDateTime Today = Date();
    const QDate After = QDate::currentDate();
    EXPECT_EQ(Today, std::trunc(Today));
    EXPECT_GE(Now(), Today);
    const QString Text = DateToStr(Today);
    EXPECT_TRUE(Text == Before.toString(QStringLiteral("dd.MM.yyyy")) || Text == After.toString(QStringLiteral("dd.MM.yyyy")))
        << Text.toStdString();
}
