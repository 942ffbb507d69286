#pragma once

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class TavDrawer;
class VyTolerancePairs;
class VyToleranceResults;

// "容差检查": the pairs and timing the canvas checks its recording against, the
// "显示容差带" switch, and the outcome of the check with the overall verdict.
//
// The page works on the canvas directly: an edit writes the canvas's tolerance settings and
// asks for a check, which runs off the GUI thread; the outcome arrives through the canvas's
// toleranceChecked. The window connects the canvas's readFinished to onReadFinished and
// jumpToStamp to the canvas's onMoveTCenter.
class VyTabTolerance : public QWidget
{
    Q_OBJECT
public:
    explicit VyTabTolerance(TavDrawer* canvas);

    VyTolerancePairs* pairsTable() const { return m_pairs; }
    VyToleranceResults* resultsTree() const { return m_results; }
    QDoubleSpinBox* dwellEditor() const { return m_dwell; }
    QDoubleSpinBox* minHoldEditor() const { return m_minHold; }
    QCheckBox* bandsSwitch() const { return m_showBands; }
    QLabel* verdictLabel() const { return m_verdict; }

    static constexpr double MaxSeconds = 1.0e7;

public slots:
    // A read finished (an empty path: it failed, and the recording on screen stays).
    void onReadFinished(const QString& path);
    // The canvas's results changed.
    void onToleranceChecked();

signals:
    void jumpToStamp(qlonglong stamp);

private:
    QWidget* buildSettings();
    void fillFromCanvas();
    void pairsEdited();
    void timingEdited();
    void addPair();
    void showVerdict();

    TavDrawer* m_canvas;
    VyTolerancePairs* m_pairs;
    QPushButton* m_add;
    QPushButton* m_remove;
    QDoubleSpinBox* m_dwell;
    QDoubleSpinBox* m_minHold;
    QCheckBox* m_showBands;
    VyToleranceResults* m_results;
    QLabel* m_verdict;
};
