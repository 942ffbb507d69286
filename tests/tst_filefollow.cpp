// Following a file another program writes: what two probes say happened to it, and that
// the follower notices with and without change notifications.
#include "filefollower.h"
#include "fileprobe.h"
#include "followview.h"
#include "testutil.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(FileChange)

namespace {

// The file as first taken in: 10000 bytes, of which readEnd were read.
const QByteArray Original = [] {
    QByteArray b;
    for (int i = 0; i < 10000; ++i)
        b.append(char('a' + i % 26));
    return b;
}();

// Overwrites one byte in place (same inode, same length).
bool poke(const QString& path, qint64 at)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(at))
        return false;
    char c = 0;
    f.getChar(&c);
    f.seek(at);
    return f.putChar(char(c ^ 0x20));
}

} // namespace

class TestFileFollow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void probes_data()
    {
        QTest::addColumn<qint64>("readEnd");
        QTest::addColumn<QString>("what");
        QTest::addColumn<FileChange>("change");
        const qint64 all = Original.size(), part = 9000;
        // clang-format off
        const struct { const char* tag; qint64 readEnd; const char* what; FileChange change; } rows[] = {
            {"untouched", all, "", FileChange::None},
            {"appended", all, "append", FileChange::Grew},
            {"appended after a cut record", part, "append", FileChange::Grew},
            {"the unread part rewritten", part, "poke 9500", FileChange::None},
            {"truncated below what was read", all, "truncate 9999", FileChange::Rewritten},
            {"truncated to what was read", part, "truncate 9000", FileChange::None},
            {"changed at the start", all, "poke 0", FileChange::Rewritten},
            {"changed just before the end read", part, "poke 8999", FileChange::Rewritten},
            {"changed at the first byte of the tail", part, "poke 4904", FileChange::Rewritten},
            {"changed in the middle", all, "poke 5000", FileChange::None},
            {"replaced by a rename, same bytes", all, "rename", FileChange::Rewritten},
            {"removed", all, "remove", FileChange::Vanished},
            {"emptied and written again", all, "rewrite", FileChange::Rewritten},
            {"made a folder", all, "folder", FileChange::Vanished}};
        // clang-format on
        for (const auto& r : rows)
            QTest::newRow(r.tag) << r.readEnd << QString::fromLatin1(r.what) << r.change;
    }

    // What was read is compared only where it is cheap: the first and the last window. A
    // change in the middle of what was read cannot be seen without reading it all.
    void probes()
    {
        QFETCH(qint64, readEnd);
        QFETCH(QString, what);
        const QString path = m_dir.filePath(QStringLiteral("probe.tavdata"));
        QFile::remove(path);
        QDir(path).removeRecursively();
        QVERIFY(!TestUtil::writeFile(path, Original).isNull());
        const FileProbe before = FileProbe::take(path, readEnd);
        QVERIFY(before.exists);

        const QStringList words = what.split(' ');
        const QString verb = words.value(0);
        if (verb == "append") {
            QVERIFY(TestUtil::appendFile(path, "tail"));
        } else if (verb == "poke") {
            QVERIFY(poke(path, words.value(1).toLongLong()));
        } else if (verb == "truncate") {
            QVERIFY(QFile::resize(path, words.value(1).toLongLong()));
        } else if (verb == "rename") {
            const QString next = m_dir.filePath(QStringLiteral("next"));
            QVERIFY(!TestUtil::writeFile(next, Original).isNull());
            QVERIFY(std::rename(QFile::encodeName(next), QFile::encodeName(path)) == 0);
        } else if (verb == "remove") {
            QVERIFY(QFile::remove(path));
        } else if (verb == "rewrite") {
            QVERIFY(!TestUtil::writeFile(path, Original.left(100)).isNull());
            QVERIFY(TestUtil::appendFile(path, Original.mid(100)));
            QVERIFY(poke(path, 0));
        } else if (verb == "folder") {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path));
        }
        const FileChange change = compareProbes(before, FileProbe::take(path, readEnd));
        QTEST(change, "change");
    }

    // A file that comes back after it was gone must be read whole.
    void backAfterGone()
    {
        const QString path = m_dir.filePath(QStringLiteral("back.csv"));
        QVERIFY(!TestUtil::writeFile(path, Original).isNull());
        const FileProbe first = FileProbe::take(path, Original.size());
        QVERIFY(QFile::remove(path));
        const FileProbe gone = FileProbe::take(path, Original.size());
        QCOMPARE(compareProbes(first, gone), FileChange::Vanished);
        QCOMPARE(compareProbes(gone, gone), FileChange::None);
        QVERIFY(!TestUtil::writeFile(path, Original).isNull());
        QCOMPARE(compareProbes(gone, FileProbe::take(path, Original.size())),
                 FileChange::Rewritten);
    }

    void viewAfterGrowth_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<qint64>("newLast");
        QTest::addColumn<qint64>("wantStart");
        QTest::addColumn<qint64>("wantEnd");
        // The recording held 1000..2000 and grows to newLast.
        QTest::newRow("whole stays whole") << 1000LL << 2000LL << 2600LL << 1000LL << 2600LL;
        QTest::newRow("whole with room keeps it") << 900LL << 2100LL << 2600LL << 900LL << 2600LL;
        QTest::newRow("whole with room left over") << 900LL << 3000LL << 2600LL << 900LL << 3000LL;
        QTest::newRow("end at the newest slides") << 1500LL << 2000LL << 2600LL << 2100LL << 2600LL;
        QTest::newRow("end past the newest slides")
            << 1500LL << 2050LL << 2600LL << 2100LL << 2650LL;
        QTest::newRow("inside stays") << 1200LL << 1900LL << 2600LL << 1200LL << 1900LL;
        QTest::newRow("start only stays") << 1000LL << 1999LL << 2600LL << 1000LL << 1999LL;
        QTest::newRow("no growth") << 1500LL << 2000LL << 2000LL << 1500LL << 2000LL;
    }

    void viewAfterGrowth()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(qint64, newLast);
        const FollowView v = FollowView::afterGrowth({start, end}, 1000, 2000, 1000, newLast);
        QTEST(v.stampStart, "wantStart");
        QTEST(v.stampEnd, "wantEnd");
    }

    void follower_data()
    {
        QTest::addColumn<bool>("watcher");
        QTest::newRow("notifications") << true;
        QTest::newRow("timer only, as on a share") << false;
    }

    // Growth, a replacement by rename and a removal each reach the owner once.
    void follower()
    {
        QFETCH(bool, watcher);
        const QString path = m_dir.filePath(QStringLiteral("followed.csv"));
        QVERIFY(!TestUtil::writeFile(path, Original).isNull());
        FileFollower follower;
        // Without notifications the timer must do it alone; with them, a check must come
        // long before the timer's.
        follower.setInterval(watcher ? 60000 : 50);
        follower.setWatcherEnabled(watcher);
        QSignalSpy changes(&follower, &FileFollower::changed);
        follower.start(path, Original.size());

        QVERIFY(TestUtil::appendFile(path, "more"));
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.takeFirst().at(0).value<FileChange>(), FileChange::Grew);
        follower.setReadEnd(Original.size() + 4);

        const QString next = m_dir.filePath(QStringLiteral("followed.new"));
        QVERIFY(!TestUtil::writeFile(next, "fresh").isNull());
        QVERIFY(std::rename(QFile::encodeName(next), QFile::encodeName(path)) == 0);
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.takeFirst().at(0).value<FileChange>(), FileChange::Rewritten);
        follower.setReadEnd(5);

        // The replacement is watched in its turn.
        QVERIFY(TestUtil::appendFile(path, "+1"));
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.takeFirst().at(0).value<FileChange>(), FileChange::Grew);
        follower.setReadEnd(7);

        QVERIFY(QFile::remove(path));
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.takeFirst().at(0).value<FileChange>(), FileChange::Vanished);
        QVERIFY(!changes.wait(watcher ? 300 : 200)); // said once
        follower.stop();
        QVERIFY(!follower.isFollowing());
    }
};

QTEST_GUILESS_MAIN(TestFileFollow)
#include "tst_filefollow.moc"
