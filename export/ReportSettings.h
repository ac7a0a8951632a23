#pragma once

#include "export/PdfReport.h"

class QSettings;

// The report fields and logo an inspector fills in once, remembered in the settings the
// window and the command-line tool share (group "report").
ReportFields loadReportFields(QSettings &settings);
QString loadReportLogo(QSettings &settings);
void saveReportFields(QSettings &settings, const ReportFields &fields, const QString &logoPath);
