// Field values: the variant type and the currency type.
#pragma once

#include "SysUtils.h"

#include <QString>
#include <cstdint>

// Fixed point with four decimals in a signed 64-bit count of 1/10000.
struct Currency {
    int64_t Raw = 0;

    static Currency FromRaw(int64_t ARaw) { return Currency{ARaw}; }
    // Rounds half away from zero to four decimals; raises EConvertError
    // "'<value>' is not a valid currency value" when the value lies outside
    // the currency range (or is no number).
    static Currency FromDouble(double AValue);
    static Currency FromInt(int64_t AValue);  // EConvertError outside the range
    double ToDouble() const { return static_cast<double>(Raw) / 10000.0; }
    // Shortest text: locale separator, no thousands separator, no trailing zeros.
    QString ToString() const;
    // Reads a number with the locale separator (syntax of StrToFloat), exactly,
    // rounded half away from zero to four decimals; raises EConvertError
    // "'%s' is not a valid floating point value" for bad text or out of range.
    static Currency FromString(const QString& AText);

    friend bool operator==(Currency A, Currency B) { return A.Raw == B.Raw; }
    friend bool operator!=(Currency A, Currency B) { return A.Raw != B.Raw; }
    friend bool operator<(Currency A, Currency B) { return A.Raw < B.Raw; }
};

enum class VarType { Empty, Null, Integer, Double, Currency, Date, Boolean, String };

// A field value. Unassigned (Empty) differs from Null: it converts to 0, ""
// or false without error and is written to the database as NULL. Null
// compares equal only to Null, propagates through arithmetic and fails every
// strict conversion; AsText() gives "" for it.
class Variant {
public:
    Variant() = default;  // unassigned
    Variant(int AValue) : FType(VarType::Integer), FInt(AValue) {}
    Variant(double AValue) : FType(VarType::Double), FDouble(AValue) {}
    Variant(Currency AValue) : FType(VarType::Currency), FCurrRaw(AValue.Raw) {}
    Variant(bool AValue) : FType(VarType::Boolean), FBool(AValue) {}
    Variant(const QString& AValue) : FType(VarType::String), FStr(AValue) {}
    Variant(const char* AValue) : FType(VarType::String), FStr(QString::fromUtf8(AValue)) {}

    static Variant Null();
    static Variant FromDate(TDateTime ADate);
    // A 64-bit integer: an Integer when it fits 32 bits, a Double otherwise.
    static Variant FromInt64(int64_t AValue);

    VarType Type() const { return FType; }
    bool IsEmpty() const { return FType == VarType::Empty; }
    bool IsNull() const { return FType == VarType::Null; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
    bool IsNumeric() const;  // Integer, Double, Currency

    // Strict conversions: Null raises EVariantError "Could not convert variant
    // of type (Null) into type (<target>)"; a text that is no number/date raises
    // EVariantError "Could not convert variant of type (String) into type (...)";
    // a number outside the target range raises EVariantError "Invalid variant operation".
    // Unassigned gives 0, false, "" (day 0 for a date).
    // Boolean as a number is -1 (true) or 0. ToInt rounds a Double, Date or
    // Currency to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4), and
    // reads a text as an integer or else as a number rounded so. ToBool: a
    // number is true when not zero; a text is "True"/"False" (any case) or a
    // number. ToString: Integer in decimal, Double by FloatToStr, Currency by
    // Currency::ToString, Date by DateTimeToStr, Boolean "True"/"False".
    int ToInt() const;
    double ToDouble() const;
    Currency ToCurrency() const;
    bool ToBool() const;
    TDateTime ToDate() const;
    QString ToString() const;
    // Lenient text: Null and unassigned give "".
    QString AsText() const;

    // Arithmetic: Null operand -> Null; unassigned counts as 0 (or "" with a
    // string). Integer +,-,* overflowing 32 bits gives a Double. Division is
    // real division; dividing by zero raises EZeroDivide "Division by zero".
    // Two strings under + concatenate; a string with a number is read as a
    // number (a Double; bad text raises the String->Double conversion error),
    // and so are two strings under -, * and /.
    // Result types, Boolean counting as Integer (-1/0):
    //   a Date takes part: Date for + and - (but Date - Date is a Double),
    //                      Double for * and /
    //   a Double takes part: Double
    //   a Currency with Integer/Currency: Currency, exact (128-bit intermediate),
    //                      products and quotients rounded half away from zero
    //   Integer with Integer: Integer (Double on overflow); / gives a Double
    // A result outside the Currency range, or an infinite Double from finite
    // operands, raises EVariantError "Variant overflow".
    friend Variant operator+(const Variant& A, const Variant& B);
    friend Variant operator-(const Variant& A, const Variant& B);
    friend Variant operator*(const Variant& A, const Variant& B);
    friend Variant operator/(const Variant& A, const Variant& B);
    Variant operator-() const;

    // Comparisons: Null equals only Null; ordering with a Null operand is false.
    // Two strings compare as text (case-sensitive, by code unit; unassigned
    // counts as "" against a string); a Boolean against a string reads the
    // string as a Boolean; otherwise as numbers (a string read as a number,
    // failing as in arithmetic). Integer/Currency compare exactly.
    friend bool operator==(const Variant& A, const Variant& B);
    friend bool operator!=(const Variant& A, const Variant& B) { return !(A == B); }
    friend bool operator<(const Variant& A, const Variant& B);
    friend bool operator>(const Variant& A, const Variant& B) { return B < A; }
    friend bool operator<=(const Variant& A, const Variant& B);
    friend bool operator>=(const Variant& A, const Variant& B) { return B <= A; }

    // Type name as used in conversion messages ("Null", "Integer", "String"...).
    static QString TypeName(VarType AType);

private:
    VarType FType = VarType::Empty;
    union {
        int FInt = 0;
        double FDouble;  // also dates
        int64_t FCurrRaw;
        bool FBool;
    };
    QString FStr;
};

// Raises EVariantError "Variant is empty" for an unassigned value and
// EVariantError "Variant is null" for Null.
void VarNotNull(const Variant& AValue);
int VarToIntNotNull(const Variant& AValue);
