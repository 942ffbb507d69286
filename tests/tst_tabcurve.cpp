#include "vyspin.h"
#include "vytabcurve.h"
#include "vytabvern.h"

#include <QtTest>
#include <QtWidgets>

class TestTabCurve : public QObject
{
    Q_OBJECT
private slots:
    void mapping()
    {
        // clang-format off
        for (const auto& [in, shown, back] : QList<std::tuple<CurveInfo, QList<int>, CurveInfo>>{
                 {{true, "a", "#AB12CD", 2.7f, 1, 0}, {2, 0, 0}, {true, "a", "#AB12CD", 2.0f, 1, 0}},
                 {{false, "b", "#000000", 0.5f, 2, 1}, {1, 1, 1}, {false, "b", "#000000", 1.0f, 2, 1}},
                 {{true, "温度", "#FFFFFF", 7.0f, 1, 0}, {5, 0, 0}, {true, "温度", "#FFFFFF", 5.0f, 1, 0}},
                 {{true, "c", "#0a0B0c", 1.0f, 3, 2}, {1, 1, 1}, {true, "c", "#0a0B0c", 1.0f, 2, 1}},
                 {{true, "n", "#000000", float(qQNaN()), 1, 0}, {1, 0, 0}, {true, "n", "#000000", 1.0f, 1, 0}},
                 {{true, "i", "#000000", float(qInf()), 1, 0}, {5, 0, 0}, {true, "i", "#000000", 5.0f, 1, 0}}}) {
            // clang-format on
            VyTabCurve t;
            QSignalSpy changed(&t, &VyTabCurve::curveInfoChanged);
            t.setCurves({in, in});
            QCOMPARE(changed.count(), 0);
            QCOMPARE(qobject_cast<VySpin*>(t.cellWidget(1, 3))->value(), shown[0]);
            QCOMPARE(qobject_cast<QComboBox*>(t.cellWidget(1, 4))->currentIndex(), shown[1]);
            QCOMPARE(qobject_cast<QComboBox*>(t.cellWidget(1, 5))->currentIndex(), shown[2]);
            QCOMPARE(t.curveInfos(), QList<CurveInfo>({back, back}));
        }
    }

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

    void colorDialog()
    {
        VyTabCurve table;
        table.setCurves({{true, "a", "#ABCDEF", 1, 1, 0}});
        QSignalSpy changed(&table, &VyTabCurve::curveInfoChanged);
        QString seen;
        QTimer::singleShot(0, [&] { // answers the real modal dialog
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = dialog->windowTitle() + ' ' + dialog->currentColor().name();
            dialog->setCurrentColor(QColor(0xA1, 0xB2, 0xC3));
            dialog->accept();
        });
        QTest::mousePress(table.cellWidget(0, 2), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(seen, QStringLiteral("请选择曲线颜色 #abcdef"));
        QCOMPARE(table.curveInfos()[0].CurveColor, QStringLiteral("#a1b2c3")); // picked: lower case
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_MAIN(TestTabCurve)
#include "tst_tabcurve.moc"
