// Basic runtime: exceptions, Format, number/date text conversions, rounding.
#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <exception>
#include <string>

class Variant;

// Base of every exception the program raises; its text is what the user sees.
class Exception : public std::exception {
public:
    explicit Exception(QString AMessage);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

class EConvertError : public Exception { using Exception::Exception; };
class EVariantError : public Exception { using Exception::Exception; };
class EZeroDivide : public Exception { using Exception::Exception; };

// Format with "%s", "%d", "%g", "%f", "%x", "%%" and indexed placeholders
// ("%0:s"); an unindexed placeholder after an indexed one takes the next
// argument. Width "%5d", left alignment "%-5s" and precision "%.2f" work too.
// A placeholder whose argument is missing or of the wrong kind raises
// EConvertError "Format '<fmt>' invalid or incompatible with argument".
//
// Placeholder: "%" [index ":"] ["-"] [width] ["." precision] type, where width
// and precision may be "*" (taken from the next argument, an Integer). Types
// (upper case works too):
//   d  Integer, decimal; precision = minimum number of digits (zero padded)
//   u  Integer read as unsigned 32 bits
//   x  Integer, upper-case hexadecimal (two's complement); precision as for d
//   s  String (unassigned gives ""); precision cuts the text
//   g  Double, Currency or Integer: general form, precision significant
//      digits (default 15), exponent form as FloatToStr
//   f  as g: fixed, precision decimals (default 2)
//   e  as g: "d.ddd…E+ddd", precision significant digits (default 15)
//   n  as f with thousands separators
//   m  as n followed by " " and CurrencyString() when that is not empty
// The width pads with blanks on the left, or on the right after "-".
// Numbers use DecimalSeparator(); decimal digits are rounded half away from
// zero after the value has been written with 18 significant digits.
QString Format(const QString& AFormat, const QList<Variant>& AArgs);

// Decimal separator used for every number shown or read. It is taken from the
// system locale once; tests (and nothing else) may pin it.
QChar DecimalSeparator();
void SetDecimalSeparator(QChar ASep);
// Thousands separator of "%n"/"%m": the system locale's group separator, a
// blank when that equals the decimal separator; pinnable like the above.
QChar ThousandSeparator();
void SetThousandSeparator(QChar ASep);
// Currency symbol of "%m" (system locale); pinnable like the above.
QString CurrencyString();
void SetCurrencyString(const QString& AText);

// Shortest text of a double (15 significant digits), locale separator. Plain
// digits while the decimal exponent lies in [-4, 14]; otherwise the exponent
// form "1E20", "1,5E-5" (no plus sign, no leading zeros). NaN and infinities
// give "NAN", "INF", "-INF".
QString FloatToStr(double AValue);
// Reads a number written with the locale separator; surrounding blanks are
// allowed, as are a sign and an exponent ("1E5"). Raises EConvertError
// "'%s' is not a valid floating point value".
double StrToFloat(const QString& AText);
bool TryStrToFloat(const QString& AText, double& AValue);
// Reads a 32-bit decimal integer (surrounding blanks and a sign allowed);
// raises EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString& AText);
bool TryStrToInt(const QString& AText, int& AValue);

// Rounding half away from zero to ADigits decimals: with f = 10^-ADigits,
// trunc(x / f + 0.5) * f for x >= 0 and trunc(x / f - 0.5) * f for x < 0,
// computed in long double. x / f is formed as x * 10^ADigits with the exact
// power of ten (10^-2 itself has no exact binary form and would turn the
// exact half 0.125 into 12.4999... and so 0.12). A negative ADigits rounds to
// tens, hundreds... So RoundTo(2.0051, 2) = 2.01, RoundTo(0.125, 2) = 0.13,
// RoundTo(-2.5, 0) = -3, while 1.005 (stored as 1.00499999999999989...) gives 1.
double RoundTo(double AValue, int ADigits);

// Dates are day numbers counted from 1899-12-30; the fraction is the time of
// day. Before that day the whole part counts back while the fraction still
// counts forward (-1.25 is 1899-12-29 06:00).
using TDateTime = double;
// Raises EConvertError "Invalid argument to date encode" for a date that does
// not exist (years 1 to 9999).
TDateTime EncodeDate(int AYear, int AMonth, int ADay);
// Raises EConvertError "Invalid argument to time encode" outside 0:00:00.000
// to 23:59:59.999.
TDateTime EncodeTime(int AHour, int AMin, int ASec, int AMSec = 0);
// Raises EConvertError "Invalid date value" for a day outside years 1 to 9999.
void DecodeDate(TDateTime ADate, int& AYear, int& AMonth, int& ADay);
// The time of day, rounded to the millisecond.
void DecodeTime(TDateTime ATime, int& AHour, int& AMin, int& ASec, int& AMSec);
TDateTime Date();  // today, no fraction
TDateTime Now();
// "dd.MM.yyyy", with " hh:mm:ss" added when the value has a time of day
// (milliseconds alone do not count).
QString DateTimeToStr(TDateTime AValue);
QString DateToStr(TDateTime AValue);
// Reads "d.M.yyyy" (optionally followed by "h:mm[:ss]"); raises EConvertError
// "'%s' is not a valid date". A year of one or two digits is placed in the
// hundred years that start 50 years before the current year.
TDateTime StrToDateTime(const QString& AText);
