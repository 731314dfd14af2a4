#include "Variant.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <compare>

namespace {

using Int128 = __int128;

constexpr int64_t CurrScale = 10000;

[[noreturn]] void CastError(VarType AFrom, VarType ATo)
{
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(Variant::TypeName(AFrom), Variant::TypeName(ATo)));
}

[[noreturn]] void InvalidOp()
{
    throw EVariantError(QStringLiteral("Invalid variant operation"));
}

[[noreturn]] void Overflow()
{
    throw EVariantError(QStringLiteral("Variant overflow"));
}

[[noreturn]] void ZeroDivide()
{
    throw EZeroDivide(QStringLiteral("Division by zero"));
}

bool FitsInt64(Int128 AValue)
{
    return AValue >= INT64_MIN && AValue <= INT64_MAX;
}

// ANum / ADen rounded half away from zero.
Int128 RoundDiv(Int128 ANum, Int128 ADen)
{
    Int128 Q = ANum / ADen;
    const Int128 R = ANum % ADen;
    const Int128 AbsR = R < 0 ? -R : R;
    const Int128 AbsD = ADen < 0 ? -ADen : ADen;
    if (2 * AbsR >= AbsD)
        Q += ((ANum < 0) != (ADen < 0)) ? -1 : 1;
    return Q;
}

// Nearest integer, halves to even; false when it does not fit 32 bits.
bool BankersRound(double AValue, int& AResult)
{
    if (!std::isfinite(AValue))
        return false;
    const double R = std::nearbyint(AValue);
    if (R < INT_MIN || R > INT_MAX)
        return false;
    AResult = static_cast<int>(R);
    return true;
}

bool TryStrToBool(const QString& AText, bool& AValue)
{
    const QString Text = AText.trimmed();
    if (Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        AValue = true;
        return true;
    }
    if (Text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        AValue = false;
        return true;
    }
    double Number = 0;
    if (TryStrToFloat(Text, Number)) {
        AValue = Number != 0;
        return true;
    }
    return false;
}

// An operand of arithmetic or comparison reduced to a number.
struct TNum {
    enum Kind { nkInt, nkCurr, nkDouble, nkDate } K = nkInt;
    int64_t I = 0;     // nkInt: the value; nkCurr: count of 1/10000
    double D = 0;      // nkDouble, nkDate

    Int128 Scaled() const { return K == nkInt ? Int128(I) * CurrScale : Int128(I); }
    // As a double, the way a Double operand meets the others.
    double Real() const
    {
        switch (K) {
        case nkInt: return static_cast<double>(I);
        case nkCurr: return Currency::FromRaw(I).ToDouble();
        default: return D;
        }
    }
};

TNum ToNum(const Variant& AValue)
{
    TNum N;
    switch (AValue.Type()) {
    case VarType::Empty:
        break;
    case VarType::Integer:
        N.I = AValue.ToInt();
        break;
    case VarType::Boolean:
        N.I = AValue.ToBool() ? -1 : 0;
        break;
    case VarType::Currency:
        N.K = TNum::nkCurr;
        N.I = AValue.ToCurrency().Raw;
        break;
    case VarType::Double:
        N.K = TNum::nkDouble;
        N.D = AValue.ToDouble();
        break;
    case VarType::Date:
        N.K = TNum::nkDate;
        N.D = AValue.ToDate();
        break;
    case VarType::String:
        N.K = TNum::nkDouble;
        if (!TryStrToFloat(AValue.ToString(), N.D))
            CastError(VarType::String, VarType::Double);
        break;
    case VarType::Null:
        CastError(VarType::Null, VarType::Double);
    }
    return N;
}

enum class TOp { Add, Sub, Mul, Div };

Variant RealResult(double D, bool AFiniteOperands, bool AIsDate)
{
    if (AFiniteOperands && !std::isfinite(D))
        Overflow();
    return AIsDate ? Variant::FromDate(D) : Variant(D);
}

