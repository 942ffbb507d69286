#pragma once

#include "ostrel.h"
#include "tavdrawer.h"
#include "testutil.h"

#include <QSignalSpy>
#include <QtTest>

inline QString samplePath()
{
    return TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");
}

// A window with a spy on its canvas's reads, made before any event can deliver one.
struct OstrelViewer
{
    explicit OstrelViewer(const QString& path = QString())
        : w(path), reads(w.drawer, &TavDrawer::readFinished)
    {
    }
    bool waitRead() { return !reads.isEmpty() || reads.wait(30000); }
    bool show(int width, int height)
    {
        w.resize(width, height);
        w.show();
        return QTest::qWaitForWindowExposed(&w);
    }
    bool call(const char* slot) { return QMetaObject::invokeMethod(&w, slot); }
    Ostrel w;
    QSignalSpy reads;
};
