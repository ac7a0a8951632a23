#include "assetspage/SurveyForm.h"

#include "assetspage/AssetChoice.h"
#include "assetspage/DialogButtons.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

SurveyForm::SurveyForm(const SurveyFacts &facts, const QVector<Asset> &assets, const QVector<Route> &routes,
                       QWidget *parent)
    : QDialog(parent)
    , m_facts(facts)
    , m_asset(new AssetChoice(this))
    , m_route(new QComboBox(this))
    , m_inspector(new QLineEdit(this))
    , m_notes(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("SurveyForm"));
    setWindowTitle(tr("Survey %1").arg(facts.id));
    m_asset->setAssets(assets, tr("(not said)"));
    m_asset->setAsset(facts.asset);
    m_route->addItem(tr("(none)"), qint64(0));
    for (const Route &r : routes)
        m_route->addItem(r.name, r.id);
    setRoute(facts.route);
    m_inspector->setText(facts.inspector);
    m_notes->setPlainText(facts.notes);
    m_notes->setTabChangesFocus(true);

    auto *form = new QFormLayout(this);
    auto *when = new QLabel(QLocale().toString(QDateTime::fromMSecsSinceEpoch(facts.dateMs), QLocale::LongFormat)
                                + QStringLiteral("  ·  ") + facts.serial,
                            this);
    when->setObjectName(QStringLiteral("surveyWhen")); // data: a date and a serial number
    form->addRow(tr("Taken:"), when);
    form->addRow(tr("Asset:"), m_asset);
    form->addRow(tr("Route:"), m_route);
    form->addRow(tr("Inspector:"), m_inspector);
    form->addRow(tr("Notes:"), m_notes);
    auto *buttons = okCancelButtons(this);
    form->addRow(buttons);
}

SurveyFacts SurveyForm::facts() const
{
    SurveyFacts f = m_facts;
    f.asset = m_asset->asset();
    f.route = m_route->currentData().toLongLong();
    f.inspector = m_inspector->text().trimmed();
    f.notes = m_notes->toPlainText().trimmed();
    return f;
}

bool SurveyForm::setAsset(qint64 asset)
{
    return m_asset->setAsset(asset);
}

bool SurveyForm::setRoute(qint64 route)
{
    const int at = m_route->findData(route);
    if (at < 0)
        return false;
    m_route->setCurrentIndex(at);
    return true;
}

void SurveyForm::setInspector(const QString &inspector)
{
    m_inspector->setText(inspector);
}

void SurveyForm::setNotes(const QString &notes)
{
    m_notes->setPlainText(notes);
}
