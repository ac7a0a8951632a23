#include "assetspage/GridPane.h"

#include "analysis/AnalysisWords.h"
#include "assetspage/GridForm.h"
#include "assetspage/GridMapView.h"
#include "assetspage/PlacesWords.h"
#include "interaction/UserInteraction.h"
#include "records/RecordsModel.h"
#include "session/GridBook.h"
#include "store/Places.h"

#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString dateText(qint64 ms)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms), QLocale::ShortFormat);
}

} // namespace

GridPane::GridPane(UserInteraction &ui, QWidget *parent)
    : QWidget(parent)
    , m_ui(ui)
    , m_surveyLabel(new QLabel(this))
    , m_survey(new QComboBox(this))
    , m_lossLabel(new QLabel(this))
    , m_lossFrom(new QComboBox(this))
    , m_map(new GridMapView(this))
    , m_summary(new QLabel(this))
    , m_unseenTitle(new QLabel(this))
    , m_unseen(new QLabel(this))
    , m_blocksLabel(new QLabel(this))
    , m_blockRows(new QSpinBox(this))
    , m_blockColumns(new QSpinBox(this))
    , m_cellsLabel(new QLabel(this))
    , m_cells(new QLineEdit(this))
    , m_areaLabel(new QLabel(this))
    , m_totalArea(new QDoubleSpinBox(this))
    , m_cellTitle(new QLabel(this))
    , m_cellHistory(new QListWidget(this))
    , m_savePng(new QPushButton(this))
    , m_define(new QPushButton(this))
    , m_fill(new QPushButton(this))
{
    setObjectName(QStringLiteral("gridPane"));
    m_survey->setObjectName(QStringLiteral("gridSurvey"));
    m_lossFrom->setObjectName(QStringLiteral("gridLossFrom"));
    m_summary->setObjectName(QStringLiteral("gridSummary"));
    m_unseen->setObjectName(QStringLiteral("gridUnseen"));
    m_cellHistory->setObjectName(QStringLiteral("gridCellHistory"));
    m_savePng->setObjectName(QStringLiteral("pushButton_gridPng"));
    m_define->setObjectName(QStringLiteral("pushButton_defineGrid"));
    m_fill->setObjectName(QStringLiteral("pushButton_fillGrid"));
    m_summary->setWordWrap(true);
    m_unseen->setWordWrap(true);
    m_unseen->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_blockRows->setRange(1, GridLayout::MaxRows);
    m_blockColumns->setRange(0, GridLayout::MaxColumns);
    m_totalArea->setRange(0, 1e7);
    m_totalArea->setDecimals(2);
    m_totalArea->setSuffix(QStringLiteral(" m²"));

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    auto *choosers = new QHBoxLayout;
    choosers->addWidget(m_surveyLabel);
    choosers->addWidget(m_survey, 1);
    choosers->addWidget(m_lossLabel);
    choosers->addWidget(m_lossFrom, 1);
    top->addLayout(choosers);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_map);
    auto *side = new QWidget(split);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(m_summary);
    sideLayout->addWidget(m_unseenTitle);
    sideLayout->addWidget(m_unseen);
    auto *options = new QFormLayout;
    auto *blocks = new QHBoxLayout;
    blocks->addWidget(m_blockRows);
    blocks->addWidget(new QLabel(QStringLiteral("×"), side));
    blocks->addWidget(m_blockColumns);
    options->addRow(m_blocksLabel, blocks);
    options->addRow(m_cellsLabel, m_cells);
    options->addRow(m_areaLabel, m_totalArea);
    sideLayout->addLayout(options);
    sideLayout->addWidget(m_cellTitle);
    sideLayout->addWidget(m_cellHistory, 1);
    split->addWidget(side);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    top->addWidget(split, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_savePng);
    buttons->addWidget(m_define);
    buttons->addWidget(m_fill);
    buttons->addStretch(1);
    top->addLayout(buttons);

    connect(m_survey, &QComboBox::currentIndexChanged, this, [this] { showSurvey(); });
    connect(m_lossFrom, &QComboBox::currentIndexChanged, this, [this] { showSurvey(); });
    connect(m_blockRows, &QSpinBox::valueChanged, this, [this] { showUnseen(); });
    connect(m_blockColumns, &QSpinBox::valueChanged, this, [this] { showUnseen(); });
    connect(m_totalArea, &QDoubleSpinBox::valueChanged, this, [this] { showUnseen(); });
    connect(m_cells, &QLineEdit::editingFinished, this, [this] { showUnseen(); });
    connect(m_map, &GridMapView::cellClicked, this, &GridPane::showCell);
    connect(m_savePng, &QPushButton::clicked, this, &GridPane::saveMapPng);
    connect(m_define, &QPushButton::clicked, this, &GridPane::defineGrid);
    connect(m_fill, &QPushButton::clicked, this, [this] {
        if (m_cml)
            emit fillRequested(m_cml);
    });
    retranslate();
}

