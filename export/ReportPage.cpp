#include "export/ReportPage.h"

#include "export/PdfReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>

namespace {

// The words every report shares keep the readings report's context (one translation).
QString say(const char *source)
{
    return QCoreApplication::translate("PdfReport", source);
}

} // namespace

QList<QPair<QString, QString>> reportFieldFacts(const ReportFields &f)
{
    return {{say(QT_TRANSLATE_NOOP("PdfReport", "Company")), f.company},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Inspector")), f.inspector},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Qualification")), f.qualification},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Location / asset")), f.location},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Procedure")), f.procedure},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Probe")), f.probe},
            {say(QT_TRANSLATE_NOOP("PdfReport", "Calibration block")), f.calibrationBlock}};
}

int writePdfFile(const QString &path, const QString &title, int dpi,
                 const std::function<int(QPdfWriter &writer, QPainter &painter)> &paint)
{
    const QFileInfo info(path);
    if (info.isDir())
        return EISDIR;
    if (!QFileInfo(info.absolutePath()).isDir())
        return ENOENT;
    // Written beside the target and renamed into place on commit; a link is written through.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return errno ? errno : -1;

    QPdfWriter writer(&file);
    writer.setResolution(dpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Palvarin"));
    QPainter painter;
    if (!painter.begin(&writer))
        return -1;
    const int painted = paint(writer, painter);
    painter.end();
    if (painted != 0) {
        file.cancelWriting();
        return painted;
    }
    errno = 0;
    if (!file.commit())
        return errno ? errno : -1;
    return 0;
}

QColor bandFill(Band band)
{
    switch (band) {
    case Band::Red:
        return QColor(0xF4, 0xB6, 0xB6);
    case Band::Amber:
        return QColor(0xFF, 0xE6, 0x99);
    case Band::Blue:
        return QColor(0xBD, 0xD7, 0xEE);
    case Band::Normal:
        break;
    }
    return QColor();
}

ReportPage::ReportPage(QPainter &painter, int dpi) : p(painter), dpi(dpi)
{
    const double mm = dpi / 25.4;
    margin = 15 * mm;
    pageWidth = 210 * mm;
    pageHeight = 297 * mm;
    contentWidth = pageWidth - 2 * margin;
    footerTop = pageHeight - margin;

    body = QFont(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(9);
    small = body;
    small.setPointSizeF(8);
    smallBold = small;
    smallBold.setBold(true);
    bold = body;
    bold.setBold(true);
    title = body;
    title.setPointSizeF(16);
    title.setBold(true);
    p.setFont(body);
    line = QFontMetricsF(body, p.device()).height();
    rowHeight = line * 1.35;
}

void ReportPage::setFont(const QFont &font)
{
    p.setFont(font);
}

double ReportPage::bottom() const
{
    return footerTop - line * 1.5;
}

QString ReportPage::elided(const QString &text, double width) const
{
    return QFontMetricsF(p.font(), p.device()).elidedText(text, Qt::ElideRight, width);
}

double ReportPage::titleBlock(bool paint, const QString &text, const QImage &logo)
{
    double y = margin;
    double logoWidth = 0;
    double logoBottom = y;
    if (!logo.isNull()) {
        // Kept to its own corner: the facts start under it, the title beside it.
        const double h = 18 * dpi / 25.4;
        const double w = qMin(h * logo.width() / qMax(1, logo.height()), contentWidth / 3);
        const double drawnH = w * logo.height() / qMax(1, logo.width());
        if (paint)
            p.drawImage(QRectF(margin + contentWidth - w, y, w, drawnH), logo);
        logoWidth = w + line;
        logoBottom = y + drawnH + line * 0.5;
    }
    setFont(title);
    const double titleHeight = QFontMetricsF(title, p.device()).height();
    if (paint)
        p.drawText(QRectF(margin, y, contentWidth - logoWidth, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   elided(text, contentWidth - logoWidth));
    setFont(body);
    return qMax(y + titleHeight * 1.6, logoBottom);
}

double ReportPage::factPairs(bool paint, double y, const QList<QPair<QString, QString>> &facts)
{
    const double half = contentWidth / 2;
    double labelWidth = 0;
    for (const auto &fact : facts)
        labelWidth = qMax(labelWidth, QFontMetricsF(bold, p.device()).horizontalAdvance(fact.first));
    labelWidth = qMin(labelWidth + line, half * 0.6);
    int shown = 0;
    for (const auto &fact : facts) {
        if (fact.second.isEmpty())
            continue;
        const double x = margin + (shown % 2) * half;
        const double rowY = y + (shown / 2) * rowHeight;
        if (paint) {
            setFont(bold);
            p.drawText(QRectF(x, rowY, labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, fact.first);
            setFont(body);
            p.drawText(QRectF(x + labelWidth, rowY, half - labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       elided(fact.second, half - labelWidth));
        }
        ++shown;
    }
    return y + ((shown + 1) / 2) * rowHeight + line * 0.5;
}

void ReportPage::footer(const QString &left, int page, int pages)
{
    setFont(small);
    const double y = footerTop;
    p.drawLine(QPointF(margin, y), QPointF(margin + contentWidth, y));
    p.drawText(QRectF(margin, y, contentWidth, line * 1.4), Qt::AlignLeft | Qt::AlignVCenter, left);
    p.drawText(QRectF(margin, y, contentWidth, line * 1.4), Qt::AlignRight | Qt::AlignVCenter,
               say(QT_TRANSLATE_NOOP("PdfReport", "Page %1 of %2")).arg(page).arg(pages));
    setFont(body);
}

double ReportPage::heading(bool paint, double y, const QString &text)
{
    if (paint) {
        setFont(bold);
        p.drawText(QRectF(margin, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
        setFont(body);
    }
    return y + rowHeight;
}

double ReportPage::paragraph(bool paint, double y, const QString &label, const QString &text)
{
    y = heading(paint, y, label);
    const QRectF room(margin, y, contentWidth, footerTop - y);
    const QRectF needed = QFontMetricsF(body, p.device()).boundingRect(room, Qt::TextWordWrap, text);
    if (paint)
        p.drawText(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    return y + needed.height() + line * 0.5;
}

QVector<double> ReportPage::columnWidths(const QStringList &header, const QVector<QStringList> &rows) const
{
    const QFontMetricsF boldMetrics(bold, p.device());
    const QFontMetricsF bodyMetrics(body, p.device());
    QVector<double> w(header.size());
    // A header needs room for its longest word: it wraps at the others.
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (int c = 0; c < header.size(); ++c)
        for (const QString &word : header[c].split(space))
            w[c] = qMax(w[c], boldMetrics.horizontalAdvance(word));
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size() && c < w.size(); ++c)
            w[c] = qMax(w[c], bodyMetrics.horizontalAdvance(row[c]));
    double total = 0;
    for (double &x : w) {
        x += 4 * pad();
        total += x;
    }
    for (double &x : w)
        x *= contentWidth / qMax(1.0, total);
    return w;
}

double ReportPage::gridRow(bool paint, double y, const QStringList &cells, const QVector<double> &w, bool isHeader)
{
    double height = rowHeight;
    // Headers wrap at their spaces into as many lines as the narrowest column needs.
    const int wrapFlag = isHeader ? int(Qt::TextWordWrap) : 0;
    if (isHeader) {
        const QFontMetricsF metrics(bold, p.device());
        double tallest = line;
        for (int c = 0; c < cells.size() && c < w.size(); ++c)
            tallest = qMax(tallest, metrics.boundingRect(QRectF(0, 0, w[c] - 2 * pad(), 1e6),
                                                         Qt::AlignHCenter | Qt::TextWordWrap, cells[c])
                                        .height());
        height = tallest + line * 0.4;
    }
    if (paint) {
        if (isHeader)
            p.fillRect(QRectF(margin, y, contentWidth, height), QColor(0xE8, 0xEC, 0xF0));
        setFont(isHeader ? bold : body);
        double x = margin;
        for (int c = 0; c < cells.size() && c < w.size(); ++c) {
            p.drawText(QRectF(x + pad(), y, w[c] - 2 * pad(), height),
                       (c == 0 ? Qt::AlignLeft : (isHeader ? Qt::AlignHCenter : Qt::AlignRight)) | Qt::AlignVCenter
                           | wrapFlag,
                       cells[c]);
            x += w[c];
        }
        setFont(body);
    }
    return y + height;
}

double ReportPage::bandLegend(bool paint, double y, const QString &title, const QVector<QPair<Band, QString>> &bands)
{
    const QFontMetricsF metrics(body, p.device());
    double x = margin;
    if (paint)
        p.drawText(QRectF(x, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
    x += metrics.horizontalAdvance(title) + line;
    for (const auto &[band, name] : bands) {
        const double box = line * 0.9;
        if (x + box + line * 0.4 + metrics.horizontalAdvance(name) > margin + contentWidth) {
            x = margin;
            y += rowHeight;
        }
        if (paint) {
            const QRectF swatch(x, y + (rowHeight - box) / 2, box, box);
            p.fillRect(swatch, bandFill(band));
            p.drawRect(swatch);
            p.drawText(QRectF(x + box + line * 0.4, y, contentWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, name);
        }
        x += box + line * 0.4 + metrics.horizontalAdvance(name) + line * 1.5;
    }
    return y + rowHeight;
}
