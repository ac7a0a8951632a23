#include "recordspage/ComparisonDialog.h"

#include "analysis/AnalysisWords.h"
#include "analysis/LimitsStore.h"
#include "export/ExportFlow.h"
#include "export/PdfReport.h"
#include "interaction/UserInteraction.h"
#include "records/RecordsModel.h"
#include "recordspage/BandDelegate.h"
#include "recordspage/ReportDialog.h"
#include "session/ComparisonTable.h"
#include "session/GaugeSession.h"
#include "session/ReportFacts.h"

#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Beside a rate shown as zero because the wall came out thicker than before.
const QString thickenedMark = QStringLiteral(" \u2191");

// The comparison goes out as .xlsx or .csv only: the export's file dialog is offered those
// two, under this window's own caption and file name.
class ComparisonFileTypes : public UserInteraction
{
public:
    explicit ComparisonFileTypes(UserInteraction &ui) : ui(ui) {}

    void information(QWidget *parent, const QString &title, const QString &text) override
    {
        ui.information(parent, title, text);
    }
    bool question(QWidget *parent, const QString &title, const QString &text) override
    {
        return ui.question(parent, title, text);
    }
    std::unique_ptr<ProgressHandle> createProgress(QWidget *parent, const QString &label, const QString &cancelText,
                                                   int minimum, int maximum) override
    {
        return ui.createProgress(parent, label, cancelText, minimum, maximum);
    }
    bool runDialog(QDialog *dialog, const QString &title) override { return ui.runDialog(dialog, title); }
    QString getSaveFileName(QWidget *parent, const QString &, const QString &, const QString &,
                            QString *selectedFilter) override
    {
        const QString xls = ExportFlow::fileType(ExportFormat::Xls);
        const QString types =
            ExportFlow::fileType(ExportFormat::Xlsx) + QStringLiteral(";;") + ExportFlow::fileType(ExportFormat::Csv);
        QString chosen = selectedFilter && !selectedFilter->isEmpty() && *selectedFilter != xls
                             ? *selectedFilter
                             : ExportFlow::fileType(ExportFormat::Xlsx);
        const QString proposed = ExportFlow::proposedPath(
            QStringLiteral("Comparison") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
        QString path = ui.getSaveFileName(parent, ComparisonDialog::tr("Save the comparison"), proposed, types,
                                          &chosen);
        ExportFlow::rememberFolder(path);
        if (selectedFilter)
            *selectedFilter = chosen;
        // A typed ".xls" names the old format, which this window does not write: the newer one.
        if (!path.isEmpty() && QFileInfo(path).suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0) {
            path += QLatin1Char('x');
            if (QFileInfo::exists(path)
                && !ui.question(parent, ComparisonDialog::tr("Tip"),
                                ComparisonDialog::tr("%1 already exists. Do you want to replace it?")
                                    .arg(QFileInfo(path).fileName())))
                return QString();
        }
        return path;
    }

private:
    UserInteraction &ui;
};

// The export needs a writer for every format; .xls is never offered here (see above).
class NoXlsWriter : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &, const QString &, ProgressHandle *) override { return false; }
    int lastErrno() const override { return ENOTSUP; }
};

QString cellText(const WorkbookCell &cell)
{
    switch (cell.kind) {
    case WorkbookCell::Kind::Number:
        return RecordsModel::formatValue(cell.number, cell.decimals);
    case WorkbookCell::Kind::Text:
        return cell.text;
    case WorkbookCell::Kind::Empty:
        break;
    }
    return QString();
}

QString swatch(Band band, const QString &label)
{
    return QStringLiteral("<span style=\"background:%1;color:%2;\">&nbsp;%3&nbsp;</span>")
        .arg(BandDelegate::background(band).name(), BandDelegate::foreground(band).name(), label.toHtmlEscaped());
}

} // namespace