Variant Arith(const Variant& A, const Variant& B, TOp AOp)
{
    if (A.IsNull() || B.IsNull())
        return Variant::Null();
    const VarType TA = A.Type();
    const VarType TB = B.Type();
    if (AOp == TOp::Add && (TA == VarType::String || TB == VarType::String) &&
        (TA == VarType::String || TA == VarType::Empty) && (TB == VarType::String || TB == VarType::Empty))
        return Variant(A.AsText() + B.AsText());

    const TNum X = ToNum(A);
    const TNum Y = ToNum(B);

    if (X.K == TNum::nkDate || Y.K == TNum::nkDate || X.K == TNum::nkDouble || Y.K == TNum::nkDouble) {
        const double L = X.Real();
        const double R = Y.Real();
        const bool Finite = std::isfinite(L) && std::isfinite(R);
        const bool AnyDate = X.K == TNum::nkDate || Y.K == TNum::nkDate;
        switch (AOp) {
        case TOp::Add:
            return RealResult(L + R, Finite, AnyDate);
        case TOp::Sub:
            return RealResult(L - R, Finite, AnyDate && !(X.K == TNum::nkDate && Y.K == TNum::nkDate));
        case TOp::Mul:
            return RealResult(L * R, Finite, false);
        case TOp::Div:
            if (R == 0)
                ZeroDivide();
            return RealResult(L / R, Finite, false);
        }
    }

    if (X.K == TNum::nkCurr || Y.K == TNum::nkCurr) {
        const Int128 L = X.Scaled();
        const Int128 R = Y.Scaled();
        Int128 Res = 0;
        switch (AOp) {
        case TOp::Add: Res = L + R; break;
        case TOp::Sub: Res = L - R; break;
        case TOp::Mul: Res = RoundDiv(L * R, CurrScale); break;
        case TOp::Div:
            if (R == 0)
                ZeroDivide();
            Res = RoundDiv(L * CurrScale, R);
            break;
        }
        if (!FitsInt64(Res))
            Overflow();
        return Variant(Currency::FromRaw(static_cast<int64_t>(Res)));
    }

    // Two integers.
    switch (AOp) {
    case TOp::Add: return Variant::FromInt64(X.I + Y.I);
    case TOp::Sub: return Variant::FromInt64(X.I - Y.I);
    case TOp::Mul: return Variant::FromInt64(X.I * Y.I);
    case TOp::Div:
        if (Y.I == 0)
            ZeroDivide();
        return Variant(static_cast<double>(X.I) / static_cast<double>(Y.I));
    }
    return Variant();
}

// Ordering of two values; unordered when Null takes part (or NaN).
std::partial_ordering Compare(const Variant& A, const Variant& B)
{
    const VarType TA = A.Type();
    const VarType TB = B.Type();
    if (TA == VarType::Null || TB == VarType::Null)
        return std::partial_ordering::unordered;
    const bool TextA = TA == VarType::String || TA == VarType::Empty;
    const bool TextB = TB == VarType::String || TB == VarType::Empty;
    if (TextA && TextB)
        return QString::compare(A.AsText(), B.AsText(), Qt::CaseSensitive) <=> 0;
    if ((TA == VarType::Boolean && TB == VarType::String) || (TA == VarType::String && TB == VarType::Boolean))
        return (A.ToBool() ? -1 : 0) <=> (B.ToBool() ? -1 : 0);

    const TNum X = ToNum(A);
    const TNum Y = ToNum(B);
    const bool ExactX = X.K == TNum::nkInt || X.K == TNum::nkCurr;
    const bool ExactY = Y.K == TNum::nkInt || Y.K == TNum::nkCurr;
    if (ExactX && ExactY)
        return X.Scaled() <=> Y.Scaled();
    return X.Real() <=> Y.Real();
}

}  // namespace

// ---------------------------------------------------------------------------
// Currency

Currency Currency::FromDouble(double AValue)
{
    const long double Scaled = static_cast<long double>(AValue) * CurrScale;
    // 2^63: the first value past the range.
    constexpr long double Limit = 9223372036854775808.0L;
    if (!std::isfinite(Scaled) || std::fabs(Scaled) >= Limit - 0.5L)
        throw EConvertError(QStringLiteral("'%1' is not a valid currency value").arg(FloatToStr(AValue)));
    return FromRaw(static_cast<int64_t>(std::llroundl(Scaled)));
}

Currency Currency::FromInt(int64_t AValue)
{
    constexpr int64_t Limit = INT64_MAX / CurrScale;
    if (AValue > Limit || AValue < -Limit)
        throw EConvertError(QStringLiteral("'%1' is not a valid currency value").arg(AValue));
    return FromRaw(AValue * CurrScale);
}

QString Currency::ToString() const
{
    const bool Neg = Raw < 0;
    const uint64_t Abs = Neg ? 0 - static_cast<uint64_t>(Raw) : static_cast<uint64_t>(Raw);
    QString Res = Neg ? QStringLiteral("-") : QString();
    Res += QString::number(Abs / CurrScale);
    QString Frac = QStringLiteral("%1").arg(Abs % CurrScale, 4, 10, QLatin1Char('0'));
    while (Frac.endsWith(QLatin1Char('0')))
        Frac.chop(1);
    if (!Frac.isEmpty())
        Res += DecimalSeparator() + Frac;
    return Res;
}

