#include "SysUtils.h"

#include "Variant.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

Exception::Exception(QString AMessage)
    : FMessage(std::move(AMessage)), FUtf8(FMessage.toUtf8().toStdString())
{
}

// ---------------------------------------------------------------------------
// Locale settings

namespace {

std::optional<QChar> GDecimalSeparator;
std::optional<QChar> GThousandSeparator;
std::optional<QString> GCurrencyString;

}  // namespace

QChar DecimalSeparator()
{
    if (!GDecimalSeparator) {
        const QString Point = QLocale::system().decimalPoint();
        GDecimalSeparator = Point.isEmpty() ? QChar('.') : Point.at(0);
    }
    return *GDecimalSeparator;
}

void SetDecimalSeparator(QChar ASep)
{
    GDecimalSeparator = ASep;
}

QChar ThousandSeparator()
{
    if (GThousandSeparator)
        return *GThousandSeparator;
    const QString Group = QLocale::system().groupSeparator();
    const QChar Sep = Group.isEmpty() ? QChar(' ') : Group.at(0);
    return Sep == DecimalSeparator() ? QChar(' ') : Sep;
}

void SetThousandSeparator(QChar ASep)
{
    GThousandSeparator = ASep;
}

QString CurrencyString()
{
    if (!GCurrencyString)
        GCurrencyString = QLocale::system().currencySymbol(QLocale::CurrencySymbol);
    return *GCurrencyString;
}

void SetCurrencyString(const QString& AText)
{
    GCurrencyString = AText;
}

// ---------------------------------------------------------------------------
// Decimal digits of numbers

