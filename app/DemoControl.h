#pragma once

#include <QWidget>

#include <memory>

class EmulatedInstrument;
class EmulatorBackend;
class QLabel;
class QPushButton;

// The small tool window of demo mode: plug and pull the emulated gauge and make it push
// a measurement or a settings change, as a person would with the real instrument.
class DemoControl : public QWidget
{
    Q_OBJECT
public:
    explicit DemoControl(EmulatorBackend *backend, QWidget *parent = nullptr);

private:
    void togglePlug();
    void pushMeasurement();
    void pushSettingsChanged();
    void refresh();

    EmulatorBackend *backend;
    QString serial;
    std::shared_ptr<EmulatedInstrument> lastPulled;
    QLabel *state;
    QPushButton *plugButton;
    QPushButton *measureButton;
    QPushButton *settingsButton;
};
