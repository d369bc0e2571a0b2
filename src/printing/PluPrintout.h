#pragma once

#include "database/PluCells.h"

#include <QString>
#include <QStringList>

class PluTable;

// The printed listing of the PLU table: the text the printing wizard shows
// and prints, built from the table one PLU at a time.
namespace PluPrintout {

// The optional fields, in the order they are printed. Code and description
// are always printed.
struct Fields {
    bool Description2 = false;
    bool Price = false;
    bool NetPrice = false;
    bool Department = false;
    bool Unit = false;
    bool Active = false;
    bool StockProgrammed = false;
    bool Barcode = false;
    bool Stock = false;
};

enum class Layout { Matrix, Horizontal };

struct Choice {
    Fields Printed;
    Layout Form = Layout::Matrix;
    int From = 0;
    int To = 0;
    // Every PLU of the range, or only the active ones.
    bool AllPlus = false;
    PluCells::Style Style;
};

// The two title lines of the matrix layout: titles, then hyphens of the
// same widths.
[[nodiscard]] QStringList MatrixHeader(const Fields& printed, const PluCells::Style& style);

// Whether PLU n is listed under the choice.
[[nodiscard]] bool Listed(const PluTable& table, int n, const Choice& choice);

// Appends the lines of PLU n (one for the matrix, a block for the
// horizontal layout). The table is only read.
void AppendPlu(const PluTable& table, int n, const Choice& choice, QStringList& lines);

// The whole listing, for callers that need no progress.
[[nodiscard]] QStringList Build(const PluTable& table, const Choice& choice);

// Progress of a listing at PLU n, in percent of its range.
[[nodiscard]] int Percent(int n, int from, int to);

} // namespace PluPrintout