namespace {

// A number as 0.Digits * 10^Exp; Digits carries no trailing zeros and is
// empty for zero.
struct TDecimal {
    bool Neg = false;
    std::string Digits;
    int Exp = 0;
};

void StripTrailingZeros(TDecimal& D)
{
    while (!D.Digits.empty() && D.Digits.back() == '0')
        D.Digits.pop_back();
    if (D.Digits.empty()) {
        D.Exp = 0;
        D.Neg = false;
    }
}

// 18 significant digits, as the text conversions of the runtime always did.
TDecimal DecimalOfDouble(double AValue)
{
    TDecimal D;
    D.Neg = std::signbit(AValue);
    if (AValue == 0) {
        D.Neg = false;
        return D;
    }
    char Buf[64];
    const auto Res = std::to_chars(Buf, Buf + sizeof(Buf), std::fabs(AValue), std::chars_format::scientific, 17);
    const std::string Text(Buf, Res.ptr);  // "d.ddddddddddddddddde+XX"
    const auto EPos = Text.find('e');
    D.Digits = Text.substr(0, 1) + Text.substr(2, EPos - 2);
    D.Exp = std::stoi(Text.substr(EPos + 1)) + 1;
    StripTrailingZeros(D);
    return D;
}

// AValue / 10^AScale, exactly.
TDecimal DecimalOfScaled(int64_t AValue, int AScale)
{
    TDecimal D;
    D.Neg = AValue < 0;
    const uint64_t Abs = D.Neg ? 0 - static_cast<uint64_t>(AValue) : static_cast<uint64_t>(AValue);
    if (Abs == 0) {
        D.Neg = false;
        return D;
    }
    D.Digits = std::to_string(Abs);
    D.Exp = static_cast<int>(D.Digits.size()) - AScale;
    StripTrailingZeros(D);
    return D;
}

// Keeps ACount significant digits, rounding half away from zero.
void RoundDecimal(TDecimal& D, int ACount)
{
    if (static_cast<int>(D.Digits.size()) <= ACount)
        return;
    if (ACount < 0) {
        D = TDecimal();
        return;
    }
    const bool Up = D.Digits[ACount] >= '5';
    D.Digits.resize(ACount);
    if (Up) {
        while (!D.Digits.empty() && D.Digits.back() == '9')
            D.Digits.pop_back();
        if (D.Digits.empty()) {
            D.Digits = "1";
            ++D.Exp;
        } else {
            ++D.Digits.back();
        }
    }
    StripTrailingZeros(D);
}

// Digit at position APos counted from the first digit (0-based); '0' outside.
char DigitAt(const TDecimal& D, int APos)
{
    return APos >= 0 && APos < static_cast<int>(D.Digits.size()) ? D.Digits[APos] : '0';
}

QString GroupThousands(const QString& AIntPart, QChar ASep)
{
    QString Res;
    const int Len = AIntPart.size();
    for (int I = 0; I < Len; ++I) {
        if (I > 0 && (Len - I) % 3 == 0)
            Res += ASep;
        Res += AIntPart.at(I);
    }
    return Res;
}

QString FormatGeneral(TDecimal D, int APrecision)
{
    RoundDecimal(D, APrecision);
    if (D.Digits.empty())
        return QStringLiteral("0");
    const QChar Sep = DecimalSeparator();
    QString Res = D.Neg ? QStringLiteral("-") : QString();
    const QString Digits = QString::fromStdString(D.Digits);
    if (D.Exp > APrecision || D.Exp < -3) {
        Res += Digits.at(0);
        if (Digits.size() > 1)
            Res += Sep + Digits.mid(1);
        Res += QLatin1Char('E');
        const int E = D.Exp - 1;
        if (E < 0)
            Res += QLatin1Char('-');
        Res += QString::number(std::abs(E));
    } else if (D.Exp <= 0) {
        Res += QLatin1Char('0') + QString(Sep) + QString(-D.Exp, QLatin1Char('0')) + Digits;
    } else {
        Res += Digits.left(D.Exp);
        if (Digits.size() < D.Exp)
            Res += QString(D.Exp - Digits.size(), QLatin1Char('0'));
        else if (Digits.size() > D.Exp)
            Res += Sep + Digits.mid(D.Exp);
    }
    return Res;
}

QString FormatExponent(TDecimal D, int APrecision)
{
    RoundDecimal(D, APrecision);
    QString Digits = QString::fromStdString(D.Digits);
    Digits += QString(APrecision - Digits.size(), QLatin1Char('0'));
    QString Res = D.Neg ? QStringLiteral("-") : QString();
    Res += Digits.at(0);
    if (APrecision > 1)
        Res += DecimalSeparator() + Digits.mid(1);
    const int E = D.Digits.empty() ? 0 : D.Exp - 1;
    Res += QLatin1Char('E') + QString(E < 0 ? QLatin1Char('-') : QLatin1Char('+'));
    Res += QStringLiteral("%1").arg(std::abs(E), 3, 10, QLatin1Char('0'));
    return Res;
}

QString FormatFixed(TDecimal D, int ADecimals, bool AThousands)
{
    if (D.Exp > 18)  // too many integer digits for the fixed form
        return FormatGeneral(D, 18);
    RoundDecimal(D, D.Exp + ADecimals);
    QString IntPart;
    for (int I = 0; I < D.Exp; ++I)
        IntPart += QLatin1Char(DigitAt(D, I));
    if (IntPart.isEmpty())
        IntPart = QStringLiteral("0");
    if (AThousands)
        IntPart = GroupThousands(IntPart, ThousandSeparator());
    QString Res = D.Neg ? QStringLiteral("-") : QString();
    Res += IntPart;
    if (ADecimals > 0) {
        Res += DecimalSeparator();
        for (int I = 0; I < ADecimals; ++I)
            Res += QLatin1Char(DigitAt(D, D.Exp + I));
    }
    return Res;
}

std::optional<QString> NonFiniteText(double AValue)
{
    if (std::isnan(AValue))
        return QStringLiteral("NAN");
    if (std::isinf(AValue))
        return AValue > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    return std::nullopt;
}

}  // namespace

QString FloatToStr(double AValue)
{
    if (auto Text = NonFiniteText(AValue))
        return *Text;
    return FormatGeneral(DecimalOfDouble(AValue), 15);
}

