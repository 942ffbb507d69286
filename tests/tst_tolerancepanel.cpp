// The "容差检查" page in the real window: the automatic pair after a read, the verdict
// following an edited band, the plot centred on a double-clicked hold, and the settings
// surviving a save and the next read.
#include "ostrelviewer.h"
#include "tavwriter.h"
#include "tst_ostrelmodal.h"
#include "vytabtolerance.h"
#include "vytolerancepairs.h"
#include "vytoleranceresults.h"

#include <QtWidgets>

namespace {

const qint64 T0 = 1700000000;

// One sample a minute. Hold 1: setpoint 25 for an hour, the measured value within ±0.3 but
// at 27.5 for two samples at half time (outside ±2, inside ±3). Hold 2: setpoint 40 for
// 59 minutes, reached within two samples. missingSetpoint: the setpoint is the missing mark.
QString writeRecording(const QString& path, bool missingSetpoint = false)
{
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    for (int k = 0; k <= 120; ++k) {
        const double sp = k <= 60 ? 25.0 : 40.0;
        double pv = sp + 0.3 * (k % 3 - 1);
        if (k == 30 || k == 31)
            pv = 27.5;
        if (k == 61)
            pv = 32.0;
        stamps.append(quint32(T0 + 60 * k));
        rows.append({qint32(std::lround(pv * 10)),
                     missingSetpoint ? -9999 : qint32(std::lround(sp * 10)), 500});
    }
    TavWriter w;
    w.historyBlock(4, {"温度", "温度设定", "湿度"}, {10, 10, 10}, stamps, rows);
    return w.save(path) ? path : QString();
}

struct Viewer : OstrelViewer
{
    explicit Viewer(const QString& config)
    {
        // The settings of this test alone: none installed, none from earlier runs.
        w.drawer->configPath = config;
        w.drawer->defaultConfigPath.clear();
        w.drawer->fallbackConfigPath.clear();
    }
    VyTabTolerance* page() const { return w.tabTolerance; }
    VyTolerancePairs* pairs() const { return w.tabTolerance->pairsTable(); }
    QString verdict() const { return w.tabTolerance->verdictLabel()->text(); }
    bool open(const QString& path)
    {
        const int before = reads.count();
        QMetaObject::invokeMethod(&w, "startFile", Q_ARG(QString, path));
        return reads.count() > before || reads.wait(30000);
    }
    void setBand(int row, double band)
    {
        pairs()->spinAt(row, VyTolerancePairs::ColBelow)->setValue(band);
        pairs()->spinAt(row, VyTolerancePairs::ColAbove)->setValue(band);
    }
    // The rows of kind in the results, in order.
    QList<QTreeWidgetItem*> rows(VyToleranceResults::Kind kind) const
    {
        QList<QTreeWidgetItem*> found;
        for (QTreeWidgetItemIterator it(w.tabTolerance->resultsTree()); *it; ++it) {
            if ((*it)->data(0, VyToleranceResults::KindRole).toInt() == kind)
                found << *it;
        }
        return found;
    }
    // Double-clicks item as the user would, on the page shown.
    void doubleClick(QTreeWidgetItem* item)
    {
        w.findChild<QTabWidget*>()->setCurrentWidget(w.tabTolerance);
        VyToleranceResults* tree = w.tabTolerance->resultsTree();
        QTRY_VERIFY(tree->isVisible() && tree->viewport()->height() > 0);
        tree->scrollToItem(item);
        QApplication::processEvents();
        const QPoint at = tree->visualItemRect(item).center();
        QCOMPARE(tree->itemAt(at), item);
        // The sequence a real double-click delivers: the view acts on the second press only
        // after the first click has been released.
        const QEvent::Type sequence[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
        for (QEvent::Type type : sequence) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, tree->viewport()->mapToGlobal(at), Qt::LeftButton, held,
                              Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &event);
        }
    }
    qint64 centre() const { return (w.drawer->stampStart + w.drawer->stampEnd) / 2; }
};

QString pairText(VyTolerancePairs* t, int row)
{
    return QStringLiteral("%1/%2:%3:%4")
        .arg(t->comboAt(row, VyTolerancePairs::ColMeasured)->currentText(),
             t->comboAt(row, VyTolerancePairs::ColSetpoint)->currentText())
        .arg(t->spinAt(row, VyTolerancePairs::ColBelow)->value())
        .arg(t->spinAt(row, VyTolerancePairs::ColAbove)->value());
}

} // namespace

