// The rows a grid window has fetched: one entry per grid row, each the
// values of one result row in result-column order (value 0 is the record
// id), with the row's check mark. Rows are kept packed (PackedRow.h) in
// large shared blocks, so a grid over a very long select holds each fetched
// row in a few dozen bytes; values come back as variants.
#pragma once

#include "core/IBX.h"
#include "core/Variant.h"

#include <memory>
#include <string>
#include <vector>

// The values of one row in result-column order.
using TRow = std::vector<Variant>;

class TRowList {
public:
    TRowList();
    ~TRowList();
    TRowList(const TRowList&) = delete;
    TRowList& operator=(const TRowList&) = delete;

    int Count() const { return static_cast<int>(FRows.size()); }
    // Number of values of every row; rows added later must have as many.
    int ColCount() const { return FColCount; }

    Variant Value(int ARow, int ACol) const;
    TRow Row(int ARow) const;
    // Replaces one value of a row.
    void SetValue(int ARow, int ACol, const Variant& AValue);

    // Appends the current row of an executed statement; the first row added
    // after Clear sets the column count to the statement's.
    void Append(const TIBSQL& ASql);
    // Inserts a row before ARow (ARow = Count appends), unchecked.
    void Insert(int ARow, const TRow& AValues);
    // Replaces a row by the current row of an executed statement; its check
    // mark stays.
    void Replace(int ARow, const TIBSQL& ASql);
    void Delete(int ARow);
    // Forgets every row and frees their memory.
    void Clear();

    bool Checked(int ARow) const;
    void SetChecked(int ARow, bool AChecked);

private:
    // Copies a packed row (flag byte first) into the blocks; answers its place.
    char* Store(const std::string& APacked);
    void CheckRow(int ARow, const char* AOperation) const;
    void CheckCol(int ACol, const char* AOperation) const;
    void CheckWidth(const TIBSQL& ASql);
    // Position of value ACol in a stored row.
    static const char* ValuePos(const char* ARow, int ACol);

    std::vector<char*> FRows;                    // entry per row: flag byte, then the packed values
    std::vector<std::unique_ptr<char[]>> FBlocks;  // storage the entries point into
    char* FFree = nullptr;                       // unused part of the last block
    size_t FFreeSize = 0;
    int FColCount = 0;
    std::string FBuffer;                         // scratch for packing one row
};
