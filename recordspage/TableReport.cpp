#include "recordspage/TableReport.h"

#include "analysis/ReadingsAnalysis.h"
#include "export/PdfReport.h"
#include "export/ReportAnalysis.h"
#include "export/WorkbookTable.h"
#include "interaction/UserInteraction.h"
#include "records/RecordsModel.h"
#include "recordspage/ChartsPanel.h"
#include "recordspage/ReportDialog.h"
#include "session/ExportTable.h"
#include "session/GaugeSession.h"

#include <QDateTime>
#include <QImage>

TableReport::TableReport(GaugeSession &session, ReadingsAnalysis &analysis, ChartsPanel *charts, QWidget *parent)
    : m_session(session), m_analysis(analysis), m_charts(charts), m_parent(parent)
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
    const WorkbookFacts facts = m_session.tableFacts();
    input.serial = facts.serial;
    input.firmware = facts.firmware;
    input.meterType = facts.meterType;
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
