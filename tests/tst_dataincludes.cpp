// The data library's files form layers: a header pair may use the pairs below it, never
// one that uses it back, and only the worker's own file knows the worker. Read from the
// sources, so that a new include that closes a circle fails here rather than in review.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <functional>

class TestDataIncludes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void noCircle();
    void workerHeaderStaysPrivate();

private:
    // File name -> the data/ headers it includes by quoted name.
    QHash<QString, QStringList> m_includes;
};

void TestDataIncludes::initTestCase()
{
    const QString source = qEnvironmentVariable("OSTREL_SOURCE_DIR");
    if (source.isEmpty())
        QSKIP("OSTREL_SOURCE_DIR is not set (run under CTest)");
    QDir dir(source + QStringLiteral("/data"));
    const QStringList files =
        dir.entryList({QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files);
    QVERIFY(files.contains(QStringLiteral("sortedtavdata.h")));
    const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                     QRegularExpression::MultilineOption);
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QStringList found;
        auto it = include.globalMatch(text);
        while (it.hasNext()) {
            const QString header = it.next().captured(1);
            if (files.contains(header))
                found.append(header);
        }
        m_includes.insert(name, found);
    }
}

void TestDataIncludes::noCircle()
{
    // A pair x.h/x.cpp is one node; x.cpp including x.h is no edge.
    const auto node = [](const QString& file) { return file.section(QLatin1Char('.'), 0, 0); };
    QHash<QString, QSet<QString>> edges;
    for (auto it = m_includes.cbegin(); it != m_includes.cend(); ++it) {
        for (const QString& header : it.value()) {
            if (node(header) != node(it.key()))
                edges[node(it.key())].insert(node(header));
        }
    }
    // Depth-first search; a node met again while it is on the path closes a circle.
    QHash<QString, int> state; // 0 unseen, 1 on the path, 2 done
    QStringList path;
    std::function<QString(const QString&)> visit = [&](const QString& n) -> QString {
        state[n] = 1;
        path.append(n);
        for (const QString& next : edges.value(n)) {
            if (state.value(next) == 1)
                return (path.mid(path.indexOf(next)) << next).join(QStringLiteral(" -> "));
            if (state.value(next) == 0) {
                const QString circle = visit(next);
                if (!circle.isEmpty())
                    return circle;
            }
        }
        path.removeLast();
        state[n] = 2;
        return QString();
    };
    for (auto it = m_includes.cbegin(); it != m_includes.cend(); ++it) {
        const QString n = node(it.key());
        if (state.value(n) == 0) {
            const QString circle = visit(n);
            QVERIFY2(circle.isEmpty(), qPrintable(circle));
        }
    }
}

void TestDataIncludes::workerHeaderStaysPrivate()
{
    for (auto it = m_includes.cbegin(); it != m_includes.cend(); ++it) {
        if (it.key() != QLatin1String("sortedtavdata.cpp"))
            QVERIFY2(!it.value().contains(QStringLiteral("sortedtavdata.h")), qPrintable(it.key()));
    }
}

QTEST_GUILESS_MAIN(TestDataIncludes)
#include "tst_dataincludes.moc"
