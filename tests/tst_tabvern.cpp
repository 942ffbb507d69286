#include "vytabvern.h"

#include <QtTest>

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
    void cells()
    {
        const qint64 a = 1625097570; // 2021/06/30 23:59:30 UTC
        const QList<float> va = {25.04f, 999.0f, -3.26f}, vb = {12.5f, 40.0f, -999.9f}; // missing
        const QStringList aText = {"2021/06/30", "23:59:30", "25.0", "-", "-3.3"};
        // clang-format off
        const QStringList bText = {"2021/07/01", "00:01:00", "12.5", "40.0", "-"}, none = {"", "", "", "", ""};
        for (const auto& [r, colA, colB, colDiff] : QList<std::tuple<VernReadings, QStringList, QStringList, QStringList>>{
                 {{true, true, false, a, a + 90, va, vb}, aText, none, none},
                 {{true, false, true, a, a + 90, va, vb}, none, bText, none},
                 {{true, true, true, a, a + 90, va, vb}, aText, bText, {"(min)", "1.5", "-12.5", "-", "-"}},
                 {{true, true, true, a, a - 750, {1.0f, 2.0f, 3.0f}, {-1.5f, 2.0f, 0.5f}}, // B left of A
                  {"2021/06/30", "23:59:30", "1.0", "2.0", "3.0"}, {"2021/06/30", "23:47:00", "-1.5", "2.0", "0.5"},
                  {"(min)", "-12.5", "-2.5", "0.0", "-2.5"}}}) {
            // clang-format on
            VyTabVern t;
            t.showReadings(r, curves); // an empty table takes its rows from the curve list
            QCOMPARE(column(t, 0), QStringList({"日期", "时间", "t", "h", "p"}));
            QCOMPARE(QList<QStringList>({column(t, 2), column(t, 3), column(t, 4)}),
                     QList<QStringList>({colA, colB, colDiff}));
        }
    }
};

QTEST_MAIN(TestTabVern)
#include "tst_tabvern.moc"
