#include "PackedRow.h"

#include <QString>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

enum : uint8_t {
    tgEmpty,
    tgNull,
    tgInt8,
    tgInt16,
    tgInt32,
    tgCurrency32,  // raw amount that fits 32 bits
    tgCurrency64,
    tgDouble,
    tgDay,
    tgDateTime,
    tgFalse,
    tgTrue,
    tgUtf8,
    tgLatin1,
};

template <typename T>
T Load(const char*& APos)
{
    T value;
    std::memcpy(&value, APos, sizeof value);
    APos += sizeof value;
    return value;
}

// Text length: seven bits a byte, low bits first, high bit set on all but the last.
size_t LoadLength(const char*& APos)
{
    size_t length = 0;
    int shift = 0;
    for (;;) {
        const auto b = static_cast<uint8_t>(*APos++);
        length |= static_cast<size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return length;
        shift += 7;
    }
}

}  // namespace

void TPackedWriter::Empty() { Tag(tgEmpty); }

void TPackedWriter::Null() { Tag(tgNull); }

void TPackedWriter::Int(int AValue)
{
    if (AValue >= std::numeric_limits<int8_t>::min() && AValue <= std::numeric_limits<int8_t>::max()) {
        Tag(tgInt8);
        const auto v = static_cast<int8_t>(AValue);
        Bytes(&v, sizeof v);
    } else if (AValue >= std::numeric_limits<int16_t>::min() && AValue <= std::numeric_limits<int16_t>::max()) {
        Tag(tgInt16);
        const auto v = static_cast<int16_t>(AValue);
        Bytes(&v, sizeof v);
    } else {
        Tag(tgInt32);
        const auto v = static_cast<int32_t>(AValue);
        Bytes(&v, sizeof v);
    }
}

void TPackedWriter::Currency(int64_t ARaw)
{
    if (ARaw >= std::numeric_limits<int32_t>::min() && ARaw <= std::numeric_limits<int32_t>::max()) {
        Tag(tgCurrency32);
        const auto v = static_cast<int32_t>(ARaw);
        Bytes(&v, sizeof v);
    } else {
        Tag(tgCurrency64);
        Bytes(&ARaw, sizeof ARaw);
    }
}

void TPackedWriter::Double(double AValue)
{
    Tag(tgDouble);
    Bytes(&AValue, sizeof AValue);
}

void TPackedWriter::Day(int32_t ADay)
{
    Tag(tgDay);
    Bytes(&ADay, sizeof ADay);
}

void TPackedWriter::DateTime(double AValue)
{
    Tag(tgDateTime);
    Bytes(&AValue, sizeof AValue);
}

void TPackedWriter::Bool(bool AValue) { Tag(AValue ? tgTrue : tgFalse); }

void TPackedWriter::Text(uint8_t ATag, const char* AData, size_t ALength)
{
    Tag(ATag);
    size_t n = ALength;
    do {
        uint8_t b = n & 0x7F;
        n >>= 7;
        if (n) b |= 0x80;
        FOut.push_back(static_cast<char>(b));
    } while (n);
    Bytes(AData, ALength);
}

void TPackedWriter::Utf8(const char* AData, size_t ALength) { Text(tgUtf8, AData, ALength); }

void TPackedWriter::Latin1(const char* AData, size_t ALength) { Text(tgLatin1, AData, ALength); }

void TPackedWriter::Value(const Variant& AValue)
{
    switch (AValue.Type()) {
    case VarType::Empty: Empty(); break;
    case VarType::Null: Null(); break;
    case VarType::Integer: Int(AValue.ToInt()); break;
    case VarType::Double: Double(AValue.ToDouble()); break;
    case VarType::Currency: Currency(AValue.ToCurrency().Raw); break;
    case VarType::Date: {
        const double d = AValue.ToDate();
        if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max()
            && d == std::trunc(d))
            Day(static_cast<int32_t>(d));
        else
            DateTime(d);
        break;
    }
    case VarType::Boolean: Bool(AValue.ToBool()); break;
    case VarType::String: {
        const QByteArray utf8 = AValue.ToString().toUtf8();
        Utf8(utf8.constData(), static_cast<size_t>(utf8.size()));
        break;
    }
    }
}

Variant PackedRead(const char*& APos)
{
    const auto tag = static_cast<uint8_t>(*APos++);
    switch (tag) {
    case tgEmpty: return Variant();
    case tgNull: return Variant::Null();
    case tgInt8: return Variant(static_cast<int>(Load<int8_t>(APos)));
    case tgInt16: return Variant(static_cast<int>(Load<int16_t>(APos)));
    case tgInt32: return Variant(static_cast<int>(Load<int32_t>(APos)));
    case tgCurrency32: return Variant(Currency::FromRaw(Load<int32_t>(APos)));
    case tgCurrency64: return Variant(Currency::FromRaw(Load<int64_t>(APos)));
    case tgDouble: return Variant(Load<double>(APos));
    case tgDay: return Variant::FromDate(static_cast<double>(Load<int32_t>(APos)));
    case tgDateTime: return Variant::FromDate(Load<double>(APos));
    case tgFalse: return Variant(false);
    case tgTrue: return Variant(true);
    case tgUtf8:
    case tgLatin1: {
        const size_t length = LoadLength(APos);
        const char* data = APos;
        APos += length;
        const auto n = static_cast<qsizetype>(length);
        return Variant(tag == tgUtf8 ? QString::fromUtf8(data, n) : QString::fromLatin1(data, n));
    }
    default:
        throw Exception(QStringLiteral("PackedRead: неизвестный тег значения %1").arg(tag));
    }
}

void PackedSkip(const char*& APos)
{
    const auto tag = static_cast<uint8_t>(*APos++);
    switch (tag) {
    case tgEmpty:
    case tgNull:
    case tgFalse:
    case tgTrue: return;
    case tgInt8: APos += 1; return;
    case tgInt16: APos += 2; return;
    case tgInt32:
    case tgCurrency32:
    case tgDay: APos += 4; return;
    case tgCurrency64:
    case tgDouble:
    case tgDateTime: APos += 8; return;
    case tgUtf8:
    case tgLatin1: {
        const size_t length = LoadLength(APos);
        APos += length;
        return;
    }
    default:
        throw Exception(QStringLiteral("PackedSkip: неизвестный тег значения %1").arg(tag));
    }
}