// ---------------------------------------------------------------------------
// Reading numbers

namespace {

bool IsDigit(QChar C)
{
    return C >= QLatin1Char('0') && C <= QLatin1Char('9');
}

}  // namespace

bool TryStrToFloat(const QString& AText, double& AValue)
{
    const QString Text = AText.trimmed();
    const QChar Sep = DecimalSeparator();
    std::string Plain;  // the number in C syntax
    int I = 0;
    const int Len = Text.size();
    bool Neg = false;
    if (I < Len && (Text[I] == QLatin1Char('+') || Text[I] == QLatin1Char('-')))
        Neg = Text[I++] == QLatin1Char('-');
    int MantissaDigits = 0;
    std::string IntDigits, FracDigits;
    while (I < Len && IsDigit(Text[I])) {
        IntDigits += Text[I++].toLatin1();
        ++MantissaDigits;
    }
    if (I < Len && Text[I] == Sep) {
        ++I;
        while (I < Len && IsDigit(Text[I])) {
            FracDigits += Text[I++].toLatin1();
            ++MantissaDigits;
        }
    }
    if (MantissaDigits == 0)
        return false;
    std::string ExpPart;
    if (I < Len && (Text[I] == QLatin1Char('e') || Text[I] == QLatin1Char('E'))) {
        ++I;
        if (I < Len && (Text[I] == QLatin1Char('+') || Text[I] == QLatin1Char('-')))
            ExpPart += Text[I++].toLatin1();
        int ExpDigits = 0;
        while (I < Len && IsDigit(Text[I])) {
            ExpPart += Text[I++].toLatin1();
            ++ExpDigits;
        }
        if (ExpDigits == 0)
            return false;
    }
    if (I != Len)
        return false;
    Plain = (IntDigits.empty() ? std::string("0") : IntDigits) + "." + (FracDigits.empty() ? std::string("0") : FracDigits);
    if (!ExpPart.empty())
        Plain += "e" + (ExpPart[0] == '+' ? ExpPart.substr(1) : ExpPart);
    double Value = 0;
    const auto Res = std::from_chars(Plain.data(), Plain.data() + Plain.size(), Value);
    if (Res.ec == std::errc::result_out_of_range) {
        // Out of range: too small to hold reads as zero, too large is no number.
        const auto FirstSignificant = IntDigits.find_first_not_of('0');
        long Order = 0;  // decimal exponent of the leading significant digit
        if (FirstSignificant != std::string::npos)
            Order = static_cast<long>(IntDigits.size() - FirstSignificant) - 1;
        else
            Order = -static_cast<long>(FracDigits.find_first_not_of('0')) - 1;
        if (!ExpPart.empty())
            Order += std::clamp(std::strtol(ExpPart.c_str(), nullptr, 10), -1000000000L, 1000000000L);
        if (Order >= 0)
            return false;
        Value = 0;
    } else if (Res.ec != std::errc() || Res.ptr != Plain.data() + Plain.size()) {
        return false;
    }
    if (!std::isfinite(Value))
        return false;
    AValue = Neg ? -Value : Value;
    return true;
}

double StrToFloat(const QString& AText)
{
    double Value = 0;
    if (!TryStrToFloat(AText, Value))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(AText));
    return Value;
}

bool TryStrToInt(const QString& AText, int& AValue)
{
    const QString Text = AText.trimmed();
    int I = 0;
    const int Len = Text.size();
    bool Neg = false;
    if (I < Len && (Text[I] == QLatin1Char('+') || Text[I] == QLatin1Char('-')))
        Neg = Text[I++] == QLatin1Char('-');
    if (I == Len)
        return false;
    int64_t Value = 0;
    for (; I < Len; ++I) {
        if (!IsDigit(Text[I]))
            return false;
        Value = Value * 10 + (Text[I].unicode() - '0');
        if (Value > static_cast<int64_t>(INT_MAX) + 1)
            return false;
    }
    if (Neg)
        Value = -Value;
    if (Value < INT_MIN || Value > INT_MAX)
        return false;
    AValue = static_cast<int>(Value);
    return true;
}

