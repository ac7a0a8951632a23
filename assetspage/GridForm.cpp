#include "assetspage/GridForm.h"

#include "assetspage/DialogButtons.h"
#include "assetspage/GridMapView.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

GridForm::GridForm(const QString &cmlTag, const std::optional<GridDefinition> &current, QWidget *parent)
    : QDialog(parent)
    , m_rows(new QSpinBox(this))
    , m_columns(new QSpinBox(this))
    , m_lastColumn(new QLabel(this))
    , m_pitch(new QDoubleSpinBox(this))
    , m_corner(new QComboBox(this))
    , m_axis(new QComboBox(this))
    , m_style(new QComboBox(this))
    , m_masked(new QLabel(this))
    , m_map(new GridMapView(this))
{
    setObjectName(QStringLiteral("GridForm"));
    setWindowTitle(current ? tr("Grid of %1").arg(cmlTag) : tr("Make %1 a grid").arg(cmlTag));
    m_rows->setObjectName(QStringLiteral("gridRows"));
    m_columns->setObjectName(QStringLiteral("gridColumns"));
    m_pitch->setObjectName(QStringLiteral("gridPitch"));
    m_map->setObjectName(QStringLiteral("gridMaskMap"));
    m_rows->setRange(1, GridLayout::MaxRows);
    m_columns->setRange(1, GridLayout::MaxColumns);
    m_pitch->setRange(0, 10000);
    m_pitch->setDecimals(1);
    m_pitch->setSuffix(tr(" mm"));
    m_pitch->setSpecialValueText(tr("not given"));
    m_corner->addItem(tr("Top left (A1)"), int(WalkCorner::TopLeft));
    m_corner->addItem(tr("Top right"), int(WalkCorner::TopRight));
    m_corner->addItem(tr("Bottom left"), int(WalkCorner::BottomLeft));
    m_corner->addItem(tr("Bottom right"), int(WalkCorner::BottomRight));
    m_axis->addItem(tr("Along rows"), int(WalkAxis::AlongRows));
    m_axis->addItem(tr("Along columns"), int(WalkAxis::AlongColumns));
    m_style->addItem(tr("Straight"), int(WalkStyle::Straight));
    m_style->addItem(tr("Snaking"), int(WalkStyle::Snaking));

    m_layout = current ? current->layout : GridLayout(10, 10);
    m_rows->setValue(m_layout.rows());
    m_columns->setValue(m_layout.columns());
    m_pitch->setValue(std::isfinite(m_layout.pitchMm()) ? m_layout.pitchMm() : 0.0);
    setWalk(current ? current->walk : WalkPattern());

    auto *top = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto *size = new QHBoxLayout;
    size->addWidget(m_rows);
    size->addWidget(new QLabel(tr("rows ×"), this));
    size->addWidget(m_columns);
    size->addWidget(m_lastColumn);
    size->addStretch(1);
    form->addRow(tr("Size:"), size);
    form->addRow(tr("Pitch:"), m_pitch);
    auto *walk = new QHBoxLayout;
    walk->addWidget(m_corner);
    walk->addWidget(m_axis);
    walk->addWidget(m_style);
    form->addRow(tr("Walk from:"), walk);
    top->addLayout(form);
    top->addWidget(new QLabel(tr("Click cells that are not measured (a nozzle, a support) to leave them out:"), this));
    m_map->setMinimumSize(360, 260);
    top->addWidget(m_map, 1);
    top->addWidget(m_masked);
    top->addWidget(okCancelButtons(this));

    connect(m_rows, &QSpinBox::valueChanged, this, &GridForm::resizeGrid);
    connect(m_columns, &QSpinBox::valueChanged, this, &GridForm::resizeGrid);
    connect(m_map, &GridMapView::cellClicked, this, &GridForm::toggleMask);
    showLayout();
}

void GridForm::setWalk(const WalkPattern &walk)
{
    m_corner->setCurrentIndex(m_corner->findData(int(walk.corner)));
    m_axis->setCurrentIndex(m_axis->findData(int(walk.axis)));
    m_style->setCurrentIndex(m_style->findData(int(walk.style)));
}

GridDefinition GridForm::definition() const
{
    GridDefinition d;
    d.layout = m_layout;
    d.layout.setPitchMm(m_pitch->value() > 0 ? m_pitch->value() : std::nan(""));
    d.walk.corner = WalkCorner(m_corner->currentData().toInt());
    d.walk.axis = WalkAxis(m_axis->currentData().toInt());
    d.walk.style = WalkStyle(m_style->currentData().toInt());
    return d;
}

void GridForm::resizeGrid()
{
    m_layout.setSize(m_rows->value(), m_columns->value());
    showLayout();
}

void GridForm::toggleMask(GridCell cell)
{
    m_layout.setMasked(cell, !m_layout.isMasked(cell));
    showLayout();
}

void GridForm::showLayout()
{
    m_lastColumn->setText(tr("columns (A…%1)").arg(GridLayout::columnLabel(m_layout.columns() - 1)));
    m_masked->setText(tr("%n cell(s) left out", nullptr, m_layout.maskedCount()));
    m_map->setMap(m_layout, {}, GridQuantity::Thickness, QString(), 2);
}
