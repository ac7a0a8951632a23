#include "assetspage/CmlJudgementPane.h"

#include "assetspage/CmlFiguresView.h"
#include "assetspage/TrendView.h"
#include "session/JudgementBook.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CmlJudgementPane::CmlJudgementPane(QWidget *parent)
    : QWidget(parent)
    , m_figures(new CmlFiguresView(this))
    , m_trend(new TrendView(this))
    , m_design(new QPushButton(this))
    , m_makeGrid(new QPushButton(this))
    , m_accept(new QPushButton(this))
    , m_leaveOut(new QPushButton(this))
    , m_clear(new QPushButton(this))
{
    setObjectName(QStringLiteral("cmlJudgement"));
    m_design->setObjectName(QStringLiteral("pushButton_cmlDesign"));
    m_makeGrid->setObjectName(QStringLiteral("pushButton_makeGrid"));
    m_accept->setObjectName(QStringLiteral("pushButton_acceptReading"));
    m_leaveOut->setObjectName(QStringLiteral("pushButton_leaveOutReading"));
    m_clear->setObjectName(QStringLiteral("pushButton_clearDecision"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_figures);
    layout->addWidget(m_trend, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_design);
    buttons->addWidget(m_makeGrid);
    buttons->addStretch(1);
    buttons->addWidget(m_accept);
    buttons->addWidget(m_leaveOut);
    buttons->addWidget(m_clear);
    layout->addLayout(buttons);
    connect(m_design, &QPushButton::clicked, this, &CmlJudgementPane::designRequested);
    connect(m_makeGrid, &QPushButton::clicked, this, &CmlJudgementPane::makeGridRequested);
    connect(m_accept, &QPushButton::clicked, this, [this] { emit decisionRequested(MarkDecision::Include); });
    connect(m_leaveOut, &QPushButton::clicked, this, [this] { emit decisionRequested(MarkDecision::Exclude); });
    connect(m_clear, &QPushButton::clicked, this, [this] { emit decisionRequested(MarkDecision::None); });
    retranslate();
    setJudgement(nullptr);
}

void CmlJudgementPane::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void CmlJudgementPane::retranslate()
{
    m_design->setText(tr("Design…"));
    m_makeGrid->setText(tr("Make Grid…"));
    m_accept->setText(tr("Accept reading"));
    m_leaveOut->setText(tr("Leave out reading"));
    m_clear->setText(tr("Clear decision"));
}

void CmlJudgementPane::setNumbers(const PlaceNumbers &numbers)
{
    m_numbers = numbers;
    m_figures->setNumbers(numbers);
}

QPushButton *CmlJudgementPane::decisionButton(MarkDecision decision) const
{
    switch (decision) {
    case MarkDecision::Include:
        return m_accept;
    case MarkDecision::Exclude:
        return m_leaveOut;
    case MarkDecision::None:
        break;
    }
    return m_clear;
}

void CmlJudgementPane::setJudgement(const CmlJudgement *judgement)
{
    m_haveCml = judgement != nullptr;
    m_figures->setJudgement(judgement);
    if (judgement)
        m_trend->setTrend(judgement->series, judgement->figures, judgement->unit, m_numbers.decimals(judgement->unit),
                          judgement->cml.tag);
    else
        m_trend->clear();
    m_design->setEnabled(m_haveCml);
    m_makeGrid->setEnabled(m_haveCml && m_gridOffered);
    setReadingChosen(m_haveReading);
}

void CmlJudgementPane::setGridOffered(bool offered)
{
    m_gridOffered = offered;
    m_makeGrid->setVisible(offered);
    m_makeGrid->setEnabled(m_haveCml && offered);
}

void CmlJudgementPane::setReadingChosen(bool chosen)
{
    m_haveReading = chosen;
    for (QPushButton *b : {m_accept, m_leaveOut, m_clear})
        b->setEnabled(m_haveCml && chosen);
}
