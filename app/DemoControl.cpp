#include "app/DemoControl.h"

#include "emulator/EmulatorBackend.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

DemoControl::DemoControl(EmulatorBackend *emulator, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), backend(emulator)
{
    setObjectName(QStringLiteral("DemoControl"));
    setWindowTitle(QStringLiteral("Emulated gauge / 模拟仪器"));
    const auto plugged = backend->instruments();
    if (!plugged.isEmpty())
        serial = plugged.first()->usbSerial();

    auto *layout = new QVBoxLayout(this);
    state = new QLabel(this);
    plugButton = new QPushButton(this);
    measureButton = new QPushButton(QStringLiteral("Push a measurement / 推送测量值"), this);
    settingsButton = new QPushButton(QStringLiteral("Change settings / 更改设置"), this);
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
    state->setText(plugged ? QStringLiteral("Gauge %1 plugged in / 已连接").arg(serial)
                           : QStringLiteral("Gauge %1 pulled out / 已拔出").arg(serial));
    plugButton->setText(plugged ? QStringLiteral("Pull out / 拔出") : QStringLiteral("Plug in / 插入"));
    measureButton->setEnabled(plugged);
    settingsButton->setEnabled(plugged);
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
