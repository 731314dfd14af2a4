// Packed rows: the values of one row as a short run of bytes, for keeping
// many fetched rows in little memory. Every value is one tag byte followed by
// its payload (small integers and money amounts take fewer bytes, texts are
// kept as UTF-8 or Latin-1 bytes with a length prefix), and reading a value
// back gives exactly the variant that was packed: its type and its value.
#pragma once

#include "Variant.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Appends packed values to a byte string.
class TPackedWriter {
public:
    explicit TPackedWriter(std::string& AOut) : FOut(AOut) {}

    void Empty();
    void Null();
    void Int(int AValue);
    void Currency(int64_t ARaw);
    void Double(double AValue);
    void Day(int32_t ADay);         // a date without time (day number)
    void DateTime(double AValue);   // a date with time
    void Bool(bool AValue);
    void Utf8(const char* AData, size_t ALength);
    void Latin1(const char* AData, size_t ALength);
    // Any variant, in the most compact form of its type.
    void Value(const Variant& AValue);

private:
    void Tag(uint8_t ATag) { FOut.push_back(static_cast<char>(ATag)); }
    void Bytes(const void* AData, size_t ALength) { FOut.append(static_cast<const char*>(AData), ALength); }
    void Text(uint8_t ATag, const char* AData, size_t ALength);
    std::string& FOut;
};

// Reads the value at APos and moves APos past it.
Variant PackedRead(const char*& APos);
// Moves APos past the value there without reading it.
void PackedSkip(const char*& APos);
