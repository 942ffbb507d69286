#include "eventlist.h"
#include "sortedtavdata.h"
#include "vytabevent.h"

#include <QLoggingCategory>
#include <QtTest>
#include <QtWidgets>
#include <ctime>

class TestTabEvent : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin"); // a zone with daylight saving
        tzset();
        QCOMPARE(QDateTime::fromSecsSinceEpoch(1689422400).offsetFromUtc(), 7200); // summer time
        QLoggingCategory::setFilterRules(QStringLiteral("ostrel.panels.debug=true"));
    }

    // Input "faults;system;user;shown kinds", faults as stamp:code:state, events as stamp:text.
    // (The order of the merge: tst_eventmerge.)
    void refresh_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("failure");  // expected debug line, if any
        QTest::addColumn<QStringList>("rows"); // text|stamp
        // clang-format off
        QTest::newRow("equal stamps go after") << "100:7:1;100:s;100:u;esu" << ""
            << QStringList{"故障[7] 发生|100", "s|100", "u|100"};
        QTest::newRow("fault state 2 is left out") << "100:7:2,200:-1:1,300:7:0;;;e"
            << "Read Error Data Failed: 7 2 1970/01/01 00:01:40" << QStringList{"故障[-1] 发生|200", "故障[7] 解除|300"};
        QTest::newRow("filters") << "100:7:1;50:s;150:u;u" << "" << QStringList{"u|150"};
        // clang-format on
    }
    void refresh()
    {
        QFETCH(QString, input);
        QFETCH(QString, failure);
        QFETCH(QStringList, rows);
        SortedTavData data;
        for (const QString& p : input.section(';', 0, 0).split(',', Qt::SkipEmptyParts))
            data.errors.append({p.section(':', 0, 0).toUInt(), qint16(p.section(':', 1, 1).toInt()),
                                qint16(p.section(':', 2).toInt())});
        for (auto [i, list] : {std::pair{1, &data.systemEvents}, {2, &data.userEvents}})
            for (const QString& p : input.section(';', i, i).split(',', Qt::SkipEmptyParts))
                list->append({p.section(':', 0, 0).toUInt(), p.section(':', 1)});
        const QString kinds = input.section(';', 3);
        VyTabEvent table;
        table.addEvent(SystemEvent, "stale", 1);
        QTest::ignoreMessage(QtDebugMsg, "OstrelTest::refreshEvents");
        if (!failure.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, failure.toUtf8());
        QTest::ignoreMessage(QtDebugMsg, "End OstrelTest::refreshEvents");
        table.refreshEvents(data, kinds.contains('e'), kinds.contains('s'), kinds.contains('u'));
        QCOMPARE(table.rowCount(), rows.size());
        for (int r = 0; r < rows.size(); ++r)
            QCOMPARE(table.item(r, 0)->text() + '|' + table.item(r, 1)->text(),
                     rows[r].section('|', 0, 0) + QDateTime::fromSecsSinceEpoch(
                                                      rows[r].section('|', 1).toLongLong(), Qt::UTC)
                                                      .toString("|yyyy/MM/dd hh:mm:ss"));
    }

    void doubleClick()
    {
        for (auto [stamp, column, text] : {std::tuple{qint64(1689422400), 1, "2023/07/15 12:00:00"},
                                           {qint64(1679797800), 0, "2023/03/26 02:30:00"}}) {
            VyTabEvent table; // summer time, then a time inside the spring gap
            table.addEvent(FaultOccurred, "first", 1000);
            table.addEvent(UserEvent, "target", stamp);
            table.show();
            QVERIFY(QTest::qWaitForWindowExposed(&table));
            QCOMPARE(table.item(1, 1)->text(), QString(text));
            QSignalSpy jumps(&table, &VyTabEvent::jumpToStamp);
            const QPoint at = table.visualItemRect(table.item(1, column)).center();
            QTest::mouseDClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QCOMPARE(static_cast<QList<QVariantList>>(jumps),
                     QList<QVariantList>{{QVariant(stamp)}});
        }
    }
};

QTEST_MAIN(TestTabEvent)
#include "tst_tabevent.moc"
