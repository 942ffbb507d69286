#include "vytolerancepairs.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>

namespace {

// The band a box was filled with, until the user changes it.
const char* const ExactBand = "exactBand";

} // namespace

VyTolerancePairs::VyTolerancePairs()
{
    setColumnCount(4);
    setHorizontalHeaderLabels({tr("实测值"), tr("设定值"), tr("下偏差"), tr("上偏差")});
    verticalHeader()->hide();
    // Four editors share a side panel about 300 pixels wide: the names take what is left.
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(ColMeasured, QHeaderView::Stretch);
    header->setSectionResizeMode(ColSetpoint, QHeaderView::Stretch);
    header->setSectionResizeMode(ColBelow, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ColAbove, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void VyTolerancePairs::setNames(const QStringList& names)
{
    m_names = names;
    setRowCount(0);
}

void VyTolerancePairs::setPairs(const QVector<TolerancePair>& pairs)
{
    m_filling = true;
    setRowCount(0);
    for (const TolerancePair& p : pairs)
        appendRow(p);
    m_filling = false;
}

QVector<TolerancePair> VyTolerancePairs::pairs() const
{
    QVector<TolerancePair> pairs;
    for (int r = 0; r < rowCount(); ++r) {
        TolerancePair p;
        p.measured = comboAt(r, ColMeasured)->currentIndex();
        p.setpoint = comboAt(r, ColSetpoint)->currentIndex();
        p.band.below = bandOf(spinAt(r, ColBelow));
        p.band.above = bandOf(spinAt(r, ColAbove));
        pairs.append(p);
    }
    return pairs;
}

void VyTolerancePairs::addPair(const TolerancePair& pair)
{
    appendRow(pair);
    setCurrentCell(rowCount() - 1, ColMeasured);
    emit pairsEdited();
}

void VyTolerancePairs::removeCurrentPair()
{
    if (rowCount() == 0)
        return;
    const int r = currentRow() >= 0 ? currentRow() : rowCount() - 1;
    removeRow(r);
    emit pairsEdited();
}

QComboBox* VyTolerancePairs::comboAt(int row, int column) const
{
    return qobject_cast<QComboBox*>(cellWidget(row, column));
}

QDoubleSpinBox* VyTolerancePairs::spinAt(int row, int column) const
{
    return qobject_cast<QDoubleSpinBox*>(cellWidget(row, column));
}

void VyTolerancePairs::appendRow(const TolerancePair& pair)
{
    const int r = rowCount();
    setRowCount(r + 1);
    setCellWidget(r, ColMeasured, nameBox(pair.measured));
    setCellWidget(r, ColSetpoint, nameBox(pair.setpoint));
    setCellWidget(r, ColBelow, bandBox(pair.band.below));
    setCellWidget(r, ColAbove, bandBox(pair.band.above));
}

QComboBox* VyTolerancePairs::nameBox(int index)
{
    auto* box = new QComboBox;
    box->addItems(m_names);
    box->setCurrentIndex(index >= 0 && index < m_names.size() ? index : 0);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(4);
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &VyTolerancePairs::onEdited);
    return box;
}

QDoubleSpinBox* VyTolerancePairs::bandBox(double value)
{
    auto* spin = new QDoubleSpinBox;
    spin->setRange(0.0, MaxBand);
    spin->setDecimals(2);
    spin->setSingleStep(0.1);
    spin->setValue(qBound(0.0, value, MaxBand));
    // The box shows two decimals, but a saved band nobody edits is kept as it came: a save
    // must not round 2.125 to 2.13.
    if (value >= 0.0 && value <= MaxBand)
        spin->setProperty(ExactBand, value);
    spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    // A band typed digit by digit is checked once, when the editor is left or Enter pressed.
    spin->setKeyboardTracking(false);
    connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this, spin] {
        spin->setProperty(ExactBand, QVariant());
        onEdited();
    });
    return spin;
}

double VyTolerancePairs::bandOf(const QDoubleSpinBox* spin)
{
    const QVariant exact = spin->property(ExactBand);
    return exact.isValid() ? exact.toDouble() : spin->value();
}

void VyTolerancePairs::onEdited()
{
    if (!m_filling)
        emit pairsEdited();
}
