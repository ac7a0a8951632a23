#include "recordspage/StatisticsPanel.h"

#include "analysis/ReadingsAnalysis.h"
#include "records/RecordsModel.h"
#include "recordspage/BandDelegate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QStringList figureHeaders()
{
    return {StatisticsPanel::tr("Column"),    StatisticsPanel::tr("Count"),
            StatisticsPanel::tr("Minimum"),   StatisticsPanel::tr("Maximum"),
            StatisticsPanel::tr("Mean"),      StatisticsPanel::tr("Range"),
            StatisticsPanel::tr("Std. dev."), StatisticsPanel::tr("Out of range"),
            BandDelegate::name(Band::Red),    BandDelegate::name(Band::Amber),
            BandDelegate::name(Band::Normal), BandDelegate::name(Band::Blue)};
}

QString number(double v, int decimals)
{
    return std::isfinite(v) ? RecordsModel::formatValue(v, decimals) : QStringLiteral("—");
}

} // namespace

StatisticsPanel::StatisticsPanel(ReadingsAnalysis &analysis, QWidget *parent)
    : QWidget(parent)
    , m_analysis(analysis)
    , m_title(new QLabel(this))
    , m_allRows(new QPushButton(this))
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("statisticsPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *top = new QHBoxLayout;
    m_title->setObjectName(QStringLiteral("statisticsTitle"));
    m_allRows->setObjectName(QStringLiteral("statisticsAllRows"));
    top->addWidget(m_title);
    top->addStretch();
    top->addWidget(m_allRows);
    layout->addLayout(top);
    m_table->setObjectName(QStringLiteral("statisticsTable"));
    m_table->setColumnCount(FigureCount);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(m_table);
    connect(m_allRows, &QPushButton::clicked, this, &StatisticsPanel::wholeTableRequested);
    connect(&m_analysis, &ReadingsAnalysis::statisticsChanged, this, &StatisticsPanel::refresh);
    connect(&m_analysis.model(), &RecordsModel::languageChanged, this, &StatisticsPanel::refresh);
    connect(&m_analysis.model(), &RecordsModel::layersShownChanged, this, &StatisticsPanel::refresh);
    // The minimum and maximum name their row.
    connect(&m_analysis.model(), &RecordsModel::renamed, this, &StatisticsPanel::refresh);
    refresh();
}

QString StatisticsPanel::location(int row) const
{
    const RecordsModel &model = m_analysis.model();
    QString where = tr("row %1").arg(row + 1);
    if (model.layout() == 2 && row >= 0 && row < model.rowCount() && !model.name(row).isEmpty())
        where += QStringLiteral(", ") + model.name(row);
    return where;
}

void StatisticsPanel::refresh()
{
    const RecordsModel &model = m_analysis.model();
    const qint64 rows = model.rowCount();
    if (m_analysis.hasSelection())
        m_title->setText(tr("Statistics of the %1 selected rows (of %2)").arg(m_analysis.selectedRows()).arg(rows));
    else
        m_title->setText(tr("Statistics of all %1 rows").arg(rows));
    // Said once: every figure comes from the readings as the table shows them.
    m_title->setText(m_title->text() + tr(", from the readings as shown"));
    m_title->setToolTip(tr("Every figure is computed from the readings as the table shows them "
                           "(rounded to the column's decimals)."));
    m_allRows->setText(tr("All rows"));
    m_allRows->setVisible(m_analysis.hasSelection());
    m_table->setHorizontalHeaderLabels(figureHeaders());

    QList<int> columns;
    bool judged = false;
    for (int c : m_analysis.valueColumns()) {
        if (!model.isColumnShown(c))
            continue;
        columns.append(c);
        judged = judged || m_analysis.isJudged(c);
    }
    for (int f = Red; f <= Blue; ++f)
        m_table->setColumnHidden(f, !judged);
    m_table->setRowCount(int(columns.size()));
    for (int i = 0; i < columns.size(); ++i) {
        const int c = columns[i];
        const ColumnStatistics &s = m_analysis.statistics(c);
        const int d = model.decimals(c);
        QStringList cells(FigureCount);
        cells[Column] = model.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
        cells[Count] = QString::number(s.count);
        cells[Minimum] = s.count ? number(s.minimum, d) + QStringLiteral(" (") + location(s.minimumRow) + QLatin1Char(')')
                                 : number(s.minimum, d);
        cells[Maximum] = s.count ? number(s.maximum, d) + QStringLiteral(" (") + location(s.maximumRow) + QLatin1Char(')')
                                 : number(s.maximum, d);
        cells[Mean] = number(s.mean, d);
        cells[Range] = number(s.range(), d);
        cells[Deviation] = number(s.standardDeviation(), d);
        cells[OutOfRange] = QString::number(s.outOfRange);
        const bool columnJudged = m_analysis.isJudged(c);
        const Band order[] = {Band::Red, Band::Amber, Band::Normal, Band::Blue};
        for (int b = 0; b < 4; ++b)
            cells[Red + b] = columnJudged ? QString::number(s.bands[int(order[b])]) : QStringLiteral("—");
        for (int f = 0; f < FigureCount; ++f) {
            auto *item = m_table->item(i, f);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                m_table->setItem(i, f, item);
            }
            item->setText(cells[f]);
            if (f >= Red && f <= Blue && f != Normal && columnJudged && s.bands[int(order[f - Red])] > 0) {
                item->setBackground(BandDelegate::background(order[f - Red]));
                item->setForeground(BandDelegate::foreground(order[f - Red]));
            } else {
                item->setData(Qt::BackgroundRole, QVariant());
                item->setData(Qt::ForegroundRole, QVariant());
            }
        }
    }
    // As tall as its lines: the records table keeps the rest of the page.
    int height = m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth();
    for (int r = 0; r < m_table->rowCount(); ++r)
        height += m_table->rowHeight(r);
    // Room for the horizontal scroll bar when the figures are wider than the page.
    height += m_table->horizontalScrollBar()->sizeHint().height();
    m_table->setFixedHeight(height);
}