Currency Currency::FromString(const QString& AText)
{
    auto Fail = [&AText]() {
        return EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(AText));
    };
    double Check = 0;
    if (!TryStrToFloat(AText, Check)) {
        // A value too large for a double is too large for a currency too; a
        // tiny one was read as zero above. Only the syntax matters here.
        throw Fail();
    }
    // The syntax is known to be good: [sign] digits [sep digits] [E [sign] digits].
    const QString Text = AText.trimmed();
    const QChar Sep = DecimalSeparator();
    int I = 0;
    bool Neg = false;
    if (Text[I] == QLatin1Char('+') || Text[I] == QLatin1Char('-'))
        Neg = Text[I++] == QLatin1Char('-');
    std::string Digits;
    int FracDigits = 0;
    bool InFrac = false;
    for (; I < Text.size() && Text[I] != QLatin1Char('e') && Text[I] != QLatin1Char('E'); ++I) {
        if (Text[I] == Sep) {
            InFrac = true;
            continue;
        }
        Digits += Text[I].toLatin1();
        if (InFrac)
            ++FracDigits;
    }
    long Exp = 0;
    if (I < Text.size()) {
        const QString ExpText = Text.mid(I + 1);
        bool Ok = false;
        Exp = ExpText.toLong(&Ok);
        if (!Ok)  // more digits than a long holds
            Exp = ExpText.startsWith(QLatin1Char('-')) ? -1000000 : 1000000;
        Exp = std::clamp(Exp, -1000000L, 1000000L);
    }
    const auto First = Digits.find_first_not_of('0');
    Digits = First == std::string::npos ? std::string() : Digits.substr(First);
    // Value = Digits / 10^Scale; the result counts 1/10000.
    const long Shift = 4 - (FracDigits - Exp);  // multiply Digits by 10^Shift
    bool Up = false;
    if (Shift >= 0) {
        if (!Digits.empty())
            Digits.append(static_cast<size_t>(std::min<long>(Shift, 40)), '0');
    } else {
        const long Drop = -Shift;
        if (Drop > static_cast<long>(Digits.size())) {
            Digits.clear();
        } else {
            Up = Digits[Digits.size() - Drop] >= '5';
            Digits.resize(Digits.size() - Drop);
        }
    }
    if (Digits.size() > 20)
        throw Fail();
    Int128 Value = 0;
    for (char C : Digits)
        Value = Value * 10 + (C - '0');
    if (Up)
        ++Value;
    if (Neg)
        Value = -Value;
    if (!FitsInt64(Value))
        throw Fail();
    return FromRaw(static_cast<int64_t>(Value));
}

// ---------------------------------------------------------------------------
// Variant

Variant Variant::Null()
{
    Variant V;
    V.FType = VarType::Null;
    return V;
}

Variant Variant::FromDate(TDateTime ADate)
{
    Variant V(ADate);
    V.FType = VarType::Date;
    return V;
}

Variant Variant::FromInt64(int64_t AValue)
{
    if (AValue >= INT_MIN && AValue <= INT_MAX)
        return Variant(static_cast<int>(AValue));
    return Variant(static_cast<double>(AValue));
}

bool Variant::IsNumeric() const
{
    return FType == VarType::Integer || FType == VarType::Double || FType == VarType::Currency;
}

QString Variant::TypeName(VarType AType)
{
    switch (AType) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::Null: return QStringLiteral("Null");
    case VarType::Integer: return QStringLiteral("Integer");
    case VarType::Double: return QStringLiteral("Double");
    case VarType::Currency: return QStringLiteral("Currency");
    case VarType::Date: return QStringLiteral("Date");
    case VarType::Boolean: return QStringLiteral("Boolean");
    case VarType::String: return QStringLiteral("String");
    }
    return QStringLiteral("Unknown");
}

int Variant::ToInt() const
{
    int Res = 0;
    switch (FType) {
    case VarType::Empty: return 0;
    case VarType::Integer: return FInt;
    case VarType::Boolean: return FBool ? -1 : 0;
    case VarType::Double:
    case VarType::Date:
        if (!BankersRound(FDouble, Res))
            InvalidOp();
        return Res;
    case VarType::Currency: {
        // Exact: halves of a currency are decided on its own digits.
        int64_t Q = FCurrRaw / CurrScale;
        const int64_t R = FCurrRaw % CurrScale;
        if (2 * std::llabs(R) > CurrScale || (2 * std::llabs(R) == CurrScale && Q % 2 != 0))
            Q += R < 0 ? -1 : 1;
        if (Q < INT_MIN || Q > INT_MAX)
            InvalidOp();
        return static_cast<int>(Q);
    }
    case VarType::String: {
        if (TryStrToInt(FStr, Res))
            return Res;
        double D = 0;
        if (!TryStrToFloat(FStr, D))
            CastError(VarType::String, VarType::Integer);
        if (!BankersRound(D, Res))
            InvalidOp();
        return Res;
    }
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::Integer);
}

