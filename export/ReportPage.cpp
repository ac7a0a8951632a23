#include "export/ReportPage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

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
