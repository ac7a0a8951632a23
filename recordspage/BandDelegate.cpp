#include "recordspage/BandDelegate.h"


#include "analysis/ReadingsAnalysis.h"

BandDelegate::BandDelegate(const ReadingsAnalysis &analysis, QObject *parent)
    : QStyledItemDelegate(parent), m_analysis(analysis)
{
}

QColor BandDelegate::background(Band band)
{
    switch (band) {
    case Band::Red:
        return QColor(0xC6, 0x28, 0x28);
    case Band::Amber:
        return QColor(0xF9, 0xA8, 0x25);
    case Band::Blue:
        return QColor(0x15, 0x65, 0xC0);
    case Band::Normal:
        break;
    }
    return QColor(0x2E, 0x7D, 0x32);
}

QColor BandDelegate::foreground(Band band)
{
    // Dark text on amber, light text on the darker colours.
    return band == Band::Amber ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF);
}

QString BandDelegate::name(Band band)
{
    return bandName(band);
}

void BandDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const std::optional<Band> band = m_analysis.band(index.row(), index.column());
    if (!band || *band == Band::Normal)
        return;
    option->backgroundBrush = background(*band);
    option->palette.setColor(QPalette::Text, foreground(*band));
    option->palette.setColor(QPalette::HighlightedText, foreground(*band));
}
