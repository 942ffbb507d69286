// The canvas's tolerance check: its settings from and to the configuration file, and the
// check of the loaded recording, which runs off the GUI thread.
#include "tavdrawer.h"

#include "plotlog.h"
#include "toleranceconfig.h"
#include "tolerancerunner.h"

void TavDrawer::requestToleranceCheck()
{
    // Other settings or another recording: no earlier check can be gone on from.
    ++toleranceGeneration;
    continueToleranceCheck();
}

// Samples were appended to the recording checked last, with the same settings: the check
// goes on from the last hold or ramp still open.
void TavDrawer::continueToleranceCheck()
{
    if (!hasData() || tolerance.pairs.isEmpty()) {
        // Nothing to check: what is on show goes, and a check under way with it.
        toleranceRunner->cancel();
        return;
    }
    ToleranceJob job = ToleranceJob::take(dataSet, tolerance);
    job.generation = toleranceGeneration;
    toleranceRunner->request(job);
}

bool TavDrawer::toleranceCheckPending() const
{
    return toleranceRunner->busy();
}

// After a read: the saved pairs of this recording's variables, or the automatic ones.
void TavDrawer::applySavedTolerance()
{
    bool damaged = false;
    const ToleranceConfig::Saved saved = ToleranceConfig::read(
        readConfigPath(), ToleranceConfig::named(tolerance, dataSet.names), &damaged);
    configDamaged = configDamaged || damaged;
    tolerance = ToleranceConfig::forRecording(saved, dataSet.names, curveInfoList);
    qCDebug(lcPlot) << "TavDrawer::applySavedTolerance" << tolerance.pairs.size() << "pairs";
    if (toleranceCheckAfterRead)
        requestToleranceCheck();
}

void TavDrawer::saveTolerance(const QString& path)
{
    const QStringList names = hasData() ? dataSet.names : QStringList();
    if (!ToleranceConfig::write(path, ToleranceConfig::named(tolerance, names)))
        qCWarning(lcPlot) << "TavDrawer::saveTolerance failed" << path;
}

// The recording went away: its pairs and results go with it.
void TavDrawer::dropTolerance()
{
    tolerance.pairs.clear();
    toleranceRunner->cancel();
}
