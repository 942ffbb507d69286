#include "tavrecords.h"
#include "vytabvern.h"

#include <QtTest>

namespace {

// Four curves, one of them hidden: rows 2 to 4 are "t", "h", "p".
QList<CurveInfo> curves()
{
    return {{true, "t", "#12AB34"}, {false, "hidden"}, {true, "h"}, {true, "p"}};
}

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
    void cells_data();
    void cells();
    void keptText();
};

void TestTabVern::cells_data()
{
    QTest::addColumn<bool>("drawA");
    QTest::addColumn<bool>("drawB");
    QTest::addColumn<qint64>("stampB");
    QTest::addColumn<QList<float>>("valuesA");
    QTest::addColumn<QList<float>>("valuesB");
    QTest::addColumn<QStringList>("colA");
    QTest::addColumn<QStringList>("colB");
    QTest::addColumn<QStringList>("colDiff");
    // Vernier A is at 2021/06/30 23:59:30 UTC throughout.
    const QList<float> a = {25.04f, 999.0f, -3.26f};
    const QList<float> b = {12.5f, 40.0f, MissingValue};
    const QStringList aText = {"2021/06/30", "23:59:30", "25.0", "-", "-3.3"};
    const QStringList bText = {"2021/07/01", "00:01:00", "12.5", "40.0", "-"};
    const QStringList empty = {"", "", "", "", ""};
    const qint64 later = 1625097570 + 90;
    // clang-format off
    QTest::newRow("A only") << true << false << later << a << b << aText << empty << empty;
    QTest::newRow("B only") << false << true << later << a << b << empty << bText << empty;
    QTest::newRow("both, 90 s") << true << true << later << a << b << aText << bText
                                << QStringList{"(min)", "1.5", "-12.5", "-", "-"};
    QTest::newRow("B left of A") << true << true << qint64(1625097570 - 750)
        << QList<float>{1.0f, 2.0f, 3.0f} << QList<float>{-1.5f, 2.0f, 0.5f}
        << QStringList{"2021/06/30", "23:59:30", "1.0", "2.0", "3.0"}
        << QStringList{"2021/06/30", "23:47:00", "-1.5", "2.0", "0.5"}
        << QStringList{"(min)", "-12.5", "-2.5", "0.0", "-2.5"};
    // clang-format on
}

void TestTabVern::cells()
{
    VernReadings r;
    r.hasData = true;
    QFETCH(bool, drawA);
    QFETCH(bool, drawB);
    QFETCH(qint64, stampB);
    QFETCH(QList<float>, valuesA);
    QFETCH(QList<float>, valuesB);
    r.drawA = drawA;
    r.drawB = drawB;
    r.stampA = 1625097570;
    r.stampB = stampB;
    r.valuesA = valuesA;
    r.valuesB = valuesB;
    VyTabVern t;
    t.showReadings(r, curves()); // an empty table takes its rows from the curve list
    QCOMPARE(column(t, 0), QStringList({"日期", "时间", "t", "h", "p"}));
    QTEST(column(t, 2), "colA");
    QTEST(column(t, 3), "colB");
    QTEST(column(t, 4), "colDiff");
}

void TestTabVern::keptText()
{
    VyTabVern t;
    VernReadings r;
    r.drawA = r.drawB = true;
    r.valuesA = {1, 2, 3};
    r.valuesB = {4, 5, 6};
    t.showReadings(r, curves());
    QCOMPARE(t.rowCount(), 0); // no data: nothing happens
    r.hasData = true;
    t.showReadings(r, curves());
    // Shorter lists leave the rows beyond them as they were.
    r.valuesA = {7};
    r.valuesB = {9, 9};
    t.showReadings(r, curves());
    QCOMPARE(column(t, 2).mid(2), QStringList({"7.0", "2.0", "3.0"}));
    QCOMPARE(column(t, 3).mid(2), QStringList({"9.0", "9.0", "6.0"}));
    QCOMPARE(column(t, 4).mid(2), QStringList({"2.0", "3.0", "3.0"}));
    r.hasData = false;
    r.valuesA = {5, 5, 5, 5, 5};
    t.showReadings(r, curves());
    QCOMPARE(column(t, 2), QStringList({"1970/01/01", "00:00:00", "7.0", "2.0", "3.0"}));
}

QTEST_MAIN(TestTabVern)
#include "tst_tabvern.moc"
