#pragma once

#include <QImage>
#include <QPointF>
#include <QVector>
#include <QWidget>

class QAreaSeries;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;
class ReadingsAnalysis;
class UserInteraction;

// The run chart (reading number against thickness) and the histogram of thickness of one
// thickness column, each with the limit lines. The run chart draws the analysis's reduced
// series (each bucket's lowest and highest reading), never one point per row. Hovering a
// run-chart point shows its record, clicking it asks for its row to be selected; hovering a
// bin shows its count. Each chart can be saved as a PNG file. While hidden the panel does
// not redraw; it catches up when shown.
class ChartsPanel : public QWidget
{
    Q_OBJECT
public:
    // The analysis must outlive the panel; without an interaction the Save buttons are hidden.
    ChartsPanel(ReadingsAnalysis &analysis, UserInteraction *interaction, QWidget *parent = nullptr);

    QChartView *runView() const { return m_runView; }
    QChartView *histogramView() const { return m_histView; }
    QLineSeries *runSeries() const { return m_runLine; }
    QLineSeries *histogramOutline() const { return m_histUpper; }
    QComboBox *layerChooser() const { return m_layer; }
    QLabel *runHint() const { return m_runHint; }
    QLabel *histogramHint() const { return m_histHint; }
    // The row of the run chart's point nearest to reading number x (-1 without points).
    int rowNear(double x) const;
    // The record's text as the hover shows it.
    QString describeRow(int row) const;
    // What hovering at `viewportPos` of a chart's viewport shows: the reading of the run-chart
    // point within a few pixels (its row in `row`, else -1), or the histogram bin under the
    // cursor; empty elsewhere.
    QString textAt(const QChartView *view, const QPoint &viewportPos, int *row = nullptr) const;
    // The run chart as an image of `size`, up to date even while the panel is hidden (for
    // the report).
    QImage runChartImage(const QSize &size);
    // Writes the chart as a PNG file (through a temporary file beside it); false on failure.
    static bool savePng(QChartView *view, const QString &path);

signals:
    // A run-chart point was clicked: select its row.
    void rowActivated(int row);

public slots:
    void refresh();
    void retranslate();

protected:
    void showEvent(QShowEvent *event) override;
    // Hover and click on the charts' viewports: the thin line itself is too hard to hit.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshRun();
    void refreshHistogram();
    void syncLayers();
    // fileName: the name proposed in the last folder used.
    void save(QChartView *view, const QString &fileName);

    ReadingsAnalysis &m_analysis;
    UserInteraction *m_interaction;
    QLabel *m_layerLabel;
    QComboBox *m_layer;
    QPushButton *m_saveRun;
    QPushButton *m_saveHist;
    QChart *m_runChart;
    QChartView *m_runView;
    QLineSeries *m_runLine;
    QLineSeries *m_runLimits[4]; // minimum, nominal - tolerance, nominal, maximum
    QValueAxis *m_runX;
    QValueAxis *m_runY;
    QPointF m_runYAsked;
    QLabel *m_runHint;
    QChart *m_histChart;
    QChartView *m_histView;
    QLineSeries *m_histUpper;
    QAreaSeries *m_histArea;
    QLineSeries *m_histLimits[4];
    QValueAxis *m_histX;
    QValueAxis *m_histY;
    QLabel *m_histHint;
    QVector<int> m_pointRows;
    bool m_dirty = true;
};
