#include "vycheckbox.h"
#include "vycolorbar.h"
#include "vycomboboxaxis.h"
#include "vycomboboxstyle.h"
#include "vyspin.h"
#include "vytabcurve.h"
#include "vytabvern.h"

#include <QApplication>
#include <QColorDialog>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

CurveInfo curve(const QString& name, bool draw, const QString& color, float weight, int style,
                int axis)
{
    CurveInfo c;
    c.ToDraw = draw;
    c.CurveName = name;
    c.CurveColor = color;
    c.CurveWeight = weight;
    c.CurveStyle = style;
    c.RefIndex = axis;
    return c;
}

template <typename T> T* cell(VyTabCurve& t, int row, int col)
{
    return qobject_cast<T*>(t.cellWidget(row, col));
}

} // namespace

class TestTabCurve : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data();
    void mapping();
    void editRebuildsVernier_data();
    void editRebuildsVernier();
    void colorDialog_data();
    void colorDialog();
};

void TestTabCurve::mapping_data()
{
    QTest::addColumn<float>("weight");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("shownWeight");
    QTest::addColumn<int>("shownStyle");
    QTest::addColumn<int>("shownAxis");
    QTest::addColumn<int>("backStyle");
    QTest::addColumn<int>("backAxis");
    QTest::newRow("2.7 truncates") << 2.7f << 1 << 0 << 2 << 0 << 0 << 1 << 0;
    QTest::newRow("0.5 clamps up") << 0.5f << 2 << 1 << 1 << 1 << 1 << 2 << 1;
    QTest::newRow("7.0 clamps down") << 7.0f << 1 << 1 << 5 << 0 << 1 << 1 << 1;
    QTest::newRow("style 3 is dashed") << 3.0f << 3 << 0 << 3 << 1 << 0 << 2 << 0;
    QTest::newRow("axis 2 is Y2") << 1.0f << 1 << 2 << 1 << 0 << 1 << 1 << 1;
}

void TestTabCurve::mapping()
{
    QFETCH(float, weight);
    QFETCH(int, style);
    QFETCH(int, axis);
    VyTabCurve table;
    QSignalSpy changed(&table, &VyTabCurve::curveInfoChanged);
    const CurveInfo in =
        curve(QStringLiteral("温度"), true, QStringLiteral("#AB12CD"), weight, style, axis);
    table.setCurves({curve(QStringLiteral("x"), false, QStringLiteral("#000000"), 1, 1, 0), in});
    QCOMPARE(changed.count(), 0);
    QCOMPARE(table.rowCount(), 2);
    QFETCH(int, shownWeight);
    QCOMPARE(cell<VySpin>(table, 1, 3)->value(), shownWeight);
    QTEST(cell<VyComboBoxStyle>(table, 1, 4)->currentIndex(), "shownStyle");
    QTEST(cell<VyComboBoxAxis>(table, 1, 5)->currentIndex(), "shownAxis");

    const QList<CurveInfo> back = table.curveInfos();
    QCOMPARE(back.size(), 2);
    QCOMPARE(back[0].ToDraw, false);
    QCOMPARE(back[1].ToDraw, true);
    QCOMPARE(back[1].CurveName, in.CurveName);
    QCOMPARE(back[1].CurveColor, QStringLiteral("#AB12CD"));
    QCOMPARE(back[1].CurveWeight, float(shownWeight));
    QTEST(back[1].CurveStyle, "backStyle");
    QTEST(back[1].RefIndex, "backAxis");
}

void TestTabCurve::editRebuildsVernier_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<int>("drawnAfter");
    QTest::newRow("check box off") << "check" << 1;
    QTest::newRow("weight") << "spin" << 2;
    QTest::newRow("style") << "style" << 2;
    QTest::newRow("axis") << "axis" << 2;
}

void TestTabCurve::editRebuildsVernier()
{
    QFETCH(QString, editor);
    VyTabCurve table;
    VyTabVern vern;
    QList<CurveInfo> canvasList = {curve("a", true, "#FF0000", 2, 3, 2),
                                   curve("b", true, "#00FF00", 1, 1, 0)};
    table.setCurves(canvasList);
    vern.resetRows(canvasList);
    VernReadings r;
    r.hasData = r.drawA = true;
    r.valuesA = {1.0f, 2.0f};
    vern.showReadings(r, canvasList);
    QCOMPARE(vern.item(2, 2)->text(), QStringLiteral("1.0"));

    QObject::connect(&table, &VyTabCurve::curveInfoChanged,
                     [&] { table.commitTo(canvasList, vern); });
    QSignalSpy changed(&table, &VyTabCurve::curveInfoChanged);
    if (editor == "check")
        cell<VyCheckBox>(table, 0, 0)->setChecked(false);
    else if (editor == "spin")
        cell<VySpin>(table, 1, 3)->setValue(4);
    else if (editor == "style")
        cell<VyComboBoxStyle>(table, 1, 4)->setCurrentIndex(1);
    else
        cell<VyComboBoxAxis>(table, 1, 5)->setCurrentIndex(1);
    QCOMPARE(changed.count(), 1);

    // The whole table is read back: row 0's odd style and axis come back normalised.
    QCOMPARE(canvasList.size(), 2);
    QCOMPARE(canvasList[0].CurveStyle, 2);
    QCOMPARE(canvasList[0].RefIndex, 1);
    QCOMPARE(canvasList[0].CurveColor, QStringLiteral("#FF0000"));
    QFETCH(int, drawnAfter);
    QCOMPARE(vern.rowCount(), 2 + drawnAfter);
    for (int row = 0; row < vern.rowCount(); ++row)
        QVERIFY(vern.item(row, 2)->text().isEmpty());
}

void TestTabCurve::colorDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("expected");
    QTest::newRow("picked is lower case") << true << "#a1b2c3";
    QTest::newRow("cancel keeps upper case") << false << "#ABCDEF";
}

void TestTabCurve::colorDialog()
{
    QFETCH(bool, accept);
    VyTabCurve table;
    table.setCurves({curve("a", true, "#ABCDEF", 1, 1, 0)});
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
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(cell<VyColorBar>(table, 0, 2), &press);
    QCOMPARE(title, QStringLiteral("请选择曲线颜色"));
    QCOMPARE(initial, QStringLiteral("#abcdef"));
    QTEST(table.curveInfos()[0].CurveColor, "expected");
    QCOMPARE(changed.count(), accept ? 1 : 0);
}

QTEST_MAIN(TestTabCurve)
#include "tst_tabcurve.moc"