GridPane::~GridPane() = default;

void GridPane::retranslate()
{
    m_surveyLabel->setText(tr("Survey:"));
    m_lossLabel->setText(tr("Wall loss from:"));
    m_unseenTitle->setText(tr("<b>Thinnest wall over the area (unseen minimum)</b>"));
    m_blocksLabel->setText(tr("Sample blocks (rows × columns, 0: whole rows):"));
    m_areaLabel->setText(tr("Total area (0: the grid's own):"));
    m_cellsLabel->setText(tr("Only cells:"));
    m_cells->setPlaceholderText(tr("all, or e.g. B2:D9,F3"));
    m_savePng->setText(tr("Save Map as PNG…"));
    m_define->setText(tr("Define Grid…"));
    m_fill->setText(tr("Fill from Gauge…"));
    m_totalArea->setSpecialValueText(tr("the grid's own"));
    if (m_lossFrom->count() > 0)
        m_lossFrom->setItemText(0, tr("none (thickness)"));
    showSurvey();
}

void GridPane::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

bool GridPane::setCml(Places *places, qint64 cml)
{
    m_places = places;
    m_cml = 0;
    m_cell = GridCell();
    m_book.reset();
    if (places && cml) {
        m_book = std::make_unique<GridBook>(*places);
        if (m_book->load(cml))
            m_cml = cml;
        else
            m_book.reset();
    }
    fillSurveyChoosers();
    showCell(GridCell());
    return m_cml != 0;
}

void GridPane::fillSurveyChoosers()
{
    const QSignalBlocker a(m_survey), b(m_lossFrom);
    m_survey->clear();
    m_lossFrom->clear();
    m_lossFrom->addItem(tr("none (thickness)"), qint64(0));
    if (m_book) {
        const QVector<qint64> surveys = m_book->surveys();
        for (auto it = surveys.crbegin(); it != surveys.crend(); ++it) {
            const QString label = dateText(m_places->survey(*it).dateMs);
            m_survey->addItem(label, *it);
            m_lossFrom->addItem(label, *it);
        }
    }
    for (QWidget *w : std::initializer_list<QWidget *>{m_survey, m_lossFrom, m_blockRows, m_blockColumns, m_cells, m_totalArea,
                                                        m_savePng, m_fill})
        w->setEnabled(m_book != nullptr);
    m_define->setEnabled(m_book != nullptr);
    showSurvey();
}

bool GridPane::chooseSurvey(qint64 survey)
{
    const int at = m_survey->findData(survey);
    if (at >= 0)
        m_survey->setCurrentIndex(at);
    return at >= 0;
}

bool GridPane::chooseLossFrom(qint64 survey)
{
    const int at = m_lossFrom->findData(survey);
    if (at >= 0)
        m_lossFrom->setCurrentIndex(at);
    return at >= 0;
}

void GridPane::setBlocks(int rows, int columns)
{
    const QSignalBlocker a(m_blockRows);
    m_blockRows->setValue(rows);
    m_blockColumns->setValue(columns); // shows the estimate again
}

void GridPane::setCells(const QString &cells)
{
    m_cells->setText(cells);
    showUnseen();
}

void GridPane::setTotalArea(double m2)
{
    m_totalArea->setValue(m2);
}

QString GridPane::numberText(double value) const
{
    return RecordsModel::formatValue(value, m_book ? m_book->decimals() : 2) + QLatin1Char(' ')
        + (m_book ? m_book->unit() : QString());
}

void GridPane::showSurvey()
{
    if (!m_book || m_survey->count() == 0) {
        m_map->clear();
        m_summary->setText(m_book ? tr("No readings on this grid yet.") : QString());
        m_unseen->clear();
        if (m_book) // the shape is still worth seeing before the first survey
            m_map->setMap(m_book->grid().layout, {}, GridQuantity::Thickness, m_book->unit(), m_book->decimals());
        return;
    }
    const qint64 survey = m_survey->currentData().toLongLong();
    const qint64 from = m_lossFrom->currentData().toLongLong();
    const bool loss = from != 0 && from != survey;
    const GridSurveyValues values = m_book->values(survey);
    const QVector<double> shown = loss ? m_book->loss(from, survey) : values.values;
    QVector<qint64> dates(values.keys.size(), 0);
    for (int i = 0; i < values.keys.size(); ++i)
        if (values.keys.at(i))
            dates[i] = values.dateMs;
    const Cml &cml = m_book->cml();
    std::optional<Limits> limits;
    if (!loss && std::isfinite(cml.nominal) && std::isfinite(cml.minimum) && cml.minimum <= cml.nominal)
        limits = Limits{cml.nominal, cml.minimum, 0.0, std::nullopt, m_book->unit()};
    const GridQuantity quantity = loss ? GridQuantity::WallLoss : GridQuantity::Thickness;
    m_map->setMap(m_book->grid().layout, shown, quantity, m_book->unit(), m_book->decimals(), limits, cml.tag, dates);

    const GridSummary &sum = m_map->summary();
    const int cells = m_book->grid().layout.cellCount() - m_book->grid().layout.maskedCount();
    if (!sum.worst.isValid())
        m_summary->setText(tr("No cell measured in this survey."));
    else
        m_summary->setText((loss ? tr("Deepest loss: %1, %2 (%3 of %4 cells measured).")
                                 : tr("Thinnest cell: %1, %2 (%3 of %4 cells measured)."))
                               .arg(GridLayout::cellName(sum.worst.cell), numberText(sum.worst.value))
                               .arg(sum.measured)
                               .arg(cells));
    showUnseen();
}

