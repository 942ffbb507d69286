#pragma once

#include <QStringList>

class QTableWidget;

namespace ColumnFit {

// The least width at which table shows every column whole, without a horizontal scroll
// bar: a column of fixed width at that width, every other as wide as its header, its cells
// and typical[c] ask (a text the column commonly holds, so that the width is right before
// the first rows come; may be missing), plus the frame and room for a vertical scroll bar.
int wholeWidth(const QTableWidget& table, const QStringList& typical);

} // namespace ColumnFit