ComparisonDialog::ComparisonDialog(GaugeSession &session, const QVector<SurveySummary> &surveys, LimitsStore *limits,
                                   QWidget *parent)
    : QDialog(parent), m_session(session), m_summaries(surveys), m_limits(limits)
{
    setObjectName(QStringLiteral("ComparisonDialog"));
    setWindowTitle(tr("Compare surveys"));
    m_multiLayer = std::any_of(surveys.begin(), surveys.end(), [](const SurveySummary &s) { return s.info.layout == 2; });

    auto *layout = new QVBoxLayout(this);
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("label_comparisonSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    locationNote = new QLabel(this);
    locationNote->setObjectName(QStringLiteral("label_comparisonLocations"));
    locationNote->setWordWrap(true);
    locationNote->setText(m_multiLayer ? tr("Locations are the record names, as named on the gauge or in the table.")
                                       : tr("Locations are the record numbers (the No. column): a record's place in "
                                            "the gauge's memory, which deleting rows does not change. Measurements "
                                            "the gauge sent by itself have none and are not compared."));
    layout->addWidget(locationNote);

    auto *inputs = new QHBoxLayout;
    inputs->addWidget(new QLabel(tr("Minimum thickness"), this));
    minimum = new QLineEdit(this);
    minimum->setObjectName(QStringLiteral("lineEdit_comparisonMinimum"));
    minimum->setFixedWidth(90);
    minimum->setAlignment(Qt::AlignCenter);
    minimum->setPlaceholderText(tr("none"));
    minimum->setToolTip(tr("Without a minimum there is no remaining life and no next inspection date."));
    inputs->addWidget(minimum);
    minimumUnit = new QLabel(this);
    inputs->addWidget(minimumUnit);
    inputs->addSpacing(20);
    inputs->addWidget(new QLabel(tr("Inspection interval"), this));
    interval = new QDoubleSpinBox(this);
    interval->setObjectName(QStringLiteral("spinBox_comparisonInterval"));
    interval->setRange(0.1, 100.0);
    interval->setDecimals(1);
    interval->setSingleStep(0.5);
    interval->setValue(5.0);
    interval->setSuffix(tr(" years"));
    inputs->addWidget(interval);
    inputs->addSpacing(20);
    layerLabel = new QLabel(tr("Layer"), this);
    inputs->addWidget(layerLabel);
    layer = new QComboBox(this);
    layer->setObjectName(QStringLiteral("comboBox_comparisonLayer"));
    layer->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    inputs->addWidget(layer);
    layerLabel->setVisible(m_multiLayer);
    layer->setVisible(m_multiLayer);
    inputs->addStretch();
    layout->addLayout(inputs);

    rows = new QTableWidget(this);
    rows->setObjectName(QStringLiteral("tableWidget_comparison"));
    rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    rows->verticalHeader()->hide();
    rows->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    rows->setWordWrap(true);
    layout->addWidget(rows, 1);

    legend = new QLabel(this);
    legend->setObjectName(QStringLiteral("label_comparisonLegend"));
    legend->setTextFormat(Qt::RichText);
    legend->setText(swatch(Band::Red, tr("Under the minimum")) + QStringLiteral("&nbsp;&nbsp;")
                    + swatch(Band::Amber, tr("Less life left than the interval"))
                    + QStringLiteral("&nbsp;&nbsp;")
                    + (thickenedMark.trimmed()
                       + tr(" thicker than before: the rate is taken as 0")).toHtmlEscaped());
    layout->addWidget(legend);
    notes = new QLabel(this);
    notes->setObjectName(QStringLiteral("label_comparisonNotes"));
    notes->setWordWrap(true);
    layout->addWidget(notes);

    auto *buttons = new QHBoxLayout;
    exportButton = new QPushButton(tr("Export"), this);
    exportButton->setObjectName(QStringLiteral("pushButton_comparisonExport"));
    reportButton = new QPushButton(tr("Report"), this);
    reportButton->setObjectName(QStringLiteral("pushButton_comparisonReport"));
    closeButton = new QPushButton(tr("Close"), this);
    closeButton->setObjectName(QStringLiteral("pushButton_comparisonClose"));
    buttons->addStretch();
    for (QPushButton *button : {exportButton, reportButton, closeButton}) {
        // Enter in the minimum's field recompares; it must not start an export.
        button->setAutoDefault(false);
        button->setMinimumSize(QSize(110, 35));
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    const QLocale locale;
    auto *validator = new QDoubleValidator(0.0, 1e6, 6, minimum);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(locale);
    minimum->setValidator(validator);

    connect(minimum, &QLineEdit::textChanged, this, &ComparisonDialog::compare);
    connect(interval, &QDoubleSpinBox::valueChanged, this, &ComparisonDialog::compare);
    connect(layer, &QComboBox::currentIndexChanged, this, &ComparisonDialog::reload);
    connect(exportButton, &QPushButton::clicked, this, &ComparisonDialog::exportTable);
    connect(reportButton, &QPushButton::clicked, this, &ComparisonDialog::onReportClicked);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    reload();
    fitToTable();
}

ComparisonDialog::~ComparisonDialog() = default;

void ComparisonDialog::reload()
{
    m_surveys.clear();
    m_loadError.clear();
    QList<qint64> ids;
    for (const SurveySummary &s : std::as_const(m_summaries))
        ids << s.id;
    if (SurveyStore *store = m_session.store()) {
        m_surveys = loadSurveys(*store, ids, m_multiLayer ? layer->currentIndex() : 0, &m_loadError);
    } else {
        m_loadError = tr("The survey file is not open.");
    }

    // The minimum is entered once, in the newest survey's unit; the comparison converts it.
    if (m_minimumUnit.isEmpty() && !m_surveys.isEmpty()) {
        const auto newest = std::max_element(m_surveys.begin(), m_surveys.end(),
                                             [](const ComparedSurvey &a, const ComparedSurvey &b) { return a.dateMs < b.dateMs; });
        m_minimumUnit = newest->unit;
        minimumUnit->setText(m_minimumUnit);
    }
    // The minimum set for the layer compared, unless the user typed one of their own.
    if (!m_minimumUnit.isEmpty() && minimum->text() == m_defaultMinimumText) {
        const std::optional<double> least = defaultMinimum();
        m_defaultMinimumText = least ? QLocale().toString(*least, 'g', 6) : QString();
        const QSignalBlocker quiet(minimum);
        minimum->setText(m_defaultMinimumText);
    }
    compare();
}

std::optional<double> ComparisonDialog::defaultMinimum() const
{
    if (!m_limits)
        return std::nullopt;
    // Surveys of several gauges: the strictest minimum set for any of them, for the layer compared.
    const int layerIndex = m_multiLayer ? qBound(0, layer->currentIndex(), LayerCount - 1) : 0;
    std::optional<double> strictest;
    QStringList serials;
    for (const ComparedSurvey &s : m_surveys)
        if (!s.serial.isEmpty() && !serials.contains(s.serial))
            serials << s.serial;
    for (const QString &serial : std::as_const(serials)) {
        const std::optional<Limits> limits = m_limits->loadLayers(serial)[size_t(layerIndex)];
        const std::optional<Limits> here = limits ? limits->inUnit(m_minimumUnit) : std::nullopt;
        if (here && (!strictest || here->minimum > *strictest))
            strictest = here->minimum;
    }
    return strictest;
}

std::optional<double> ComparisonDialog::enteredMinimum() const
{
    const QString entered = minimum->text().trimmed();
    bool ok = false;
    double value = QLocale().toDouble(entered, &ok);
    if (!ok)
        value = QLocale::c().toDouble(entered, &ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

void ComparisonDialog::compare()
{
    ComparisonSettings settings;
    settings.minimum = enteredMinimum();
    settings.unit = m_minimumUnit;
    settings.intervalYears = interval->value();
    m_comparison = m_loadError.isEmpty() ? compareSurveys(m_surveys, settings) : SurveyComparison();
    m_error = m_loadError.isEmpty() ? findingText(m_comparison.error) : m_loadError;
    showRows();
}

WorkbookTable ComparisonDialog::table() const
{
    return comparisonTable(m_comparison, m_multiLayer);
}

void ComparisonDialog::showRows()
{
    const WorkbookTable shown = table();
    const int surveys = int(m_comparison.surveys.size());
    rows->clear();
    rows->setColumnCount(int(shown.headers.size()));
    // Headers of the figures a word per line: their numbers are narrow, the words are not.
    QStringList headers = shown.headers;
    for (int c = surveys + 1; c + 1 < headers.size(); ++c)
        headers[c].replace(QLatin1Char(' '), QLatin1Char('\n'));
    rows->setHorizontalHeaderLabels(headers);
    rows->setRowCount(int(shown.rows.size()));
    // Where the table puts the rates: after the location, the surveys and the wall loss.
    const bool knownColumns = shown.headers.size() == surveys + 8;
    for (int r = 0; r < shown.rows.size(); ++r) {
        const LocationComparison *location = r < m_comparison.rows.size() ? &m_comparison.rows[r] : nullptr;
        std::optional<Band> band;
        if (location && location->underMinimum)
            band = Band::Red;
        else if (location && location->dueWithinInterval)
            band = Band::Amber;
        const QString note = location ? findingsText(location->note) : QString();
        for (int c = 0; c < shown.rows[r].size(); ++c) {
            const WorkbookCell &cell = shown.rows[r][c];
            QString shownText = cellText(cell);
            const bool rate = knownColumns && c >= surveys + 2 && c <= surveys + 4;
            if (rate && location && location->thickened && cell.kind == WorkbookCell::Kind::Number && cell.number == 0.0)
                shownText += thickenedMark;
            auto *item = new QTableWidgetItem(shownText);
            // The note reads as a sentence; the rest as the records table shows its cells.
            item->setTextAlignment(c + 1 == shown.rows[r].size() ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter)
                                                                 : Qt::Alignment(Qt::AlignCenter));
            if (band) {
                item->setBackground(BandDelegate::background(*band));
                item->setForeground(BandDelegate::foreground(*band));
            }
            if (!note.isEmpty())
                item->setToolTip(note);
            rows->setItem(r, c, item);
        }
    }

    // The note wraps in a column of its own width rather than widening the window to a
    // sentence; its rows grow to show it whole.
    const int noteColumn = rows->columnCount() - 1;
    if (noteColumn > 0) {
        rows->horizontalHeader()->setSectionResizeMode(noteColumn, QHeaderView::Interactive);
        rows->resizeColumnToContents(noteColumn);
        rows->setColumnWidth(noteColumn, std::clamp(rows->columnWidth(noteColumn), 120, m_noteWidth));
        rows->resizeRowsToContents();
    }

    QStringList lines;
    if (!m_error.isEmpty())
        lines << m_error;
    for (const Finding &n : std::as_const(m_comparison.notes))
        lines << findingText(n);
    notes->setText(lines.join(QLatin1Char('\n')));
    notes->setStyleSheet(m_error.isEmpty() ? QString() : QStringLiteral("color:#FF6E6E;"));
    notes->setVisible(!lines.isEmpty());

    if (!m_comparison.surveys.isEmpty()) {
        QStringList serials;
        for (const ComparedSurvey &s : std::as_const(m_comparison.surveys))
            if (!serials.contains(s.serial))
                serials << s.serial;
        summary->setText(tr("%1 surveys from %2 to %3, gauge %4; thicknesses in %5.")
                             .arg(surveys)
                             .arg(comparisonDate(m_comparison.surveys.first().dateMs),
                                  comparisonDate(m_comparison.surveys.last().dateMs),
                                  serials.join(QStringLiteral(", ")), m_comparison.unit));
    } else {
        summary->setText(tr("%1 surveys selected.").arg(m_summaries.size()));
    }
    exportButton->setEnabled(!m_comparison.rows.isEmpty());
    reportButton->setEnabled(!m_comparison.rows.isEmpty());
}

void ComparisonDialog::fitToTable()
{
    // Sized now rather than at the first layout; the note keeps the width showRows() gave it.
    const int note = rows->columnCount() - 1;
    int others = rows->verticalScrollBar()->sizeHint().width() + 2 * rows->frameWidth() + 40;
    for (int c = 0; c < note; ++c) {
        rows->resizeColumnToContents(c);
        others += rows->columnWidth(c);
    }
    const QScreen *screen = this->screen();
    const int room = std::max(760, screen ? screen->availableGeometry().width() * 9 / 10 : 1400);
    int noteWidth = note > 0 ? rows->columnWidth(note) : 0;
    // On a narrow screen the note wraps into fewer columns of text before anything scrolls.
    if (note > 0 && others + noteWidth > room) {
        noteWidth = std::max(200, room - others);
        m_noteWidth = noteWidth; // also after the next change of an input
        rows->setColumnWidth(note, noteWidth);
        rows->resizeRowsToContents();
    }
    resize(std::clamp(others + noteWidth, 760, room), 600);
}

bool ComparisonDialog::exportTable()
{
    if (m_comparison.rows.isEmpty())
        return false;
    if (!m_export) {
        m_exportUi = std::make_unique<ComparisonFileTypes>(m_session.interaction());
        m_noXls = std::make_unique<NoXlsWriter>();
        m_export = std::make_unique<ExportFlow>(*m_exportUi, *m_noXls);
    }
    return m_export->run(this, table()) > 0;
}

void ComparisonDialog::onReportClicked()
{
    if (m_comparison.rows.isEmpty())
        return;
    ReportFields fields;
    QString logoPath;
    if (ReportDialog::askFields(this, &fields, &logoPath))
        writeReport(fields, logoPath);
}

QStringList ComparisonDialog::reportNotes() const
{
    QStringList out;
    const ComparisonSettings &settings = m_comparison.settings;
    if (settings.minimum)
        out << tr("Minimum thickness %1 %2; inspection interval %3 years.")
                   .arg(QLocale().toString(*settings.minimum, 'g', 6), m_comparison.unit,
                        QLocale().toString(settings.intervalYears, 'g', 4));
    else
        out << tr("No minimum thickness given: no remaining life and no next inspection date.");
    if (m_multiLayer)
        out << tr("Thickness of layer %1.").arg(layer->currentIndex() + 1);
    out << locationNote->text();
    for (const Finding &note : m_comparison.notes)
        out << findingText(note);
    return out;
}

bool ComparisonDialog::writeReport(const ReportFields &fields, const QString &logoPath)
{
    if (m_comparison.rows.isEmpty())
        return false;
    UserInteraction &ui = m_session.interaction();
    const QString path = ReportDialog::askPath(ui, this, tr("Save the comparison report"),
                                               QStringLiteral("ComparisonReport"));
    if (path.isEmpty())
        return false; // the user's choice: no message

    ReportInput input;
    input.fields = fields;
    QStringList dates;
    for (const ComparedSurvey &s : std::as_const(m_comparison.surveys))
        dates << comparisonDate(s.dateMs);
    const WorkbookFacts facts = comparisonFacts(m_comparison.surveys, m_multiLayer);
    input.serial = facts.serial;
    input.meterType = facts.meterType;
    input.date = QDateTime::fromMSecsSinceEpoch(m_comparison.surveys.last().dateMs);
    input.units = m_comparison.unit;
    input.comparisonTitle =
        tr("Surveys of %1 compared").arg(dates.join(QStringLiteral(", ")));
    input.comparisonNotes = reportNotes();
    input.comparison = table();
    if (!logoPath.isEmpty())
        input.logo = QImage(logoPath);
    return ReportDialog::writeFile(ui, this, input, path, logoPath, int(input.comparison.rows.size()));
}
