#include "assetspage/CmlFiguresView.h"

#include "analysis/AnalysisWords.h"
#include "assetspage/JudgementWords.h"
#include "session/JudgementBook.h"

#include <QDateTime>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

CmlFiguresView::CmlFiguresView(QWidget *parent) : QWidget(parent), m_form(new QFormLayout)
{
    setObjectName(QStringLiteral("cmlFigures"));
    // The trend below gives way: every figure and note is read whole.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_form);
    for (int f = 0; f < FigureCount; ++f) {
        m_names[f] = new QLabel(this);
        m_values[f] = new QLabel(this);
        m_values[f]->setObjectName(QStringLiteral("cmlFigure%1").arg(f));
        m_values[f]->setWordWrap(true);
        m_values[f]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The notes run long: under the figures, the whole width theirs.
        if (f == Notes) {
            layout->addWidget(m_names[f]);
            layout->addWidget(m_values[f]);
        } else {
            m_form->addRow(m_names[f], m_values[f]);
        }
    }
    retranslate();
    setJudgement(nullptr);
}

void CmlFiguresView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void CmlFiguresView::retranslate()
{
    m_names[Required]->setText(tr("Required thickness:"));
    m_names[LongTerm]->setText(tr("Long-term rate:"));
    m_names[ShortTerm]->setText(tr("Short-term rate:"));
    m_names[Regression]->setText(tr("Regression rate:"));
    m_names[Governing]->setText(tr("Governing rate:"));
    m_names[RemainingLife]->setText(tr("Remaining life:"));
    m_names[NextDate]->setText(tr("Next inspection:"));
    m_names[Marks]->setText(tr("Marked readings:"));
    m_names[Notes]->setText(tr("Notes:"));
}

QString CmlFiguresView::figureText(Figure figure) const
{
    return figure >= 0 && figure < FigureCount ? m_values[figure]->text() : QString();
}

void CmlFiguresView::setJudgement(const CmlJudgement *j)
{
    if (!j) {
        for (QLabel *v : m_values)
            v->clear();
        return;
    }
    const CmlFigures &f = j->figures;
    const QString unit = j->unit.isEmpty() ? j->requirement.unit : j->unit;
    auto thickness = [&](double v) { return m_numbers.text(v, unit) + QLatin1Char(' ') + unit; };
    auto rate = [&](double v, int bit) {
        if (std::isnan(v))
            return tr("none");
        QString text = tr("%1 %2/year").arg(m_numbers.rateText(v, unit), unit);
        if (f.negativeRates & bit)
            text += QLatin1Char(' ') + tr("(came out negative)");
        return text;
    };

    const ThicknessRequirement &r = j->requirement;
    QString required = std::isnan(r.required) ? tr("not known") : thickness(r.required);
    if (r.governs == ThicknessRequirement::Governs::Pressure)
        required += QLatin1Char(' ') + tr("(pressure design, %1)").arg(formulaStandard(j->design.formula));
    else if (r.governs == ThicknessRequirement::Governs::Structural)
        required += QLatin1Char(' ') + tr("(structural minimum)");
    m_values[Required]->setText(required);
    m_values[LongTerm]->setText(rate(f.longTerm, 1));
    m_values[ShortTerm]->setText(rate(f.shortTerm, 2));
    QString regression = rate(f.regression, 4);
    if (!std::isnan(f.regression) && !std::isnan(f.regressionLow))
        regression += QLatin1Char(' ')
                      + tr("(95 %: %1 to %2)").arg(m_numbers.rateText(f.regressionLow, unit), m_numbers.rateText(f.regressionHigh, unit));
    m_values[Regression]->setText(regression);
    m_values[Governing]->setText(std::isnan(f.governing)
                                     ? tr("none")
                                     : tr("%1, %2").arg(rate(f.governing, 0), governsWords(f.governs)));
    QString life = JudgementWords::years(f.remainingYears);
    if (f.underMinimum)
        life = tr("0 (at or under the required thickness)");
    m_values[RemainingLife]->setText(life.isEmpty() ? tr("not known") : life);
    QString next;
    if (f.nextMs > 0)
        next = QLocale().toString(QDateTime::fromMSecsSinceEpoch(f.nextMs).date(), QLocale::ShortFormat);
    if (f.dueNow)
        next = tr("due now");
    m_values[NextDate]->setText(next.isEmpty() ? tr("not known") : next);
    int leftOut = 0;
    for (int i = 0; i < f.counted.size(); ++i)
        if (!f.counted.at(i) && i < j->series.readings.size() && !std::isnan(j->series.readings.at(i).thickness))
            ++leftOut;
    m_values[Marks]->setText(tr("%1 undecided, %2 left out of the rates").arg(f.markedReadings()).arg(leftOut));
    QStringList notes;
    if (!r.refusal.isEmpty())
        notes << findingText(r.refusal);
    const QString requirementNotes = findingsText(r.notes);
    if (!requirementNotes.isEmpty())
        notes << requirementNotes;
    const QString figureNotes = findingsText(f.notes);
    if (!figureNotes.isEmpty())
        notes << figureNotes;
    m_values[Notes]->setText(notes.join(QLatin1Char('\n')));
}
