// An edit in the curve table reads the whole table back and empties the vernier readings.
#include "vytabcurve.h"
#include "vytabvern.h"

#include <QtTest>
#include <QtWidgets>

class TestTabCurve : public QObject
{
    Q_OBJECT
private slots:
    void editRebuildsVernier()
    {
        // clang-format off
        for (auto [column, property, value] : {std::tuple{0, "checked", QVariant(false)}, // check box
                 {3, "value", 4}, {4, "currentIndex", 0}, {5, "currentIndex", 0}}) { // weight, style, axis
            // clang-format on
            VyTabCurve t;
            VyTabVern vern;
            QList<CurveInfo> c = {{true, "a", "#FF0000", 2, 3, 2}, {true, "b", "#00FF00", 1, 1, 0}};
            t.setCurves(c);
            vern.showReadings({true, true, false, 0, 0, {1.0f, 2.0f}, {}}, c);
            QCOMPARE(vern.item(2, 2)->text(), QStringLiteral("1.0"));
            QObject::connect(&t, &VyTabCurve::curveInfoChanged, [&] { t.commitTo(c, vern); });
            QSignalSpy changed(&t, &VyTabCurve::curveInfoChanged);
            QVERIFY(t.cellWidget(0, column)->setProperty(property, value));
            QCOMPARE(changed.count(), 1);
            // The whole table is read back, so the odd style and axis of row 0 come back mapped.
            QCOMPARE(c, QList<CurveInfo>({{column != 0, "a", "#FF0000", column == 3 ? 4.0f : 2.0f,
                                           column == 4 ? 1 : 2, column == 5 ? 0 : 1},
                                          {true, "b", "#00FF00", 1, 1, 0}}));
            QCOMPARE(vern.rowCount(), column == 0 ? 3 : 4); // date, time and the drawn curves
            for (int row = 0; row < vern.rowCount(); ++row)
                QVERIFY(vern.item(row, 2)->text().isEmpty());
        }
    }
};

QTEST_MAIN(TestTabCurve)
#include "tst_tabcurve.moc"
