#pragma once

#include "analysis/Limits.h"

#include <QColor>
#include <QStyledItemDelegate>

class ReadingsAnalysis;

// Paints a thickness cell in the colour of its band (under the minimum red, under nominal
// minus tolerance amber, above the maximum blue); normal readings and unjudged cells are
// painted as usual. Installed per thickness column, so the view's own delegate (the Delete
// buttons) keeps the other columns.
class BandDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    BandDelegate(const ReadingsAnalysis &analysis, QObject *parent = nullptr);

    static QColor background(Band band);
    static QColor foreground(Band band);
    // "Under minimum" and the like, for legends and tooltips.
    static QString name(Band band);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    const ReadingsAnalysis &m_analysis;
};
