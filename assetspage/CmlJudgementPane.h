#pragma once

#include "analysis/CmlJudgement.h"
#include "assetspage/PlaceNumbers.h"

#include <QWidget>

struct CmlJudgement;
class CmlFiguresView;
class QPushButton;
class TrendView;

// Beside a CML's history: its figures over its trend, the buttons to its design inputs and to
// making it a grid, and the decisions on the chosen reading's mark. The dialog acts on the requests.
class CmlJudgementPane : public QWidget
{
    Q_OBJECT
public:
    explicit CmlJudgementPane(QWidget *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers);
    // Null: no CML chosen (or no file).
    void setJudgement(const CmlJudgement *judgement);
    // A reading is chosen in the history: the decisions can be taken on it.
    void setReadingChosen(bool chosen);

    CmlFiguresView *figures() const { return m_figures; }
    TrendView *trend() const { return m_trend; }
    QPushButton *designButton() const { return m_design; }
    // Offered for a CML that is not a grid yet.
    QPushButton *makeGridButton() const { return m_makeGrid; }
    void setGridOffered(bool offered);
    QPushButton *decisionButton(MarkDecision decision) const;

signals:
    void designRequested();
    void makeGridRequested();
    void decisionRequested(MarkDecision decision);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    PlaceNumbers m_numbers;
    CmlFiguresView *m_figures;
    TrendView *m_trend;
    QPushButton *m_design;
    QPushButton *m_makeGrid;
    QPushButton *m_accept;
    QPushButton *m_leaveOut;
    QPushButton *m_clear;
    bool m_haveCml = false;
    bool m_haveReading = false;
    bool m_gridOffered = false;
};