void GridPane::showUnseen()
{
    if (!m_book || m_survey->count() == 0) {
        m_unseen->clear();
        return;
    }
    UnseenOptions options;
    options.blockRows = m_blockRows->value();
    options.blockColumns = m_blockColumns->value();
    if (m_totalArea->value() > 0)
        options.totalAreaM2 = m_totalArea->value();
    QString bad;
    if (!m_book->grid().layout.cellsFromText(m_cells->text(), &options.cells, &bad)) {
        m_unseen->setText(tr("No estimate: '%1' is no cell of this grid.").arg(bad));
        return;
    }
    const UnseenMinimum u = m_book->unseenMinimum(m_survey->currentData().toLongLong(), options);
    const QString areaUnit = u.areasInCells ? tr("cells") : QStringLiteral("m²");
    const auto area = [](double a) { return QLocale().toString(a, 'g', 4); };
    const QString reference = u.referenceIsNominal ? tr("the nominal thickness") : tr("the thickest reading");
    const QString assumptions =
        tr("From %1 blocks of %2 cells (%3 %4 each) over %5 %4, losses counted from %6; %7 cells measured.")
            .arg(u.blocks)
            .arg(u.cellsPerBlock)
            .arg(area(u.blockArea), areaUnit, area(u.totalArea), reference)
            .arg(u.measuredCells);
    if (!u.estimate.ok()) {
        m_unseen->setText(tr("No estimate: %1").arg(findingText(u.estimate.loss.refusal)) + QLatin1Char('\n')
                          + assumptions);
        return;
    }
    m_unseen->setText(tr("Expected thinnest: %1 (95 % interval %2 to %3); thinnest measured %4 at %5.")
                          .arg(numberText(u.estimate.thinnest), numberText(u.estimate.lower),
                               numberText(u.estimate.upper), numberText(u.thinnestMeasured),
                               GridLayout::cellName(u.thinnestCell))
                      + QLatin1Char('\n') + assumptions);
}

QString GridPane::summaryText() const
{
    return m_summary->text();
}

QString GridPane::unseenText() const
{
    return m_unseen->text();
}

QStringList GridPane::cellHistoryTexts() const
{
    QStringList out;
    for (int i = 0; i < m_cellHistory->count(); ++i)
        out << m_cellHistory->item(i)->text();
    return out;
}

void GridPane::showCell(GridCell cell)
{
    m_cell = m_book && m_book->grid().layout.contains(cell) ? cell : GridCell();
    m_cellHistory->clear();
    if (!m_cell.isValid()) {
        m_cellTitle->setText(m_book ? tr("Click a cell to see its readings.") : QString());
        return;
    }
    m_cellTitle->setText(tr("Readings of %1:").arg(GridLayout::cellName(m_cell)));
    const QVector<GridReading> history = m_book->cellHistory(m_cell);
    for (const GridReading &r : history)
        m_cellHistory->addItem(tr("%1: %2").arg(dateText(r.dateMs),
                                                std::isfinite(r.thickness) ? numberText(r.thickness) : tr("out of range")));
    if (history.isEmpty())
        m_cellHistory->addItem(tr("never measured"));
}

void GridPane::saveMapPng()
{
    if (!m_book)
        return;
    const QString path = m_ui.getSaveFileName(this, tr("Save Map as PNG"), m_book->cml().tag + QStringLiteral(".png"),
                                              tr("PNG images (*.png)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!m_map->saveMapPng(path, &error))
        m_ui.information(this, tr("Save Map as PNG"), tr("The map could not be saved: %1").arg(error));
}

void GridPane::defineGrid()
{
    if (!m_book || !m_places)
        return;
    GridForm form(m_book->cml().tag, m_book->grid(), this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    if (!m_places->setGrid(m_cml, form.definition()))
        return m_ui.information(this, form.windowTitle(), PlacesWords::problem(*m_places));
    const qint64 cml = m_cml;
    setCml(m_places, cml);
    emit gridChanged(cml);
}
