#include "app/DemoControl.h"

#include "emulator/EmulatorBackend.h"
#include "interaction/Language.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

DemoControl::DemoControl(EmulatorBackend *emulator, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), backend(emulator)
{
    setObjectName(QStringLiteral("DemoControl"));
    Language::load(m_chinese, QStringLiteral("zh"), Language::instance().searchPath());
    setWindowTitle(inBoth(QT_TR_NOOP("Emulated gauge")));
    const auto plugged = backend->instruments();
    if (!plugged.isEmpty())
        serial = plugged.first()->usbSerial();

    auto *layout = new QVBoxLayout(this);
    state = new QLabel(this);
    plugButton = new QPushButton(this);
    measureButton = new QPushButton(inBoth(QT_TR_NOOP("Push a measurement")), this);
    settingsButton = new QPushButton(inBoth(QT_TR_NOOP("Change settings")), this);
    for (QWidget *w : {static_cast<QWidget *>(state), static_cast<QWidget *>(plugButton),
                       static_cast<QWidget *>(measureButton), static_cast<QWidget *>(settingsButton)})
        layout->addWidget(w);
    connect(plugButton, &QPushButton::clicked, this, &DemoControl::togglePlug);
    connect(measureButton, &QPushButton::clicked, this, &DemoControl::pushMeasurement);
    connect(settingsButton, &QPushButton::clicked, this, &DemoControl::pushSettingsChanged);
    connect(backend->monitor(), &DeviceMonitor::deviceChange, this, &DemoControl::refresh);
    refresh();
    // Where it goes is up to the program's start, which places the main window beside it:
    // its size with the skin applied.
    ensurePolished();
    adjustSize();
}

void DemoControl::refresh()
{
    const bool plugged = backend->instrument(serial) != nullptr;
    state->setText((plugged ? inBoth(QT_TR_NOOP("Gauge %1 plugged in")) : inBoth(QT_TR_NOOP("Gauge %1 pulled out")))
                       .arg(serial));
    plugButton->setText(plugged ? inBoth(QT_TR_NOOP("Pull out")) : inBoth(QT_TR_NOOP("Plug in")));
    measureButton->setEnabled(plugged);
    settingsButton->setEnabled(plugged);
}

QString DemoControl::inBoth(const char *source) const
{
    const QString english = QString::fromUtf8(source);
    const QString chinese = m_chinese.translate("DemoControl", source);
    return chinese.isEmpty() ? english : english + QStringLiteral(" / ") + chinese;
}

void DemoControl::togglePlug()
{
    if (auto gauge = backend->instrument(serial)) {
        lastPulled = gauge;
        backend->unplug(serial);
    } else if (lastPulled) {
        backend->plug(lastPulled);
    }
    refresh();
}

void DemoControl::pushMeasurement()
{
    auto gauge = backend->instrument(serial);
    if (!gauge)
        return;
    QRandomGenerator *random = QRandomGenerator::global();
    auto thickness = [random] { return float(2.0 + random->bounded(2000) / 100.0); };
    auto velocity = [random] { return float(5800 + random->bounded(300)); };
    if (gauge->isMultiLayer())
        gauge->pushMultiLayer({thickness(), thickness(), thickness()}, {velocity(), velocity(), velocity()});
    else
        gauge->pushSingleLayer(velocity(), thickness());
}

void DemoControl::pushSettingsChanged()
{
    auto gauge = backend->instrument(serial);
    if (!gauge)
        return;
    // A real change, so the headers show it: metric (mm, m/s) and imperial (inch, in/µs)
    // by turns, numbered as in the shipped unit table.
    const QList<int> units = gauge->unitNumbers();
    const int thicknessEntry = gauge->isMultiLayer() ? 0 : 1;
    const bool metric = units.value(thicknessEntry) == 0;
    const int thickness = metric ? 1 : 0;
    const int velocity = metric ? 3 : 2;
    if (gauge->isMultiLayer())
        gauge->setUnitNumbers({thickness, thickness, thickness, velocity, velocity, velocity});
    else
        gauge->setUnitNumbers({velocity, thickness});
    gauge->pushSettingsChanged();
}
