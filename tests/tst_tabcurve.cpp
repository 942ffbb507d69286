// An edit in the curve table reads the whole table back and empties the vernier readings.
#include "vyspin.h"
#include "vytabcurve.h"
#include "vytabvern.h"

#include <cmath>

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

    void weightKeptUntilEdited_data()
    {
        QTest::addColumn<float>("saved");
        QTest::addColumn<double>("shown"); // what the editor shows: one decimal, 0.5 to 5
        QTest::addColumn<float>("kept");   // what an untouched row reads back
        QTest::newRow("one decimal") << 1.5f << 1.5 << 1.5f;
        QTest::newRow("two decimals") << 1.25f << -1.0 << 1.25f; // -1: either neighbour
        QTest::newRow("below the editor") << 0.3f << 0.5 << 0.3f;
        QTest::newRow("not a number") << float(NAN) << 1.0 << 1.0f;
    }

    // A weight nobody touched reads back as it was saved, even when another cell of the
    // table is edited; once the user changes it, the editor's value applies.
    void weightKeptUntilEdited()
    {
        QFETCH(float, saved);
        QFETCH(double, shown);
        QFETCH(float, kept);
        VyTabCurve t;
        t.setCurves({{true, "a", "#FF0000", saved, 1, 0}, {true, "b", "#00FF00", 2.0f, 1, 0}});
        auto* spin = qobject_cast<VySpin*>(t.cellWidget(0, 3));
        QVERIFY(spin);
        QCOMPARE(spin->decimals(), 1);
        QCOMPARE(spin->minimum(), 0.5);
        QCOMPARE(spin->maximum(), 5.0);
        if (shown < 0)
            QVERIFY2(std::fabs(spin->value() - saved) <= 0.05 + 1e-9, qPrintable(spin->text()));
        else
            QCOMPARE(spin->value(), shown);
        QSignalSpy changed(&t, &VyTabCurve::curveInfoChanged);
        QVERIFY(t.cellWidget(1, 0)->setProperty("checked", false));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(t.curveInfos().at(0).CurveWeight, kept);

        const double before = spin->value();
        QTest::keyClick(spin, Qt::Key_Up); // one step, as the user's arrow key
        QCOMPARE(changed.count(), 2);
        QCOMPARE(spin->value(), before + 0.5);
        QCOMPARE(t.curveInfos().at(0).CurveWeight, float(before + 0.5));
    }
};

QTEST_MAIN(TestTabCurve)
#include "tst_tabcurve.moc"
