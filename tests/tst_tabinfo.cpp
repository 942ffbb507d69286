#include "vytabinfo.h"

#include <QtTest>

class TestTabInfo : public QObject
{
    Q_OBJECT
private slots:
    void setInfo_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty") << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("values short") << QStringList{"型号", "编号", "日期"} << QStringList{"T-1"}
                                      << QStringList{"T-1", "", ""};
    }

    void setInfo()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, values);
        QFETCH(QStringList, shown);
        VyTabInfo t;
        t.setInfo({"old", "old2", "old3", "old4"}, {"x"});
        t.setInfo(names, values);
        QCOMPARE(t.rowCount(), names.size());
        QCOMPARE(t.columnCount(), 2);
        for (int r = 0; r < names.size(); ++r) {
            QCOMPARE(t.item(r, 0)->text(), names[r]);
            QCOMPARE(t.item(r, 0)->foreground().color(), QColor("#84C225"));
            QCOMPARE(t.item(r, 0)->font().weight(), 75);
            QCOMPARE(t.item(r, 1)->text(), shown[r]);
            QCOMPARE(t.item(r, 1)->font().weight(), t.font().weight());
        }
    }
};

QTEST_MAIN(TestTabInfo)
#include "tst_tabinfo.moc"
