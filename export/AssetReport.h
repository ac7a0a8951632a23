#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/ExtremeValue.h"
#include "analysis/GridSummary.h"
#include "analysis/Limits.h"
#include "analysis/RequiredThickness.h"
#include "export/PdfReport.h"
#include "export/WorkbookTable.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QVector>

#include <optional>

class ProgressHandle;

// One CML as the asset report shows it: its figures and what they came from.
struct AssetReportCml
{
    QString group;       // the circuit (or asset) path it is listed under
    QString tag;
    QString description;
    QString unit;        // "mm", "inch"
    int decimals = 2;    // of its thickness figures
    double nominal = std::numeric_limits<double>::quiet_NaN();
    DesignInputs design;
    ThicknessRequirement requirement;
    JudgementPolicy policy;
    CmlSeries series;
    CmlFigures figures;
};

// One grid survey area as the asset report shows it: the map of its newest survey, its thinnest
// cell, and the thinnest wall expected over the whole area with what that estimate assumed.
struct AssetReportGrid
{
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    QString group;      // the path of the CML's asset
    QString tag;
    GridLayout layout;
    QVector<double> values; // the newest survey, one per cell row by row, NaN where unmeasured
    QDateTime surveyDate;   // of the newest survey; invalid when the grid has no readings
    QString unit;           // "mm", "inch"
    int decimals = 2;
    std::optional<Limits> limits; // nominal and minimum when the CML has both
    GridSummary summary;

    // The unseen minimum from whole-row blocks (no estimate without readings: its refusal says
    // why otherwise).
    ThinnestWallEstimate estimate;
    int blocks = 0;
    int cellsPerBlock = 0;
    double blockArea = NaN;    // m², or cells when areasInCells
    double totalArea = NaN;
    bool areasInCells = false; // no pitch given
    bool referenceIsNominal = false; // else the thickest reading

    bool hasReadings() const { return surveyDate.isValid(); }
};

// Everything the asset report shows; words in the language in use.
struct AssetReportInput
{
    ReportFields fields;  // header fields as the readings report has them
    QImage logo;
    QString assetPath;    // the asset reported ("" : every asset)
    QDateTime date;       // when it was made
    // Worst first (the order of the asset summary). Grouped by `group` in the report, the
    // groups in the order of their worst CML.
    QVector<AssetReportCml> cmls;
    // The grid CMLs among them, in the same order.
    QVector<AssetReportGrid> grids;
};

// An A4 PDF: the header fields; per circuit a table of its CMLs with their figures (rows under
// the minimum red, due within the interval amber); trend thumbnails of the ten worst; per grid
// its map, thinnest cell and unseen minimum; an appendix with each formula used and its inputs. Written through a temporary file beside
// `path` as PdfReport::write is; returns 0 or the system's error number (-1: none given;
// ECANCELED when the progress was cancelled).
int writeAssetReportPdf(const AssetReportInput &input, const QString &path, ProgressHandle *progress = nullptr);

// The same figures as one table for the workbook and CSV writers: one row per CML (the group,
// tag, description, unit, nominal, required and how, newest reading and its date, long-term,
// short-term and regression rates with the interval, governing rate, remaining life, next
// date, marked readings), numbers as numbers, dates as date cells, rows in their band.
WorkbookTable assetReportTable(const AssetReportInput &input);
