// What the window remembers between runs: its first place and when a saved place is lost
// off the screens (the window itself comes back in tst_ostrelwindow), and the files opened
// last.
#include "recentfiles.h"
#include "vyrecentlist.h"
#include "windowmemory.h"

#include <QtTest>
#include <QtWidgets>

using Rects = QList<QRect>;

class TestWindowMemory : public QObject
{
    Q_OBJECT

private slots:
    void firstPlace_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("minimum");
        QTest::newRow("full HD under a task bar") << QRect(0, 0, 1920, 1040) << QSize();
        QTest::newRow("second screen, left of the first")
            << QRect(-1280, 200, 1280, 1024) << QSize(883, 681);
        QTest::newRow("odd size") << QRect(3, 7, 1001, 777) << QSize();
        QTest::newRow("minimum above four fifths") << QRect(0, 0, 1366, 728) << QSize(883, 681);
        QTest::newRow("minimum above the screen") << QRect(0, 30, 800, 570) << QSize(883, 681);
    }
    // Four fifths of the available area each way, or the minimum, centred in the area; a
    // window too large for it starts at its top left corner.
    void firstPlace()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, minimum);
        const QRect r = WindowMemory::firstStartGeometry(available, minimum);
        QVERIFY(qAbs(r.width() - qMax(available.width() * 4 / 5, minimum.width())) <= 1);
        QVERIFY(qAbs(r.height() - qMax(available.height() * 4 / 5, minimum.height())) <= 1);
        // Margins before and after, along x and along y.
        const int margins[2][2] = {{r.left() - available.left(), available.right() - r.right()},
                                   {r.top() - available.top(), available.bottom() - r.bottom()}};
        for (const auto& m : margins) {
            if (m[0] + m[1] >= 0)
                QVERIFY(m[0] >= 0 && qAbs(m[0] - m[1]) <= 1);
            else
                QCOMPARE(m[0], 0);
        }
    }

    void reachable_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<Rects>("screens");
        QTest::addColumn<bool>("reachable");
        const QRect left(0, 0, 1920, 1040), right(1920, 0, 1280, 1024);
        QTest::newRow("on the screen") << QRect(100, 100, 800, 600) << Rects{left} << true;
        QTest::newRow("on a second screen")
            << QRect(2100, 100, 800, 600) << Rects{left, right} << true;
        QTest::newRow("second screen gone") << QRect(2100, 100, 800, 600) << Rects{left} << false;
        QTest::newRow("across two screens") << QRect(1880, 100, 80, 600) << Rects{left, right}
                                            << false; // 40 px on each: no grip on either
        QTest::newRow("mostly below the screen")
            << QRect(100, 1000, 800, 600) << Rects{left} << true; // 40 px still show
        QTest::newRow("a sliver left of the screen")
            << QRect(-790, 100, 800, 600) << Rects{left} << false;
        QTest::newRow("far away") << QRect(20000, 20000, 800, 600) << Rects{left, right} << false;
        QTest::newRow("small, whole on screen") << QRect(10, 10, 60, 30) << Rects{left} << true;
        QTest::newRow("never saved") << QRect() << Rects{left} << false;
    }
    void reachable()
    {
        QFETCH(QRect, frame);
        QFETCH(Rects, screens);
        QTEST(WindowMemory::reachable(frame, screens), "reachable");
    }

    // Opened in random order, in different spellings of the same path: the list holds the
    // ten files opened last, newest first, each once, as a fresh reader of the settings
    // finds them.
    void recentOrder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString conf = dir.filePath(QStringLiteral("user.conf"));
        QSettings settings(conf, QSettings::IniFormat);
        RecentFiles recent(&settings);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QRandomGenerator rng(7);
        QStringList history;
        for (int step = 0; step < 300; ++step) {
            const QString name = QStringLiteral("f%1.tavdata").arg(rng.bounded(14));
            const QString spellings[] = {dir.filePath(name), name,
                                         QStringLiteral("./sub/../") + name};
            recent.add(spellings[rng.bounded(3)]);
            history << dir.filePath(name);
            QStringList expected;
            for (int i = history.size() - 1; i >= 0 && expected.size() < 10; --i)
                if (!expected.contains(history[i]))
                    expected << history[i];
            QSettings fresh(conf, QSettings::IniFormat);
            QCOMPARE(RecentFiles(&fresh).paths(), expected);
        }
        QDir::setCurrent(previous);
    }

    // A file that is gone shows as such; a click drops it and says so. A file that went
    // after the list was drawn is dropped the same way; one that is there opens.
    void missingRecentFile()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("user.conf")), QSettings::IniFormat);
        QStringList paths;
        for (const char* name : {"a.tavdata", "b.csv", "c.tavdata"}) {
            paths << dir.filePath(QString::fromLatin1(name));
            QFile f(paths.last());
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        VyRecentList list(&settings);
        for (const QString& path : paths)
            list.add(path);
        QVERIFY(QFile::remove(paths[1]));
        list.refresh();
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(texts(list), (QStringList{"c.tavdata", "b.csv（已不存在）", "a.tavdata"}));
        QCOMPARE(list.item(1)->toolTip(), paths[1] + QStringLiteral(" 已不存在"));
        QSignalSpy opened(&list, &VyRecentList::openRequested);
        QSignalSpy notices(&list, &VyRecentList::notice);
        click(list, 1);
        QCOMPARE(texts(list), (QStringList{"c.tavdata", "a.tavdata"}));
        QVERIFY(QFile::remove(paths[0]));
        click(list, 1);
        QCOMPARE(texts(list), QStringList{"c.tavdata"});
        QCOMPARE(RecentFiles(&settings).paths(), QStringList{paths[2]});
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices[0][0].toString(),
                 paths[1] + QStringLiteral(" 已不存在，已从最近打开中移除"));
        QCOMPARE(notices[1][0].toString(),
                 paths[0] + QStringLiteral(" 已不存在，已从最近打开中移除"));
        QVERIFY(opened.isEmpty());
        click(list, 0);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), paths[2]);
    }

private:
    static QStringList texts(const QListWidget& list)
    {
        QStringList t;
        for (int i = 0; i < list.count(); ++i)
            t << list.item(i)->text();
        return t;
    }

    static void click(QListWidget& list, int row)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                          list.visualItemRect(list.item(row)).center());
    }
};

QTEST_MAIN(TestWindowMemory)
#include "tst_windowmemory.moc"
