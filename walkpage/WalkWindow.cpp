#include "walkpage/WalkWindow.h"

#include "session/GaugeSession.h"
#include "session/WalkWords.h"
#include "walkpage/WalkChooser.h"
#include "walkpage/WalkView.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
// The reasons in the order of their digits 1 to 6.
const SkipReason reasonOrder[] = {SkipReason::NoAccess, SkipReason::Insulated, SkipReason::Obstructed,
                                  SkipReason::TooHot,   SkipReason::Unsafe,    SkipReason::Other};
} // namespace

WalkWindow::WalkWindow(GaugeSession &session, QWidget *parent)
    : QDialog(parent), m_walk(session)
{
    setObjectName(QStringLiteral("walkWindow"));
    setModal(false);
    resize(1280, 800);
    auto *layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);
    m_chooser = new WalkChooser(m_pages);
    m_chooser->fill(session.store());
    if (!session.store())
        m_chooser->setProblem(walkProblemText(RouteWalk::Problem::NoStore));
    m_pages->addWidget(m_chooser);
    m_pages->addWidget(makeWalkPage());
    connect(m_chooser, &WalkChooser::startRequested, this,
            [this](qint64 route, qint64 asset, const QString &who) { start(route, asset, who); });
    connect(&m_walk, &RouteWalk::currentChanged, this, &WalkWindow::showState);
    connect(&m_walk, &RouteWalk::stopChanged, this, &WalkWindow::onStopChanged);
    connect(&m_walk, &RouteWalk::walkFinished, this, &WalkWindow::showState);
    retranslate();
}

WalkWindow::~WalkWindow() = default;

QPushButton *WalkWindow::bigButton(const char *name, QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumSize(160, 72);
    QFont f = b->font();
    f.setPixelSize(24);
    f.setBold(true);
    b->setFont(f);
    // Keys go to the window, never to a button that happens to have the focus.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    return b;
}

