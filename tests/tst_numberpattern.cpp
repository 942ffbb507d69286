// A message pattern cut once and filled by hand says what QString::arg says: random patterns
// (places in any order, repeated, next to text and to each other, Chinese and "%" that is
// no place) with random numbers, against arg() with the numbers as strings.
#include "numberpattern.h"

#include <QRandomGenerator>
#include <QtTest>

#include <limits>

class TestNumberPattern : public QObject
{
    Q_OBJECT
private slots:
    void fillsAsArgDoes()
    {
        QRandomGenerator gen(20261207);
        const QStringList pieces = {QStringLiteral("数据时间戳异常 地址"),
                                    QStringLiteral("  "),
                                    QStringLiteral("%RH"),
                                    QStringLiteral("%"),
                                    QStringLiteral("rec_i "),
                                    QStringLiteral("…")};
        const qint64 extremes[] = {0, -1, 1, std::numeric_limits<qint64>::min(),
                                   std::numeric_limits<qint64>::max()};
        for (int round = 0; round < 2000; ++round) {
            // Places 1..n, each at least once, shuffled among text pieces.
            const int n = 1 + int(gen.bounded(4));
            QVector<int> places;
            for (int k = 1; k <= n; ++k)
                places.append(k);
            for (int extra = int(gen.bounded(3)); extra > 0; --extra)
                places.append(1 + int(gen.bounded(n)));
            std::shuffle(places.begin(), places.end(), gen);
            QString pattern;
            for (int place : places) {
                if (gen.bounded(2))
                    pattern += pieces.at(int(gen.bounded(pieces.size())));
                pattern += QLatin1Char('%') + QString::number(place);
            }
            if (gen.bounded(2))
                pattern += pieces.at(int(gen.bounded(pieces.size())));
            qint64 v[4];
            QStringList text;
            for (qint64& x : v) {
                x = gen.bounded(4) == 0 ? extremes[gen.bounded(5)]
                                        : qint64(gen.generate64() >> gen.bounded(64));
                text << QString::number(x);
            }
            const QString expected = pattern.arg(text.at(0), text.at(1), text.at(2), text.at(3));
            QCOMPARE(NumberPattern(pattern).fill({v[0], v[1], v[2], v[3]}), expected);
        }
    }

    // Fewer numbers than places: the rest stay, as a message without them would show.
    void placesWithoutNumbersStay()
    {
        QCOMPARE(NumberPattern(QStringLiteral("%2 / %1 / %3")).fill({7}),
                 QStringLiteral("%2 / 7 / %3"));
        QCOMPARE(NumberPattern(QStringLiteral("no place")).fill({1, 2}),
                 QStringLiteral("no place"));
    }
};

QTEST_APPLESS_MAIN(TestNumberPattern)
#include "tst_numberpattern.moc"