int StrToInt(const QString& AText)
{
    int Value = 0;
    if (!TryStrToInt(AText, Value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(AText));
    return Value;
}

// ---------------------------------------------------------------------------
// Rounding

double RoundTo(double AValue, int ADigits)
{
    // x / f with f = 10^-ADigits is taken as x * 10^ADigits (or x / 10^-ADigits):
    // powers of ten up to 10^27 are exact in long double while 0.01 is not, and
    // for up to four decimals the product of a double with 10^ADigits is exact,
    // so a value lying exactly on a half (0.125) rounds away from zero.
    if (!std::isfinite(AValue))
        return AValue;
    const int N = std::min(std::abs(ADigits), 27);
    long double P = 1;
    for (int I = 0; I < N; ++I)
        P *= 10;
    const long double X = AValue;
    const long double Scaled = ADigits >= 0 ? X * P : X / P;
    const long double Whole = X >= 0 ? std::trunc(Scaled + 0.5L) : std::trunc(Scaled - 0.5L);
    return static_cast<double>(ADigits >= 0 ? Whole / P : Whole * P);
}

// ---------------------------------------------------------------------------
// Format

QString Format(const QString& AFormat, const QList<Variant>& AArgs)
{
    auto Fail = [&AFormat]() -> EConvertError {
        return EConvertError(QStringLiteral("Format '") + AFormat + QStringLiteral("' invalid or incompatible with argument"));
    };
    QString Res;
    const int Len = AFormat.size();
    int ArgIndex = 0;
    auto NextArg = [&]() -> const Variant& {
        if (ArgIndex < 0 || ArgIndex >= AArgs.size())
            throw Fail();
        return AArgs[ArgIndex++];
    };
    int I = 0;
    // Reads digits (or "*" taking an Integer argument); -1 when there are none.
    auto ReadNumber = [&]() -> int {
        if (I < Len && AFormat[I] == QLatin1Char('*')) {
            ++I;
            const Variant& Arg = NextArg();
            if (Arg.Type() != VarType::Integer)
                throw Fail();
            return std::max(Arg.ToInt(), 0);
        }
        if (I >= Len || !IsDigit(AFormat[I]))
            return -1;
        int64_t Value = 0;
        while (I < Len && IsDigit(AFormat[I])) {
            Value = Value * 10 + (AFormat[I++].unicode() - '0');
            if (Value > 100000)
                throw Fail();
        }
        return static_cast<int>(Value);
    };

    while (I < Len) {
        const QChar C = AFormat[I++];
        if (C != QLatin1Char('%')) {
            Res += C;
            continue;
        }
        if (I >= Len)
            throw Fail();
        if (AFormat[I] == QLatin1Char('%')) {
            Res += QLatin1Char('%');
            ++I;
            continue;
        }
        // Index: digits followed by ':'.
        {
            int J = I;
            int Index = 0;
            bool HaveDigits = false;
            while (J < Len && IsDigit(AFormat[J]) && Index <= 100000) {
                Index = Index * 10 + (AFormat[J++].unicode() - '0');
                HaveDigits = true;
            }
            if (HaveDigits && J < Len && AFormat[J] == QLatin1Char(':')) {
                ArgIndex = Index;
                I = J + 1;
            }
        }
        bool LeftAlign = false;
        if (I < Len && AFormat[I] == QLatin1Char('-')) {
            LeftAlign = true;
            ++I;
        }
        const int Width = ReadNumber();
        int Precision = -1;
        if (I < Len && AFormat[I] == QLatin1Char('.')) {
            ++I;
            Precision = ReadNumber();
            if (Precision < 0)
                Precision = 0;
        }
        if (I >= Len)
            throw Fail();
        const QChar Type = AFormat[I++].toLower();
        const Variant& Arg = NextArg();

        auto NumberArg = [&]() -> std::optional<TDecimal> {
            switch (Arg.Type()) {
            case VarType::Integer:
                return DecimalOfScaled(Arg.ToInt(), 0);
            case VarType::Currency:
                return DecimalOfScaled(Arg.ToCurrency().Raw, 4);
            case VarType::Double:
                if (NonFiniteText(Arg.ToDouble()))
                    return std::nullopt;
                return DecimalOfDouble(Arg.ToDouble());
            default:
                throw Fail();
            }
        };

        QString Text;
        switch (Type.unicode()) {
        case 'd':
        case 'u':
        case 'x': {
            if (Arg.Type() != VarType::Integer)
                throw Fail();
            const int Value = Arg.ToInt();
            const bool Neg = Type == QLatin1Char('d') && Value < 0;
            QString Digits;
            if (Type == QLatin1Char('d'))
                Digits = QString::number(std::llabs(static_cast<long long>(Value)));
            else if (Type == QLatin1Char('u'))
                Digits = QString::number(static_cast<uint32_t>(Value));
            else
                Digits = QString::number(static_cast<uint32_t>(Value), 16).toUpper();
            if (Precision > Digits.size())
                Digits = QString(Precision - Digits.size(), QLatin1Char('0')) + Digits;
            Text = Neg ? QLatin1Char('-') + Digits : Digits;
            break;
        }
        case 's':
            if (Arg.Type() != VarType::String && Arg.Type() != VarType::Empty)
                throw Fail();
            Text = Arg.AsText();
            if (Precision >= 0)
                Text = Text.left(Precision);
            break;
        case 'g': {
            const auto D = NumberArg();
            Text = D ? FormatGeneral(*D, Precision < 0 ? 15 : std::clamp(Precision, 1, 18)) : *NonFiniteText(Arg.ToDouble());
            break;
        }
        case 'e': {
            const auto D = NumberArg();
            Text = D ? FormatExponent(*D, Precision < 0 ? 15 : std::clamp(Precision, 1, 18)) : *NonFiniteText(Arg.ToDouble());
            break;
        }
        case 'f':
        case 'n':
        case 'm': {
            const auto D = NumberArg();
            if (!D) {
                Text = *NonFiniteText(Arg.ToDouble());
                break;
            }
            Text = FormatFixed(*D, Precision < 0 ? 2 : std::min(Precision, 18), Type != QLatin1Char('f'));
            if (Type == QLatin1Char('m') && !CurrencyString().isEmpty())
                Text += QLatin1Char(' ') + CurrencyString();
            break;
        }
        default:
            throw Fail();
        }
        if (Width > Text.size())
            Text = LeftAlign ? Text.leftJustified(Width) : Text.rightJustified(Width);
        Res += Text;
    }
    return Res;
}

// ---------------------------------------------------------------------------
// Dates

namespace {

constexpr qint64 DayZeroJulian = 2415019;  // 1899-12-30
constexpr qint64 MSecsPerDay = 86400000;

// Whole day and milliseconds of the day, the time rounded to the millisecond;
// a time that rounds up to midnight belongs to the next day.
void SplitDateTime(TDateTime AValue, qint64& ADay, qint64& AMSecs)
{
    if (!std::isfinite(AValue) || std::fabs(AValue) > 3.0e6)
        throw EConvertError(QStringLiteral("Invalid date value"));
    const double Day = std::trunc(AValue);
    ADay = static_cast<qint64>(Day);
    AMSecs = std::llround(std::fabs(AValue - Day) * MSecsPerDay);
    if (AMSecs >= MSecsPerDay) {
        AMSecs -= MSecsPerDay;
        ++ADay;
    }
}

QDate DayToDate(qint64 ADay)
{
    const QDate D = QDate::fromJulianDay(ADay + DayZeroJulian);
    if (!D.isValid() || D.year() < 1 || D.year() > 9999)
        throw EConvertError(QStringLiteral("Invalid date value"));
    return D;
}

}  // namespace

TDateTime EncodeDate(int AYear, int AMonth, int ADay)
{
    if (AYear < 1 || AYear > 9999 || !QDate::isValid(AYear, AMonth, ADay))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return static_cast<double>(QDate(AYear, AMonth, ADay).toJulianDay() - DayZeroJulian);
}

TDateTime EncodeTime(int AHour, int AMin, int ASec, int AMSec)
{
    if (AHour < 0 || AHour > 23 || AMin < 0 || AMin > 59 || ASec < 0 || ASec > 59 || AMSec < 0 || AMSec > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return static_cast<double>(((AHour * 60 + AMin) * 60 + ASec) * 1000 + AMSec) / MSecsPerDay;
}

void DecodeDate(TDateTime ADate, int& AYear, int& AMonth, int& ADay)
{
    qint64 Day = 0, MSecs = 0;
    SplitDateTime(ADate, Day, MSecs);
    DayToDate(Day).getDate(&AYear, &AMonth, &ADay);
}

void DecodeTime(TDateTime ATime, int& AHour, int& AMin, int& ASec, int& AMSec)
{
    qint64 Day = 0, MSecs = 0;
    SplitDateTime(ATime, Day, MSecs);
    AMSec = static_cast<int>(MSecs % 1000);
    ASec = static_cast<int>(MSecs / 1000 % 60);
    AMin = static_cast<int>(MSecs / 60000 % 60);
    AHour = static_cast<int>(MSecs / 3600000);
}

TDateTime Date()
{
    const QDate Today = QDate::currentDate();
    return EncodeDate(Today.year(), Today.month(), Today.day());
}

TDateTime Now()
{
    const QDateTime Current = QDateTime::currentDateTime();
    const QTime T = Current.time();
    const QDate D = Current.date();
    return EncodeDate(D.year(), D.month(), D.day()) + EncodeTime(T.hour(), T.minute(), T.second(), T.msec());
}

QString DateToStr(TDateTime AValue)
{
    qint64 Day = 0, MSecs = 0;
    SplitDateTime(AValue, Day, MSecs);
    return DayToDate(Day).toString(QStringLiteral("dd.MM.yyyy"));
}

QString DateTimeToStr(TDateTime AValue)
{
    qint64 Day = 0, MSecs = 0;
    SplitDateTime(AValue, Day, MSecs);
    QString Res = DayToDate(Day).toString(QStringLiteral("dd.MM.yyyy"));
    const qint64 Secs = MSecs / 1000;
    if (Secs != 0)
        Res += QStringLiteral(" %1:%2:%3")
                   .arg(Secs / 3600, 2, 10, QLatin1Char('0'))
                   .arg(Secs / 60 % 60, 2, 10, QLatin1Char('0'))
                   .arg(Secs % 60, 2, 10, QLatin1Char('0'));
    return Res;
}

TDateTime StrToDateTime(const QString& AText)
{
    static const QRegularExpression Re(QStringLiteral(
        R"(^\s*(\d{1,2})\.(\d{1,2})\.(\d{1,4})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const auto M = Re.match(AText);
    auto Fail = [&AText]() {
        return EConvertError(QStringLiteral("'%1' is not a valid date").arg(AText));
    };
    if (!M.hasMatch())
        throw Fail();
    int Year = M.captured(3).toInt();
    if (M.captured(3).size() <= 2) {
        const int Base = QDate::currentDate().year() - 50;
        Year += Base / 100 * 100;
        if (Year < Base)
            Year += 100;
    }
    try {
        TDateTime Res = EncodeDate(Year, M.captured(2).toInt(), M.captured(1).toInt());
        if (M.hasCaptured(4)) {
            const TDateTime Time =
                EncodeTime(M.captured(4).toInt(), M.captured(5).toInt(), M.hasCaptured(6) ? M.captured(6).toInt() : 0);
            Res = Res >= 0 ? Res + Time : Res - Time;
        }
        return Res;
    } catch (const EConvertError&) {
        throw Fail();
    }
}
