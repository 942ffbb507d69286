#include "tavrecords.h"
#include "vytabvern.h"

#include <QtTest>

Q_DECLARE_METATYPE(VernReadings)

namespace {

// Four curves, one of them hidden: rows 2 to 4 are "t", "h", "p".
const QList<CurveInfo> curves = {
    {true, "t", "#12AB34"}, {false, "hidden"}, {true, "h"}, {true, "p"}};

QStringList column(const VyTabVern& t, int col)
{
    QStringList texts;
    for (int r = 0; r < t.rowCount(); ++r)
        texts << (t.item(r, col) ? t.item(r, col)->text() : QStringLiteral("<none>"));
    return texts;
}

} // namespace

class TestTabVern : public QObject
{
    Q_OBJECT
private slots:
    void cells_data()
    {
        QTest::addColumn<VernReadings>("readings");
        QTest::addColumn<QStringList>("colA");
        QTest::addColumn<QStringList>("colB");
        QTest::addColumn<QStringList>("colDiff");
        const qint64 a = 1625097570; // 2021/06/30 23:59:30 UTC
        const QList<float> va = {25.04f, 999.0f, -3.26f};
        const QList<float> vb = {12.5f, 40.0f, MissingValue};
        const QStringList aText = {"2021/06/30", "23:59:30", "25.0", "-", "-3.3"};
        const QStringList bText = {"2021/07/01", "00:01:00", "12.5", "40.0", "-"};
        const QStringList empty = {"", "", "", "", ""};
        // clang-format off
        QTest::newRow("A only") << VernReadings{true, true, false, a, a + 90, va, vb} << aText << empty << empty;
        QTest::newRow("B only") << VernReadings{true, false, true, a, a + 90, va, vb} << empty << bText << empty;
        QTest::newRow("both, 90 s") << VernReadings{true, true, true, a, a + 90, va, vb} << aText << bText
            << QStringList{"(min)", "1.5", "-12.5", "-", "-"};
        QTest::newRow("B left of A") << VernReadings{true, true, true, a, a - 750, {1.0f, 2.0f, 3.0f}, {-1.5f, 2.0f, 0.5f}}
            << QStringList{"2021/06/30", "23:59:30", "1.0", "2.0", "3.0"}
            << QStringList{"2021/06/30", "23:47:00", "-1.5", "2.0", "0.5"}
            << QStringList{"(min)", "-12.5", "-2.5", "0.0", "-2.5"};
        // clang-format on
    }
    void cells()
    {
        QFETCH(VernReadings, readings);
        VyTabVern t;
        t.showReadings(readings, curves); // an empty table takes its rows from the curve list
        QCOMPARE(column(t, 0), QStringList({"日期", "时间", "t", "h", "p"}));
        QTEST(column(t, 2), "colA");
        QTEST(column(t, 3), "colB");
        QTEST(column(t, 4), "colDiff");
    }

    void keptText()
    {
        VyTabVern t;
        VernReadings r{false, true, true, 0, 0, {1, 2, 3}, {4, 5, 6}};
        t.showReadings(r, curves);
        QCOMPARE(t.rowCount(), 0); // no data: nothing happens
        r.hasData = true;
        t.showReadings(r, curves);
        // Shorter lists leave the rows beyond them as they were.
        r.valuesA = {7};
        r.valuesB = {9, 9};
        t.showReadings(r, curves);
        QCOMPARE(column(t, 2).mid(2), QStringList({"7.0", "2.0", "3.0"}));
        QCOMPARE(column(t, 3).mid(2), QStringList({"9.0", "9.0", "6.0"}));
        QCOMPARE(column(t, 4).mid(2), QStringList({"2.0", "3.0", "3.0"}));
        r.hasData = false;
        r.valuesA = {5, 5, 5, 5, 5};
        t.showReadings(r, curves);
        QCOMPARE(column(t, 2), QStringList({"1970/01/01", "00:00:00", "7.0", "2.0", "3.0"}));
    }
};

QTEST_MAIN(TestTabVern)
#include "tst_tabvern.moc"
