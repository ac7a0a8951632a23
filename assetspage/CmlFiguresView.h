#pragma once

#include "assetspage/PlaceNumbers.h"

#include <QWidget>

struct CmlJudgement;
class QFormLayout;
class QLabel;

// One CML's judgement in words beside its history: the required thickness and how it came
// about, the rates (the regression's with its 95 % interval), which governs and why, the
// remaining life, the next date, the marks and the notes.
class CmlFiguresView : public QWidget
{
    Q_OBJECT
public:
    enum Figure { Required, LongTerm, ShortTerm, Regression, Governing, RemainingLife, NextDate, Marks, Notes, FigureCount };

    explicit CmlFiguresView(QWidget *parent = nullptr);

    void setNumbers(const PlaceNumbers &numbers) { m_numbers = numbers; }
    // Null: no CML chosen.
    void setJudgement(const CmlJudgement *judgement);
    QString figureText(Figure figure) const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    PlaceNumbers m_numbers;
    QFormLayout *m_form = nullptr;
    QLabel *m_names[FigureCount] = {};
    QLabel *m_values[FigureCount] = {};
};
