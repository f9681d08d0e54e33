#pragma once

#include <QtGlobal>

#include <limits>

// The stock counts (QUANTITY, SUB_ITEMS, RECEIVED_QUANTITY) are INT columns. Sums and products of counts are
// made in 64 bits and checked against these bounds before anything is written, so that no count wraps.
constexpr qint64 MIN_STOCK_COUNT = std::numeric_limits<qint32>::min();
constexpr qint64 MAX_STOCK_COUNT = std::numeric_limits<qint32>::max();

inline bool FitsStockColumn(qint64 count)
{
    return count >= MIN_STOCK_COUNT && count <= MAX_STOCK_COUNT;
}