QWidget *WalkWindow::makeWalkPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    m_view = new WalkView(page);
    m_view->setWalk(&m_walk);
    layout->addWidget(m_view, 1);

    m_reasons = new QWidget(page);
    m_reasons->setObjectName(QStringLiteral("widget_skipReasons"));
    auto *reasons = new QHBoxLayout(m_reasons);
    reasons->setContentsMargins(0, 0, 0, 0);
    for (SkipReason reason : reasonOrder) {
        QPushButton *b = bigButton("pushButton_skipReason", m_reasons);
        reasons->addWidget(b);
        m_reasonButtons << b;
        connect(b, &QPushButton::clicked, this, [this, reason] { skipFor(reason); });
    }
    m_note = new QLineEdit(m_reasons);
    m_note->setObjectName(QStringLiteral("lineEdit_skipNote"));
    m_note->setMinimumHeight(48);
    reasons->addWidget(m_note, 1);
    connect(m_note, &QLineEdit::returnPressed, this, [this] { skipFor(SkipReason::Other); });
    m_reasons->hide();
    layout->addWidget(m_reasons);

    auto *buttons = new QHBoxLayout;
    m_accept = bigButton("pushButton_accept", page);
    m_remeasure = bigButton("pushButton_remeasure", page);
    m_skip = bigButton("pushButton_skip", page);
    m_back = bigButton("pushButton_back", page);
    m_undo = bigButton("pushButton_undo", page);
    m_close = bigButton("pushButton_close", page);
    for (QPushButton *b : {m_accept, m_remeasure, m_skip, m_back, m_undo, m_close})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(m_accept, &QPushButton::clicked, this, [this] { act(m_walk.accept()); });
    connect(m_remeasure, &QPushButton::clicked, this, [this] { act(m_walk.remeasure()); });
    connect(m_skip, &QPushButton::clicked, this, &WalkWindow::openSkipReasons);
    connect(m_back, &QPushButton::clicked, this, [this] { act(m_walk.back()); });
    connect(m_undo, &QPushButton::clicked, this, [this] { act(m_walk.undo()); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    auto *bottom = new QHBoxLayout;
    m_toleranceLabel = new QLabel(page);
    m_tolerance = new QDoubleSpinBox(page);
    m_tolerance->setObjectName(QStringLiteral("doubleSpinBox_tolerance"));
    m_tolerance->setRange(0.0, 5.0);
    m_tolerance->setSingleStep(0.05);
    m_tolerance->setDecimals(2);
    m_tolerance->setSuffix(QStringLiteral(" mm"));
    m_tolerance->setFocusPolicy(Qt::ClickFocus);
    m_toleranceLabel->setBuddy(m_tolerance);
    connect(m_tolerance, &QDoubleSpinBox::valueChanged, this, [this](double mm) { m_walk.setToleranceMm(mm); });
    m_sound = new QCheckBox(page);
    m_sound->setObjectName(QStringLiteral("checkBox_sound"));
    m_sound->setFocusPolicy(Qt::NoFocus);
    m_status = new QLabel(page);
    m_status->setObjectName(QStringLiteral("label_walkStatus"));
    QFont f = m_status->font();
    f.setPixelSize(20);
    m_status->setFont(f);
    bottom->addWidget(m_toleranceLabel);
    bottom->addWidget(m_tolerance);
    bottom->addWidget(m_sound);
    bottom->addWidget(m_status, 1);
    layout->addLayout(bottom);
    return page;
}

bool WalkWindow::start(qint64 route, qint64 asset, const QString &who)
{
    m_walk.setToleranceMm(m_tolerance->value());
    const bool started = route ? m_walk.startRoute(route, who) : m_walk.startAsset(asset, who);
    if (!started) {
        m_chooser->setProblem(walkProblemText(m_walk.problem()));
        return false;
    }
    m_chooser->setProblem(QString());
    m_status->clear();
    retranslate();
    m_pages->setCurrentIndex(1);
    m_view->setFocus();
    showState();
    return true;
}

void WalkWindow::act(bool done)
{
    m_status->setText(done ? QString() : walkProblemText(m_walk.problem()));
    showState();
}

void WalkWindow::openSkipReasons()
{
    if (!m_walk.running()) {
        m_status->setText(walkProblemText(RouteWalk::Problem::NotNow));
        return;
    }
    m_note->clear();
    m_reasons->show();
    m_status->setText(tr("Skip: choose why (1–6), Esc to go on"));
}

void WalkWindow::skipFor(SkipReason reason)
{
    const QString note = m_note->text().trimmed();
    if (reason == SkipReason::Other && note.isEmpty()) {
        // "Other" must say why, or the skip tells the next inspector nothing.
        m_note->setFocus();
        m_status->setText(tr("Say why in the note, then press Enter"));
        return;
    }
    m_reasons->hide();
    m_view->setFocus();
    act(m_walk.skip(reason, reason == SkipReason::Other ? note : QString()));
}

void WalkWindow::onStopChanged(int index)
{
    if (m_sound->isChecked() && index == m_walk.current() && index < m_walk.stops().size()) {
        const WalkStop &stop = m_walk.stops().at(index);
        // Once per reading: an undo that brings a judged reading back is not news.
        if (stop.state == WalkStop::State::Measured && stop.verdict != ProbeVerdict::Ok && stop.key != m_beepedKey) {
            m_beepedKey = stop.key;
            QApplication::beep();
        }
    }
    showState();
}

void WalkWindow::showState()
{
    if (m_walk.finished()) {
        m_status->setText(tr("Route done: every stop accepted or skipped."));
        m_close->setVisible(true);
    } else {
        m_close->setVisible(false);
    }
    const bool running = m_walk.running();
    for (QPushButton *b : {m_accept, m_remeasure, m_skip, m_back})
        b->setEnabled(running);
}

void WalkWindow::keyPressEvent(QKeyEvent *event)
{
    if (m_pages->currentIndex() != 1) {
        QDialog::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (m_reasons->isVisible()) {
        if (key >= Qt::Key_1 && key <= Qt::Key_6 && !m_note->hasFocus()) {
            skipFor(reasonOrder[key - Qt::Key_1]);
            return;
        }
    }
    if (key == Qt::Key_Escape) {
        // Never the dialog's reject: a stray Escape must not put the walk away.
        if (m_reasons->isVisible()) {
            m_reasons->hide();
            m_status->clear();
            m_view->setFocus();
        }
        return;
    }
    if (m_tolerance->hasFocus() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        // Enter ends typing the tolerance; it must not accept the reading too.
        m_view->setFocus();
        return;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        act(m_walk.accept());
        return;
    case Qt::Key_R:
        act(m_walk.remeasure());
        return;
    case Qt::Key_S:
        openSkipReasons();
        return;
    case Qt::Key_Backspace:
    case Qt::Key_B:
        act(m_walk.back());
        return;
    case Qt::Key_U:
        act(m_walk.undo());
        return;
    case Qt::Key_Z:
        if (ctrl) {
            act(m_walk.undo());
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void WalkWindow::retranslate()
{
    setWindowTitle(m_walk.name().isEmpty() ? tr("Walk a Route") : tr("Walk: %1").arg(m_walk.name()));
    m_accept->setText(tr("Accept\n(Enter)"));
    m_remeasure->setText(tr("Re-measure\n(R)"));
    m_skip->setText(tr("Skip…\n(S)"));
    m_back->setText(tr("Back\n(B)"));
    m_undo->setText(tr("Undo\n(U)"));
    m_close->setText(tr("Close"));
    for (int i = 0; i < m_reasonButtons.size(); ++i)
        m_reasonButtons[i]->setText(tr("%1 %2").arg(i + 1).arg(skipReasonWords(reasonOrder[i])));
    m_note->setPlaceholderText(tr("Why (for Other)"));
    m_toleranceLabel->setText(tr("Tolerance:"));
    m_sound->setText(tr("Sound"));
    m_sound->setToolTip(tr("Beep when a reading is not OK"));
}

void WalkWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}
