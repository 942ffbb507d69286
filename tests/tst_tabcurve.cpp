#include "vycheckbox.h"
#include "vycolorbar.h"
#include "vyspin.h"
#include "vytabcurve.h"
#include "vytabvern.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QtTest>

Q_DECLARE_METATYPE(CurveInfo)

class TestTabCurve : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data()
    {
        QTest::addColumn<CurveInfo>("in");
        QTest::addColumn<QList<int>>("shown"); // spin value, style index, axis index
        QTest::addColumn<CurveInfo>("back");
        // clang-format off
        QTest::newRow("2.7 truncates") << CurveInfo{true, "a", "#AB12CD", 2.7f, 1, 0} << QList<int>{2, 0, 0} << CurveInfo{true, "a", "#AB12CD", 2.0f, 1, 0};
        QTest::newRow("0.5 clamps") << CurveInfo{false, "b", "#000000", 0.5f, 2, 1} << QList<int>{1, 1, 1} << CurveInfo{false, "b", "#000000", 1.0f, 2, 1};
        QTest::newRow("7.0 clamps") << CurveInfo{true, "温度", "#FFFFFF", 7.0f, 1, 0} << QList<int>{5, 0, 0} << CurveInfo{true, "温度", "#FFFFFF", 5.0f, 1, 0};
        QTest::newRow("style 3, axis 2") << CurveInfo{true, "c", "#0a0B0c", 1.0f, 3, 2} << QList<int>{1, 1, 1} << CurveInfo{true, "c", "#0a0B0c", 1.0f, 2, 1};
        // clang-format on
    }

    void mapping()
    {
        QFETCH(CurveInfo, in);
        QFETCH(QList<int>, shown);
        const CurveInfo first{true, "first", "#123456", 3.0f, 2, 1};
        VyTabCurve t;
        QSignalSpy changed(&t, &VyTabCurve::curveInfoChanged);
        t.setCurves({first, in});
        QCOMPARE(changed.count(), 0);
        QCOMPARE(qobject_cast<VySpin*>(t.cellWidget(1, 3))->value(), shown[0]);
        QCOMPARE(qobject_cast<QComboBox*>(t.cellWidget(1, 4))->currentIndex(), shown[1]);
        QCOMPARE(qobject_cast<QComboBox*>(t.cellWidget(1, 5))->currentIndex(), shown[2]);
        const QList<CurveInfo> read = t.curveInfos();
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0], first);
        QTEST(read[1], "back");
    }

    void editRebuildsVernier()
    {
        for (int column : {0, 3, 4, 5}) { // check box, weight, style, axis
            VyTabCurve table;
            VyTabVern vern;
            QList<CurveInfo> canvasList = {{true, "a", "#FF0000", 2, 3, 2},
                                           {true, "b", "#00FF00", 1, 1, 0}};
            table.setCurves(canvasList);
            VernReadings r;
            r.hasData = r.drawA = true;
            r.valuesA = {1.0f, 2.0f};
            vern.showReadings(r, canvasList);
            QCOMPARE(vern.item(2, 2)->text(), QStringLiteral("1.0"));
            QObject::connect(&table, &VyTabCurve::curveInfoChanged,
                             [&] { table.commitTo(canvasList, vern); });
            QSignalSpy changed(&table, &VyTabCurve::curveInfoChanged);
            QWidget* editor = table.cellWidget(0, column);
            if (auto* box = qobject_cast<VyCheckBox*>(editor))
                box->setChecked(false);
            else if (auto* spin = qobject_cast<VySpin*>(editor))
                spin->setValue(4);
            else
                qobject_cast<QComboBox*>(editor)->setCurrentIndex(0);
            QCOMPARE(changed.count(), 1);
            // The whole table is read back, so the odd style and axis of row 0 come back mapped.
            QCOMPARE(canvasList.size(), 2);
            QCOMPARE(canvasList[0].CurveStyle, column == 4 ? 1 : 2);
            QCOMPARE(canvasList[0].RefIndex, column == 5 ? 0 : 1);
            QCOMPARE(canvasList[0].CurveColor, QStringLiteral("#FF0000"));
            QCOMPARE(vern.rowCount(), column == 0 ? 3 : 4); // date, time and the drawn curves
            for (int row = 0; row < vern.rowCount(); ++row)
                QVERIFY(vern.item(row, 2)->text().isEmpty());
        }
    }

    void colorDialog()
    {
        for (bool accept : {true, false}) {
            VyTabCurve table;
            table.setCurves({{true, "a", "#ABCDEF", 1, 1, 0}});
            QSignalSpy changed(&table, &VyTabCurve::curveInfoChanged);
            QString title, initial;
            // The real modal dialog runs; a timer answers it so the test never blocks.
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                title = dialog->windowTitle();
                initial = dialog->currentColor().name();
                dialog->setCurrentColor(QColor(0xA1, 0xB2, 0xC3));
                accept ? dialog->accept() : dialog->reject();
            });
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(table.cellWidget(0, 2), &press);
            QCOMPARE(title, QStringLiteral("请选择曲线颜色"));
            QCOMPARE(initial, QStringLiteral("#abcdef"));
            // A picked colour is stored in lower case; a cancel keeps the upper case.
            QCOMPARE(table.curveInfos()[0].CurveColor, QString(accept ? "#a1b2c3" : "#ABCDEF"));
            QCOMPARE(changed.count(), accept ? 1 : 0);
        }
    }
};

QTEST_MAIN(TestTabCurve)
#include "tst_tabcurve.moc"