class TestTolerancePanel : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;
    QString recording;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QList<int>>("QList<int>");
        recording = writeRecording(tmp.filePath("hold.tavdata"));
        QVERIFY(!recording.isEmpty());
    }

    void untouchedBandKept_data()
    {
        QTest::addColumn<double>("saved");
        QTest::addColumn<double>("typed"); // < 0: nobody touches the box
        QTest::addColumn<double>("read");
        QTest::newRow("finer than the box") << 2.125 << -1.0 << 2.125;
        QTest::newRow("a third") << 1.0 / 3 << -1.0 << 1.0 / 3;
        QTest::newRow("edited") << 2.125 << 1.5 << 1.5;
        QTest::newRow("beyond the box, clamped") << 5000.0 << -1.0 << 999.0;
    }

    // A band nobody edited is read back as it was saved, not as the box rounds it.
    void untouchedBandKept()
    {
        QFETCH(double, saved);
        QFETCH(double, typed);
        VyTolerancePairs table;
        table.setNames({QStringLiteral("温度"), QStringLiteral("温度设定")});
        TolerancePair p;
        p.measured = 0;
        p.setpoint = 1;
        p.band.below = saved;
        p.band.above = 2.0;
        table.setPairs({p});
        if (typed >= 0)
            table.spinAt(0, VyTolerancePairs::ColBelow)->setValue(typed);
        QTEST(table.pairs().value(0).band.below, "read");
        QCOMPARE(table.pairs().value(0).band.above, 2.0);
    }

    // The automatic pair fails at ±2 and passes once its band is edited to ±3; a
    // double-click centres the plot on an excursion, then on a hold.
    void bandDecidesTheVerdict()
    {
        ModalAnswerer answerer;
        Viewer v(tmp.filePath("band.ini"));
        QVERIFY(v.show(1400, 900));
        QVERIFY(v.open(recording));
        QCOMPARE(v.pairs()->rowCount(), 1);
        QCOMPARE(pairText(v.pairs(), 0), QStringLiteral("温度/温度设定:2:2"));
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：不合格"));
        QCOMPARE(v.rows(VyToleranceResults::HoldRow).size(), 2);
        QCOMPARE(v.rows(VyToleranceResults::HoldRow)[0]->text(1), QStringLiteral("不合格"));
        QCOMPARE(v.rows(VyToleranceResults::HoldRow)[1]->text(1), QStringLiteral("合格"));
        QCOMPARE(v.rows(VyToleranceResults::RampRow).size(), 1);

        const QList<QTreeWidgetItem*> excursions = v.rows(VyToleranceResults::ExcursionRow);
        QCOMPARE(excursions.size(), 1);
        QCOMPARE(excursions[0]->text(1), QStringLiteral("2023/11/14 22:43:20"));
        v.doubleClick(excursions[0]);
        // From the first sample out of band to the next one back in it.
        QCOMPARE(v.centre(), T0 + (1800 + 1920) / 2);

        v.setBand(0, 3.0);
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：合格"));
        QCOMPARE(v.w.drawer->toleranceResults.size(), 1);
        QVERIFY(v.w.drawer->toleranceResults[0].pass);
        QCOMPARE(v.rows(VyToleranceResults::ExcursionRow).size(), 0);

        v.doubleClick(v.rows(VyToleranceResults::HoldRow)[1]);
        QCOMPARE(v.centre(), T0 + (3660 + 7200) / 2);

        // A failed read keeps the recording, so its pairs and outcome stay.
        const QString bad = TestUtil::writeFile(tmp.filePath("bad.tavdata"), QByteArray(300, 'Z'));
        QVERIFY(v.open(bad));
        QCOMPARE(v.verdict(), QStringLiteral("总判定：合格"));
        QCOMPARE(v.pairs()->rowCount(), 1);
        QCOMPARE(v.w.drawer->toleranceResults.size(), 1);

        // The recording goes, and everything of it.
        v.w.clearAll();
        QCOMPARE(v.pairs()->rowCount(), 0);
        QCOMPARE(v.rows(VyToleranceResults::PairRow).size(), 0);
        QVERIFY(v.w.drawer->toleranceResults.isEmpty());
        QVERIFY(v.verdict().isEmpty());
    }

    // The pairs table's own buttons: a removed pair leaves nothing to check, an added one
    // is the automatic pair again with the default band.
    void addAndRemove()
    {
        ModalAnswerer answerer;
        Viewer v(tmp.filePath("buttons.ini"));
        QVERIFY(v.open(recording));
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：不合格"));
        v.setBand(0, 3.0);
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：合格"));
        QPushButton* remove = nullptr;
        QPushButton* add = nullptr;
        for (QPushButton* b : v.page()->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("删除"))
                remove = b;
            if (b->text() == QStringLiteral("添加"))
                add = b;
        }
        QVERIFY(remove && add);
        remove->click();
        QCOMPARE(v.pairs()->rowCount(), 0);
        QTRY_COMPARE(v.verdict(), QStringLiteral("无容差配对"));
        QVERIFY(v.w.drawer->tolerance.pairs.isEmpty());
        add->click();
        QCOMPARE(pairText(v.pairs(), 0), QStringLiteral("温度/温度设定:2:2"));
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：不合格"));
    }

    // Without a valid setpoint there is no hold: the pair fails, and the page says why.
    void missingSetpoint()
    {
        ModalAnswerer answerer;
        Viewer v(tmp.filePath("missing.ini"));
        QVERIFY(v.open(writeRecording(tmp.filePath("missing.tavdata"), true)));
        QTRY_COMPARE(v.verdict(), QStringLiteral("总判定：不合格"));
        const QList<QTreeWidgetItem*> notes = v.rows(VyToleranceResults::NoteRow);
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes[0]->text(0), QStringLiteral("温度设定：设定值无有效保持段"));
    }

    // Pairs, bands, timing and the switch are saved by the save button and read back with
    // the next recording, whatever was edited in between.
    void saveAndReread()
    {
        ModalAnswerer answerer;
        const QString config = tmp.filePath("saved.ini");
        Viewer v(config);
        QVERIFY(v.open(recording));
        QCOMPARE(v.pairs()->rowCount(), 1);
        // Another pair than the automatic one, so that reading it back is no coincidence.
        v.pairs()->comboAt(0, VyTolerancePairs::ColMeasured)->setCurrentIndex(2);
        v.setBand(0, 1.5);
        v.page()->dwellEditor()->setValue(240);
        v.page()->minHoldEditor()->setValue(120);
        v.page()->bandsSwitch()->setChecked(true);
        QVERIFY(v.w.drawer->tolerance.showBands);
        QVERIFY(QMetaObject::invokeMethod(&v.w, "saveSettings"));
        QVERIFY(QFile::exists(config));

        v.pairs()->comboAt(0, VyTolerancePairs::ColMeasured)->setCurrentIndex(0);
        v.setBand(0, 5.0);
        v.page()->dwellEditor()->setValue(900);
        v.page()->minHoldEditor()->setValue(60);
        v.page()->bandsSwitch()->setChecked(false);

        QVERIFY(v.open(recording));
        QCOMPARE(v.pairs()->rowCount(), 1);
        QCOMPARE(pairText(v.pairs(), 0), QStringLiteral("湿度/温度设定:1.5:1.5"));
        QCOMPARE(v.page()->dwellEditor()->value(), 240.0);
        QCOMPARE(v.page()->minHoldEditor()->value(), 120.0);
        QVERIFY(v.page()->bandsSwitch()->isChecked());
        const ToleranceSettings& s = v.w.drawer->tolerance;
        QCOMPARE(s.pairs.size(), 1);
        QCOMPARE(s.pairs[0].measured, 2);
        QCOMPARE(s.pairs[0].setpoint, 1);
        QCOMPARE(s.timing.dwell, 240.0);
        QCOMPARE(s.timing.minHold, 120.0);
        QVERIFY(s.showBands);
        QTRY_COMPARE(v.w.drawer->toleranceResults.size(), 1);
    }
};

QTEST_MAIN(TestTolerancePanel)
#include "tst_tolerancepanel.moc"