double Variant::ToDouble() const
{
    double Res = 0;
    switch (FType) {
    case VarType::Empty: return 0;
    case VarType::Integer: return FInt;
    case VarType::Boolean: return FBool ? -1 : 0;
    case VarType::Double:
    case VarType::Date: return FDouble;
    case VarType::Currency: return Currency::FromRaw(FCurrRaw).ToDouble();
    case VarType::String:
        if (!TryStrToFloat(FStr, Res))
            CastError(VarType::String, VarType::Double);
        return Res;
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::Double);
}

Currency Variant::ToCurrency() const
{
    switch (FType) {
    case VarType::Empty: return Currency();
    case VarType::Integer: return Currency::FromInt(FInt);
    case VarType::Boolean: return Currency::FromInt(FBool ? -1 : 0);
    case VarType::Currency: return Currency::FromRaw(FCurrRaw);
    case VarType::Double:
    case VarType::Date:
        try {
            return Currency::FromDouble(FDouble);
        } catch (const EConvertError&) {
            InvalidOp();
        }
    case VarType::String:
        try {
            return Currency::FromString(FStr);
        } catch (const EConvertError&) {
            CastError(VarType::String, VarType::Currency);
        }
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::Currency);
}

bool Variant::ToBool() const
{
    bool Res = false;
    switch (FType) {
    case VarType::Empty: return false;
    case VarType::Integer: return FInt != 0;
    case VarType::Boolean: return FBool;
    case VarType::Double:
    case VarType::Date: return FDouble != 0;
    case VarType::Currency: return FCurrRaw != 0;
    case VarType::String:
        if (!TryStrToBool(FStr, Res))
            CastError(VarType::String, VarType::Boolean);
        return Res;
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::Boolean);
}

TDateTime Variant::ToDate() const
{
    switch (FType) {
    case VarType::Empty: return 0;
    case VarType::Integer: return FInt;
    case VarType::Boolean: return FBool ? -1 : 0;
    case VarType::Double:
    case VarType::Date: return FDouble;
    case VarType::Currency: return Currency::FromRaw(FCurrRaw).ToDouble();
    case VarType::String:
        try {
            return StrToDateTime(FStr);
        } catch (const EConvertError&) {
            CastError(VarType::String, VarType::Date);
        }
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::Date);
}

QString Variant::ToString() const
{
    switch (FType) {
    case VarType::Empty: return QString();
    case VarType::Integer: return QString::number(FInt);
    case VarType::Boolean: return FBool ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Double: return FloatToStr(FDouble);
    case VarType::Date:
        try {
            return DateTimeToStr(FDouble);
        } catch (const EConvertError&) {
            CastError(VarType::Date, VarType::String);
        }
    case VarType::Currency: return Currency::FromRaw(FCurrRaw).ToString();
    case VarType::String: return FStr;
    case VarType::Null:
        break;
    }
    CastError(FType, VarType::String);
}

QString Variant::AsText() const
{
    return IsEmptyOrNull() ? QString() : ToString();
}

Variant operator+(const Variant& A, const Variant& B) { return Arith(A, B, TOp::Add); }
Variant operator-(const Variant& A, const Variant& B) { return Arith(A, B, TOp::Sub); }
Variant operator*(const Variant& A, const Variant& B) { return Arith(A, B, TOp::Mul); }
Variant operator/(const Variant& A, const Variant& B) { return Arith(A, B, TOp::Div); }

Variant Variant::operator-() const
{
    switch (FType) {
    case VarType::Null: return Null();
    case VarType::Empty: return Variant(0);
    case VarType::Integer:
    case VarType::Boolean: return FromInt64(-static_cast<int64_t>(ToInt()));
    case VarType::Double: return Variant(-FDouble);
    case VarType::Date: return FromDate(-FDouble);
    case VarType::Currency:
        if (FCurrRaw == INT64_MIN)
            Overflow();
        return Variant(Currency::FromRaw(-FCurrRaw));
    case VarType::String: return Variant(-ToDouble());
    }
    return Variant();
}

bool operator==(const Variant& A, const Variant& B)
{
    if (A.IsNull() || B.IsNull())
        return A.IsNull() && B.IsNull();
    return Compare(A, B) == std::partial_ordering::equivalent;
}

bool operator<(const Variant& A, const Variant& B)
{
    return Compare(A, B) == std::partial_ordering::less;
}

bool operator<=(const Variant& A, const Variant& B)
{
    const auto Ord = Compare(A, B);
    return Ord == std::partial_ordering::less || Ord == std::partial_ordering::equivalent;
}

// ---------------------------------------------------------------------------

void VarNotNull(const Variant& AValue)
{
    if (AValue.IsEmpty())
        throw EVariantError(QStringLiteral("Variant is empty"));
    if (AValue.IsNull())
        throw EVariantError(QStringLiteral("Variant is null"));
}

int VarToIntNotNull(const Variant& AValue)
{
    VarNotNull(AValue);
    return AValue.ToInt();
}
