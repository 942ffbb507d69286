#include "tavrecords.h"
#include "vycolorbar.h"
#include "vytabvern.h"

#include <QtTest>

namespace {

QList<CurveInfo> threeCurves()
{
    QList<CurveInfo> list;
    for (const char* name : {"t", "hidden", "h", "p"}) {
        CurveInfo c;
        c.CurveName = QString::fromLatin1(name);
        c.ToDraw = c.CurveName != QLatin1String("hidden");
        c.CurveColor = QStringLiteral("#12AB34");
        list.append(c);
    }
    return list;
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
    void rows();
    void cells_data();
    void cells();
    void shorterListsKeepText();
    void noDataChangesNothing();
};

void TestTabVern::rows()
{
    VyTabVern t;
    t.resetRows(threeCurves());
    QCOMPARE(column(t, 0), QStringList({"日期", "时间", "t", "h", "p"}));
    QCOMPARE(column(t, 2), QStringList({"", "", "", "", ""}));
    auto* bar = qobject_cast<VyColorBar*>(t.cellWidget(3, 1));
    QVERIFY(bar);
    QCOMPARE(bar->color, QStringLiteral("#12AB34"));
    QCOMPARE(bar->row, 3);
    QVERIFY(!bar->testAttribute(Qt::WA_SetCursor));
    t.resetRows({});
    QCOMPARE(t.rowCount(), 2);
}

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
    // Vernier A sits at 2021-06-30 23:59:30 UTC in every row.
    const QList<float> a = {25.04f, 999.0f, -3.26f};
    const QList<float> b = {12.5f, 40.0f, MissingValue};
    const QStringList aText = {"2021/06/30", "23:59:30", "25.0", "-", "-3.3"};
    const QStringList empty = {"", "", "", "", ""};
    QTest::newRow("A only") << true << false << qint64(1625097660) << a << b << aText << empty
                            << empty;
    QTest::newRow("B only") << false << true << qint64(1625097660) << a << b << empty
                            << QStringList{"2021/07/01", "00:01:00", "12.5", "40.0", "-"} << empty;
    QTest::newRow("both, 90 s") << true << true << qint64(1625097660) << a << b << aText
                                << QStringList{"2021/07/01", "00:01:00", "12.5", "40.0", "-"}
                                << QStringList{"(min)", "1.5", "-12.5", "-", "-"};
    QTest::newRow("B left of A") << true << true << qint64(1625097570 - 750)
                                 << QList<float>{1.0f, 2.0f, 3.0f}
                                 << QList<float>{-1.5f, 2.0f, 0.5f}
                                 << QStringList{"2021/06/30", "23:59:30", "1.0", "2.0", "3.0"}
                                 << QStringList{"2021/06/30", "23:47:00", "-1.5", "2.0", "0.5"}
                                 << QStringList{"(min)", "-12.5", "-2.5", "0.0", "-2.5"};
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
    // Empty table: the rows come from the curve list given with the readings.
    t.showReadings(r, threeCurves());
    QCOMPARE(t.rowCount(), 5);
    QTEST(column(t, 2), "colA");
    QTEST(column(t, 3), "colB");
    QTEST(column(t, 4), "colDiff");
}

void TestTabVern::shorterListsKeepText()
{
    VyTabVern t;
    VernReadings r;
    r.hasData = r.drawA = r.drawB = true;
    r.valuesA = {1, 2, 3};
    r.valuesB = {4, 5, 6};
    t.showReadings(r, threeCurves());
    r.valuesA = {7};
    r.valuesB = {9, 9};
    t.showReadings(r, threeCurves());
    QCOMPARE(column(t, 2).mid(2), QStringList({"7.0", "2.0", "3.0"}));
    QCOMPARE(column(t, 3).mid(2), QStringList({"9.0", "9.0", "6.0"}));
    QCOMPARE(column(t, 4).mid(2), QStringList({"2.0", "3.0", "3.0"}));
    // Lists longer than the rows are cut at the last row.
    r.valuesA = {1, 1, 1, 1, 1, 1};
    t.showReadings(r, threeCurves());
    QCOMPARE(t.rowCount(), 5);
}

void TestTabVern::noDataChangesNothing()
{
    VyTabVern t;
    VernReadings r;
    r.drawA = true;
    r.valuesA = {1, 2, 3};
    t.showReadings(r, threeCurves());
    QCOMPARE(t.rowCount(), 0);
    r.hasData = true;
    t.showReadings(r, threeCurves());
    r.hasData = false;
    r.valuesA = {5, 5, 5};
    r.stampA = 86400;
    t.showReadings(r, threeCurves());
    QCOMPARE(column(t, 2), QStringList({"1970/01/01", "00:00:00", "1.0", "2.0", "3.0"}));
}

QTEST_MAIN(TestTabVern)
#include "tst_tabvern.moc"
