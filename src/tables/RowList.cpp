#include "RowList.h"

#include "core/PackedRow.h"
#include "core/SysUtils.h"

#include <cstring>

namespace {
constexpr size_t kBlockSize = 64 * 1024;
constexpr char kChecked = 1;
}  // namespace

TRowList::TRowList() = default;

TRowList::~TRowList() = default;

void TRowList::CheckRow(int ARow, const char* AOperation) const
{
    if (ARow < 0 || ARow >= Count())
        throw Exception(Format(QStringLiteral("TRowList.%s: строки с номером %d нет (строк: %d)"),
                               {QString::fromLatin1(AOperation), ARow, Count()}));
}

void TRowList::CheckCol(int ACol, const char* AOperation) const
{
    if (ACol < 0 || ACol >= FColCount)
        throw Exception(Format(QStringLiteral("TRowList.%s: столбца с номером %d нет (столбцов: %d)"),
                               {QString::fromLatin1(AOperation), ACol, FColCount}));
}

void TRowList::CheckWidth(const TIBSQL& ASql)
{
    if (FRows.empty() && FColCount == 0) FColCount = ASql.FieldCount();
    if (ASql.FieldCount() != FColCount)
        throw Exception(Format(QStringLiteral("TRowList: в строке запроса %d значений, а в списке %d"),
                               {ASql.FieldCount(), FColCount}));
}

char* TRowList::Store(const std::string& APacked)
{
    const size_t size = APacked.size();
    if (size > FFreeSize) {
        // A long row gets a block of its own, and the free part of the
        // shared block stays usable.
        if (size > kBlockSize / 4) {
            FBlocks.push_back(std::make_unique_for_overwrite<char[]>(size));
            std::memcpy(FBlocks.back().get(), APacked.data(), size);
            return FBlocks.back().get();
        }
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        FFree = FBlocks.back().get();
        FFreeSize = kBlockSize;
    }
    char* place = FFree;
    std::memcpy(place, APacked.data(), size);
    FFree += size;
    FFreeSize -= size;
    return place;
}

const char* TRowList::ValuePos(const char* ARow, int ACol)
{
    const char* pos = ARow + 1;
    for (int i = 0; i < ACol; ++i) PackedSkip(pos);
    return pos;
}

Variant TRowList::Value(int ARow, int ACol) const
{
    CheckRow(ARow, "Value");
    CheckCol(ACol, "Value");
    const char* pos = ValuePos(FRows[ARow], ACol);
    return PackedRead(pos);
}

TRow TRowList::Row(int ARow) const
{
    CheckRow(ARow, "Row");
    TRow row;
    row.reserve(FColCount);
    const char* pos = FRows[ARow] + 1;
    for (int i = 0; i < FColCount; ++i) row.push_back(PackedRead(pos));
    return row;
}

void TRowList::SetValue(int ARow, int ACol, const Variant& AValue)
{
    CheckRow(ARow, "SetValue");
    CheckCol(ACol, "SetValue");
    TRow row = Row(ARow);
    row[ACol] = AValue;
    FBuffer.clear();
    FBuffer.push_back(FRows[ARow][0]);
    TPackedWriter w(FBuffer);
    for (const Variant& v : row) w.Value(v);
    // The old bytes stay in their block until Clear; changes are rare.
    FRows[ARow] = Store(FBuffer);
}

void TRowList::Append(const TIBSQL& ASql)
{
    CheckWidth(ASql);
    FBuffer.clear();
    FBuffer.push_back(0);
    ASql.PackRow(FBuffer);
    FRows.push_back(Store(FBuffer));
}

void TRowList::Insert(int ARow, const TRow& AValues)
{
    if (ARow < 0 || ARow > Count())
        throw Exception(Format(QStringLiteral("TRowList.Insert: строки с номером %d нет (строк: %d)"), {ARow, Count()}));
    if (FRows.empty() && FColCount == 0) FColCount = static_cast<int>(AValues.size());
    if (static_cast<int>(AValues.size()) != FColCount)
        throw Exception(Format(QStringLiteral("TRowList: в строке %d значений, а в списке %d"),
                               {static_cast<int>(AValues.size()), FColCount}));
    FBuffer.clear();
    FBuffer.push_back(0);
    TPackedWriter w(FBuffer);
    for (const Variant& v : AValues) w.Value(v);
    FRows.insert(FRows.begin() + ARow, Store(FBuffer));
}

void TRowList::Replace(int ARow, const TIBSQL& ASql)
{
    CheckRow(ARow, "Replace");
    CheckWidth(ASql);
    FBuffer.clear();
    FBuffer.push_back(FRows[ARow][0]);
    ASql.PackRow(FBuffer);
    FRows[ARow] = Store(FBuffer);
}

void TRowList::Delete(int ARow)
{
    CheckRow(ARow, "Delete");
    FRows.erase(FRows.begin() + ARow);
}

void TRowList::Clear()
{
    FRows.clear();
    FRows.shrink_to_fit();
    FBlocks.clear();
    FFree = nullptr;
    FFreeSize = 0;
    FColCount = 0;
}

bool TRowList::Checked(int ARow) const
{
    CheckRow(ARow, "Checked");
    return FRows[ARow][0] & kChecked;
}

void TRowList::SetChecked(int ARow, bool AChecked)
{
    CheckRow(ARow, "SetChecked");
    if (AChecked)
        FRows[ARow][0] |= kChecked;
    else
        FRows[ARow][0] &= ~kChecked;
}
