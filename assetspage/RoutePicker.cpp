#include "assetspage/RoutePicker.h"

#include "assetspage/DialogButtons.h"
#include "assetspage/PlacesWords.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int CmlRole = Qt::UserRole;
}

RoutePicker::RoutePicker(const QVector<Route> &routes, const QHash<qint64, StopMark> &marks,
                         const QHash<qint64, QString> &tags, qint64 route, QWidget *parent)
    : QDialog(parent)
    , m_routes(routes)
    , m_marks(marks)
    , m_tags(tags)
    , m_route(new QComboBox(this))
    , m_stops(new QListWidget(this))
{
    setObjectName(QStringLiteral("RoutePicker"));
    setWindowTitle(tr("Assign by Route"));
    resize(460, 480);
    m_route->setObjectName(QStringLiteral("routeChoice"));
    m_stops->setObjectName(QStringLiteral("routeStops"));
    for (const Route &r : routes)
        m_route->addItem(r.name, r.id);

    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->addRow(tr("Route:"), m_route);
    layout->addLayout(form);
    auto *hint = new QLabel(tr("The readings go to the stops in order. Tick the stops left out on this survey."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(m_stops, 1);
    auto *buttons = okCancelButtons(this, tr("Assign"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!routes.isEmpty());
    layout->addWidget(buttons);
    connect(m_route, &QComboBox::currentIndexChanged, this, &RoutePicker::showStops);
    if (!setRoute(route))
        showStops();
}

void RoutePicker::showStops()
{
    m_stops->clear();
    const qint64 chosen = route();
    for (const Route &r : std::as_const(m_routes)) {
        if (r.id != chosen)
            continue;
        int stop = 0;
        for (qint64 cml : r.cmls) {
            const StopMark mark = m_marks.value(cml, StopMark::None);
            QString text = QStringLiteral("%1. %2").arg(++stop).arg(m_tags.value(cml));
            if (mark != StopMark::None)
                text += QStringLiteral(" (%1)").arg(PlacesWords::mark(mark));
            auto *item = new QListWidgetItem(text, m_stops);
            item->setData(CmlRole, cml);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(mark == StopMark::None ? Qt::Unchecked : Qt::Checked);
        }
    }
}

qint64 RoutePicker::route() const
{
    return m_route->currentIndex() < 0 ? 0 : m_route->currentData().toLongLong();
}

bool RoutePicker::setRoute(qint64 route)
{
    const int at = m_route->findData(route);
    if (at < 0)
        return false;
    if (at == m_route->currentIndex())
        showStops();
    else
        m_route->setCurrentIndex(at);
    return true;
}

bool RoutePicker::setLeftOut(qint64 cml, bool leftOut)
{
    for (int i = 0; i < m_stops->count(); ++i) {
        QListWidgetItem *item = m_stops->item(i);
        if (item->data(CmlRole).toLongLong() == cml) {
            item->setCheckState(leftOut ? Qt::Checked : Qt::Unchecked);
            return true;
        }
    }
    return false;
}

QHash<qint64, StopMark> RoutePicker::marks() const
{
    QHash<qint64, StopMark> out;
    for (int i = 0; i < m_stops->count(); ++i) {
        const QListWidgetItem *item = m_stops->item(i);
        const qint64 cml = item->data(CmlRole).toLongLong();
        StopMark mark = StopMark::None;
        if (item->checkState() == Qt::Checked) {
            mark = m_marks.value(cml, StopMark::None);
            if (mark == StopMark::None)
                mark = StopMark::Skipped;
        }
        out.insert(cml, mark);
    }
    return out;
}
