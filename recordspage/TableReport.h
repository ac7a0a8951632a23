#pragma once

#include <QCoreApplication>
#include <QString>

class ChartsPanel;
class GaugeSession;
class QWidget;
class ReadingsAnalysis;
struct ReportFields;

// The inspection report of the records table: the gauge whose rows these are, the table as
// exported, its limits, statistics and run chart, written as a PDF where the user says.
class TableReport
{
    Q_DECLARE_TR_FUNCTIONS(TableReport)
public:
    // All must outlive the report; `parent` parents its dialogs.
    TableReport(GaugeSession &session, ReadingsAnalysis &analysis, ChartsPanel *charts, QWidget *parent);

    // The Report button: says so when the table is empty, else asks for the report's fields
    // (remembered) and then writes.
    void run();
    // Asks for the report's file and writes the table with these fields; true when it was
    // written. A closed file dialog is no error.
    bool write(const ReportFields &fields, const QString &logoPath);

private:
    GaugeSession &m_session;
    ReadingsAnalysis &m_analysis;
    ChartsPanel *m_charts;
    QWidget *m_parent;
};
