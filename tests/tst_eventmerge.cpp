// The event list's merge against the placement rule taken literally: faults in record
// order, then each system and user event inserted where the first gap s[j-1] <= w < s[j]
// lies (front when w < s[0], back when w >= s[n-1], left out when no gap fits).
#include "eventlist.h"

#include <QtTest>
#include <tuple>

namespace {

using Row = std::tuple<int, QString, qint64>; // kind, text, stamp
using L = QList<qint64>;

// The rule as written, one linear scan and one list insertion per entry.
QList<Row> literal(const QList<ErrorRecord>& errors, const QList<EventRecord>& sys,
                   const QList<EventRecord>& user)
{
    QList<Row> rows;
    for (const ErrorRecord& r : errors) {
        if (r.state == 0)
            rows.append({0, QStringLiteral("故障[%1] 解除").arg(r.code), r.stamp});
        else if (r.state == 1)
            rows.append({1, QStringLiteral("故障[%1] 发生").arg(r.code), r.stamp});
    }
    auto place = [&rows](int kind, const EventRecord& r) {
        const qint64 w = r.stamp;
        const int n = rows.size();
        if (n == 0 || w < std::get<2>(rows[0])) {
            rows.insert(0, {kind, r.text, w});
        } else if (w < std::get<2>(rows[n - 1])) {
            for (int j = 1; j < n; ++j) {
                if (std::get<2>(rows[j - 1]) <= w && w < std::get<2>(rows[j])) {
                    rows.insert(j, {kind, r.text, w});
                    return;
                }
            }
        } else {
            rows.append({kind, r.text, w});
        }
    };
    for (const EventRecord& r : sys)
        place(2, r);
    for (const EventRecord& r : user)
        place(3, r);
    return rows;
}

QList<Row> rowsOf(const EventList& l)
{
    QList<Row> rows;
    for (int i = 0; i < l.size(); ++i)
        rows.append({l.kinds[i], l.texts[i], l.stamps[i]});
    return rows;
}

} // namespace

class TestEventMerge : public QObject
{
    Q_OBJECT

private slots:
    // Fault stamps (state 1, code = position), then system and user stamps.
    void cases_data()
    {
        QTest::addColumn<L>("faults");
        QTest::addColumn<L>("sys");
        QTest::addColumn<L>("user");
        QTest::newRow("no faults") << L{} << L{5, 3, 5, 9} << L{5, 1};
        QTest::newRow("lowest run holding w") << L{10, 30, 5, 40, 3, 60} << L{35, 50, 20} << L{};
        QTest::newRow("first run that holds w")
            << L{10, 20, 30, 5, 25, 40, 1, 28} << L{26, 22, 12} << L{};
        QTest::newRow("front, then a later run") << L{10, 20, 5, 8, 30} << L{21, 9, 25} << L{};
        QTest::newRow("front and back move") << L{10, 20, 5, 8} << L{3, 3, 8, 2, 9} << L{3, 9};
        QTest::newRow("ties inside a run") << L{10, 20, 20, 30, 5, 20, 40} << L{20} << L{20};
        QTest::newRow("above the first fault goes to the front")
            << L{50, 10, 20, 20, 30, 5} << L{20, 10} << L{20};
    }

    void cases()
    {
        QFETCH(L, faults);
        QFETCH(L, sys);
        QFETCH(L, user);
        QList<ErrorRecord> errors;
        for (int i = 0; i < faults.size(); ++i)
            errors.append({quint32(faults[i]), qint16(i), 1});
        QList<EventRecord> s, u;
        for (int i = 0; i < sys.size(); ++i)
            s.append({quint32(sys[i]), QStringLiteral("s%1").arg(i)});
        for (int i = 0; i < user.size(); ++i)
            u.append({quint32(user[i]), QStringLiteral("u%1").arg(i)});
        const EventList list = EventList::build(errors, s, u, true, true, true);
        QCOMPARE(rowsOf(list), literal(errors, s, u));
    }
};

QTEST_GUILESS_MAIN(TestEventMerge)
#include "tst_eventmerge.moc"
