#pragma once

#include "analysis/Limits.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <functional>

class QPainter;
class QPdfWriter;
struct ReportFields;

// An A4 page of the report on a painter at `dpi`: its measures, the report's fonts, and the
// blocks of text the report's parts are made of. Every block takes `paint`: false only
// measures, so that the pages can be counted before they are painted, and returns where the
// next block may start.
class ReportPage
{
public:
    ReportPage(QPainter &painter, int dpi);

    // The report's title, with the logo (if any) in the top right corner; returns where the
    // facts may start (under both).
    double titleBlock(bool paint, const QString &text, const QImage &logo);
    // "label: value" pairs in two columns; pairs with an empty value are left out.
    double factPairs(bool paint, double y, const QList<QPair<QString, QString>> &facts);
    // The line at the foot of a page: `left` and "Page n of m".
    void footer(const QString &left, int page, int pages);

    // A bold line of its own.
    double heading(bool paint, double y, const QString &text);
    // A heading and the text under it, wrapped at words.
    double paragraph(bool paint, double y, const QString &label, const QString &text);
    // A legend of colours: the title, then a swatch and a name per band, wrapped onto more
    // lines when the line is full. Returns the y under it.
    double bandLegend(bool paint, double y, const QString &title, const QVector<QPair<Band, QString>> &bands);
    // A small grid of one-line rows (the statistics): widths in proportion to each column's
    // widest text, filling the line; a header row wraps at its spaces.
    QVector<double> columnWidths(const QStringList &header, const QVector<QStringList> &rows) const;
    double gridRow(bool paint, double y, const QStringList &cells, const QVector<double> &w, bool isHeader);

    // `text` cut with an ellipsis to `width` in the painter's font.
    QString elided(const QString &text, double width) const;
    // Room between a cell's border and its text.
    double pad() const { return line * 0.3; }
    void setFont(const QFont &font);
    // Where rows must end to leave room for the footer.
    double bottom() const;

    QPainter &p;
    int dpi;
    double margin = 0;
    double pageWidth = 0;
    double pageHeight = 0;
    double contentWidth = 0;
    double footerTop = 0;
    double line = 0;      // a line of body text
    double rowHeight = 0; // a table row of one line
    QFont body, small, smallBold, bold, title;
};

// The fields the inspector fills in (company to calibration block) as labelled facts, in
// the order every report shows them.
QList<QPair<QString, QString>> reportFieldFacts(const ReportFields &fields);

// An A4 portrait PDF at `dpi` written to `path` through a temporary file beside it (the old
// file stays until the new one is complete; a link is written through). `paint` draws every
// page on the painter (calling QPdfWriter::newPage between pages) and returns 0, or
// ECANCELED to drop the file. Returns 0, or the system's error number (-1 when it gave none;
// ECANCELED when cancelled).
int writePdfFile(const QString &path, const QString &title, int dpi,
                 const std::function<int(QPdfWriter &writer, QPainter &painter)> &paint);

// Light fills of the bands for print, as the .xlsx has them; normal readings stay plain.
QColor bandFill(Band band);
