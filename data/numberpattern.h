#pragma once

#include <QString>
#include <QVector>

#include <algorithm>
#include <climits>
#include <initializer_list>

// The n that picks a message's plural form (tr()'s third argument) for a count that may not
// fit an int: a count past INT_MAX takes the form of INT_MAX, as large counts share one form;
// such a message shows the count itself through an ordinary place.
inline int numerus(qint64 count)
{
    return int(std::clamp<qint64>(count, 0, INT_MAX));
}

// A translated message whose places %1..%9 take whole numbers, cut at its places once, so
// that each message is then written into a single buffer. A reader may send millions of one
// message with other numbers (every record dropped after a clock was set back), and arg()
// would make a pass and a string per number. The translation may put the places in any order.
class NumberPattern
{
public:
    explicit NumberPattern(const QString& pattern);

    // The pattern with each %k replaced by the decimal digits of the k-th value, as
    // QString::arg with the numbers as strings would; a place without a value stays as it is.
    QString fill(std::initializer_list<qint64> values) const;

private:
    QVector<QString> m_texts; // the text before each place, then the text after the last
    QVector<int> m_places;    // the number of each place, 1 to 9
    int m_textLength = 0;
};
