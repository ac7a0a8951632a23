#include "recordspage/TableReport.h"

#include "analysis/ReadingsAnalysis.h"
#include "export/PdfReport.h"
#include "export/ReportAnalysis.h"
#include "interaction/UserInteraction.h"
#include "records/RecordsModel.h"
#include "recordspage/ChartsPanel.h"
#include "recordspage/ReportDialog.h"
#include "session/ExportTable.h"
#include "session/GaugeSession.h"

#include <QDateTime>
#include <QImage>
#include <QLineEdit>

TableReport::TableReport(GaugeSession &session, ReadingsAnalysis &analysis, ChartsPanel *charts, QWidget *parent,
                         const QLineEdit *serial, const QLineEdit *firmware)
    : m_session(session), m_analysis(analysis), m_charts(charts), m_parent(parent), m_serial(serial), m_firmware(firmware)
{
}

void TableReport::run()
{
    if (m_session.model().rowCount() == 0) {
        m_session.interaction().information(m_parent, tr("Tip"), tr("There is nothing to report: the table is empty."));
        return;
    }
    ReportFields fields;
    QString logoPath;
    if (ReportDialog::askFields(m_parent, &fields, &logoPath))
        write(fields, logoPath);
}

bool TableReport::write(const ReportFields &fields, const QString &logoPath)
{
    UserInteraction &ui = m_session.interaction();
    const RecordsModel &m = m_session.model();
    if (m.rowCount() == 0)
        return false;
    const QString path = ReportDialog::askPath(ui, m_parent, tr("Save the inspection report"), QStringLiteral("Report"));
    if (path.isEmpty())
        return false; // the user's choice: no message

    ReportInput input;
    input.fields = fields;
    input.serial = m_serial->text();
    input.firmware = m_firmware->text();
    if (m.layout() == 1 || m.layout() == 2)
        input.meterType = m.layout() == 1 ? tr("single layer") : tr("multi layer");
    input.date = QDateTime::currentDateTime();
    QStringList units;
    const QList<int> columns = m.exportedColumns();
    for (int c : columns)
        if (m.valueIndex(c) >= 0 && !m.unitName(c).isEmpty() && !units.contains(m.unitName(c)))
            units << m.unitName(c);
    input.units = units.join(QStringLiteral(", "));
    input.table = exportTable(m);
    const int rows = m.rowCount();
    if (!logoPath.isEmpty())
        input.logo = QImage(logoPath);
    addReportAnalysis(input, m_analysis, columns, m_charts ? m_charts->runChartImage(QSize(1200, 400)) : QImage());
    return ReportDialog::writeFile(ui, m_parent, input, path, logoPath, rows);
}
