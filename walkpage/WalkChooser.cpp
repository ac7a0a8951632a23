#include "walkpage/WalkChooser.h"

#include "store/Places.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int KindRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;
enum { RouteKind = 0, AssetKindEntry = 1 };
}

WalkChooser::WalkChooser(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("walkChooser"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_whatLabel = new QLabel(this);
    m_what = new QComboBox(this);
    m_what->setObjectName(QStringLiteral("comboBox_walkWhat"));
    m_what->setMinimumWidth(360);
    m_whoLabel = new QLabel(this);
    m_who = new QLineEdit(this);
    m_who->setObjectName(QStringLiteral("lineEdit_inspector"));
    form->addRow(m_whatLabel, m_what);
    form->addRow(m_whoLabel, m_who);
    layout->addLayout(form);
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("pushButton_startWalk"));
    m_start->setMinimumHeight(48);
    m_start->setDefault(true);
    layout->addWidget(m_start);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("label_walkProblem"));
    m_problem->setWordWrap(true);
    layout->addWidget(m_problem);
    layout->addStretch(1);
    connect(m_start, &QPushButton::clicked, this, [this] {
        const int kind = m_what->currentData(KindRole).toInt();
        const qint64 id = m_what->currentData(IdRole).toLongLong();
        emit startRequested(kind == RouteKind ? id : 0, kind == AssetKindEntry ? id : 0, m_who->text().trimmed());
    });
    retranslate();
}

void WalkChooser::fill(SurveyStore *store)
{
    m_store = store;
    retranslate();
}

bool WalkChooser::choose(int kind, qint64 id)
{
    for (int i = 0; i < m_what->count(); ++i) {
        if (m_what->itemData(i, KindRole).toInt() == kind && m_what->itemData(i, IdRole).toLongLong() == id) {
            m_what->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool WalkChooser::chooseRoute(qint64 route)
{
    return choose(RouteKind, route);
}

bool WalkChooser::chooseAsset(qint64 asset)
{
    return choose(AssetKindEntry, asset);
}

void WalkChooser::setInspector(const QString &who)
{
    m_who->setText(who);
}

QString WalkChooser::inspector() const
{
    return m_who->text().trimmed();
}

void WalkChooser::setProblem(const QString &text)
{
    m_problem->setText(text);
}

void WalkChooser::retranslate()
{
    m_whatLabel->setText(tr("Walk:"));
    m_whoLabel->setText(tr("Inspector:"));
    m_start->setText(tr("Start Walk"));
    // Refilled so the entries' words follow the language; the choice is kept.
    const int kind = m_what->currentData(KindRole).toInt();
    const qint64 id = m_what->currentData(IdRole).toLongLong();
    m_what->clear();
    if (m_store) {
        Places places(*m_store);
        auto add = [this](const QString &text, int k, qint64 i) {
            m_what->addItem(text);
            m_what->setItemData(m_what->count() - 1, k, KindRole);
            m_what->setItemData(m_what->count() - 1, i, IdRole);
        };
        for (const Route &r : places.routes())
            add(tr("Route %1").arg(r.name), RouteKind, r.id);
        for (const Asset &a : places.assets())
            add(tr("Asset %1 (its CMLs by tag)").arg(places.assetPath(a.id)), AssetKindEntry, a.id);
    }
    if (id)
        choose(kind, id);
    m_start->setEnabled(m_what->count() > 0);
}

void WalkChooser::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
