#include "eventlist.h"
#include "sortedtavdata.h"
#include "vytabevent.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QtTest>
#include <ctime>

namespace {

// Faults as "stamp:code:state,...", events as "stamp:text,...".
void fill(SortedTavData& data, const QString& errors, const QString& sys, const QString& user)
{
    for (const QString& part : errors.split(',', Qt::SkipEmptyParts)) {
        const QStringList f = part.split(':');
        data.errors.append({f[0].toUInt(), qint16(f[1].toInt()), qint16(f[2].toInt())});
    }
    for (const auto& [text, list] : {std::pair{sys, &data.systemEvents}, {user, &data.userEvents}})
        for (const QString& part : text.split(',', Qt::SkipEmptyParts))
            list->append({part.section(':', 0, 0).toUInt(), part.section(':', 1)});
}

} // namespace

class TestTabEvent : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The jump test only means something when local time has daylight saving.
        QCOMPARE(QDateTime::fromSecsSinceEpoch(1689422400).offsetFromUtc(), 7200);
        QLoggingCategory::setFilterRules(QStringLiteral("ostrel.panels.debug=true"));
    }

    void refresh_data()
    {
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("sys");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("flags");    // e, s, u: which kinds are listed
        QTest::addColumn<QString>("failure");  // expected debug line, if any
        QTest::addColumn<QStringList>("rows"); // kind|text|stamp
        // clang-format off
        QTest::newRow("equal stamps go after") << "100:7:1" << "100:s" << "100:u" << "esu" << ""
            << QStringList{"1|故障[7] 发生|100", "2|s|100", "3|u|100"};
        QTest::newRow("unsorted faults keep file order")
            << "300:1:1,100:2:0,200:3:1" << "150:s1,50:s0,400:s4,300:s3" << "" << "esu" << ""
            << QStringList{"2|s0|50", "2|s1|150", "1|故障[1] 发生|300", "0|故障[2] 解除|100",
                           "1|故障[3] 发生|200", "2|s3|300", "2|s4|400"};
        QTest::newRow("out-of-order event lists") << "" << "200:b,100:a,300:c" << "150:u,100:v"
            << "esu" << "" << QStringList{"2|a|100", "3|v|100", "3|u|150", "2|b|200", "2|c|300"};
        QTest::newRow("fault state 2 is left out") << "100:7:2,200:-1:1,300:7:0" << "" << "" << "e"
            << "Read Error Data Failed: 7 2 1970/01/01 00:01:40"
            << QStringList{"1|故障[-1] 发生|200", "0|故障[7] 解除|300"};
        QTest::newRow("filters") << "100:7:1" << "50:s" << "150:u" << "u" << "" << QStringList{"3|u|150"};
        // clang-format on
    }

    void refresh()
    {
        QFETCH(QString, errors);
        QFETCH(QString, sys);
        QFETCH(QString, user);
        QFETCH(QString, flags);
        QFETCH(QString, failure);
        QFETCH(QStringList, rows);
        SortedTavData data;
        fill(data, errors, sys, user);
        const bool e = flags.contains('e'), s = flags.contains('s'), u = flags.contains('u');
        if (!failure.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, failure.toUtf8());
        const EventList list =
            EventList::build(data.errors, data.systemEvents, data.userEvents, e, s, u);
        QStringList got;
        for (int i = 0; i < list.size(); ++i)
            got << QString("%1|%2|%3").arg(list.kinds[i]).arg(list.texts[i]).arg(list.stamps[i]);
        QCOMPARE(got, rows);

        VyTabEvent table;
        table.addEvent(SystemEvent, "stale", 1);
        QTest::ignoreMessage(QtDebugMsg, "OstrelTest::refreshEvents");
        if (!failure.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, failure.toUtf8());
        QTest::ignoreMessage(QtDebugMsg, "End OstrelTest::refreshEvents");
        table.refreshEvents(data, e, s, u);
        QCOMPARE(table.rowCount(), rows.size());
        for (int r = 0; r < rows.size(); ++r) {
            QCOMPARE(table.item(r, 0)->text(), rows[r].section('|', 1, 1));
            const qint64 stamp = rows[r].section('|', 2).toLongLong();
            QCOMPARE(table.item(r, 1)->text(),
                     QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC).toString("yyyy/MM/dd hh:mm:ss"));
        }
    }

    void doubleClick_data()
    {
        QTest::addColumn<qint64>("stamp");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("shown");
        QTest::newRow("summer, time cell") << qint64(1689422400) << 1 << "2023/07/15 12:00:00";
        QTest::newRow("local gap, text cell") << qint64(1679797800) << 0 << "2023/03/26 02:30:00";
    }

    void doubleClick()
    {
        QFETCH(qint64, stamp);
        QFETCH(int, column);
        VyTabEvent table;
        table.resize(400, 200);
        table.addEvent(FaultOccurred, "first", 1000);
        table.addEvent(UserEvent, "target", stamp);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QTEST(table.item(1, 1)->text(), "shown");
        QSignalSpy jumps(&table, &VyTabEvent::jumpToStamp);
        const QPoint at = table.visualItemRect(table.item(1, column)).center();
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(jumps.count(), 1);
        QCOMPARE(jumps.first().first().toLongLong(), stamp);
    }
};

int main(int argc, char** argv)
{
    // Before anything reads the zone: a zone with daylight saving.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QApplication app(argc, argv);
    TestTabEvent test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tabevent.moc"
