// The event list's merge against the placement rule taken literally: faults in record
// order, then each system and user event inserted where the first gap s[j-1] <= w < s[j]
// lies (front when w < s[0], back when w >= s[n-1], left out when no gap fits).
#include "eventlist.h"

#include <QtTest>

#include <random>
#include <tuple>

namespace {

using Row = std::tuple<int, QString, qint64>; // kind, text, stamp

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
    // Random faults (of every state), system and user events on a short stretch of time, so
    // that ties, runs of faults going back, and events before, between and after them all
    // occur often.
    void againstLiteralRule()
    {
        std::mt19937 gen(7);
        const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
        for (int round = 0; round < 5000; ++round) {
            const int span = 1 + pick(40);
            QList<ErrorRecord> errors;
            for (int i = pick(12); i > 0; --i)
                errors.append({quint32(pick(span)), qint16(errors.size()), qint16(pick(3))});
            QList<EventRecord> sys, user;
            for (QList<EventRecord>* list : {&sys, &user}) {
                for (int i = pick(24); i > 0; --i)
                    list->append({quint32(pick(span)), QString::number(list->size())});
            }
            const EventList list = EventList::build(errors, sys, user, true, true, true);
            QCOMPARE(rowsOf(list), literal(errors, sys, user));
        }
    }
};

QTEST_GUILESS_MAIN(TestEventMerge)
#include "tst_eventmerge.moc"
