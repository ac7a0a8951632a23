#pragma once

#include "analysis/CmlJudgement.h"
#include "analysis/TrendPlot.h"

#include <QWidget>

#include <memory>

// A CML's trend (thickness against date, the fitted line and its band, the required
// thickness) painted by TrendPlot. Hovering over a reading says its date and thickness; a
// click on one names it (readingClicked) so the history can select it.
class TrendView : public QWidget
{
    Q_OBJECT
public:
    explicit TrendView(QWidget *parent = nullptr);
    ~TrendView() override;

    // Copies what it draws; an empty series draws a word saying there is nothing.
    void setTrend(const CmlSeries &series, const CmlFigures &figures, const QString &unit, int decimals,
                  const QString &title);
    void clear();

    // The reading (index into the series) drawn nearest `point`, -1 if none; after a paint.
    int readingAt(const QPointF &point) const;
    QPointF pointOf(int reading) const;
    // The tooltip text of a reading.
    QString readingText(int reading) const;

    QSize sizeHint() const override { return {420, 220}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    void readingClicked(qint64 key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    CmlSeries m_series;
    CmlFigures m_figures;
    QString m_unit;
    int m_decimals = 2;
    QString m_title;
    std::unique_ptr<TrendPlot> m_plot;
    int m_hovered = -1;
};
