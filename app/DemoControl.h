#pragma once

#include <QTranslator>
#include <QWidget>

#include <memory>

class EmulatedInstrument;
class EmulatorBackend;
class QLabel;
class QPushButton;

// The small tool window of demo mode: plug and pull the emulated gauge and make it push
// a measurement or a settings change, as a person would with the real instrument. It speaks
// English and Chinese side by side, whatever the program's language.
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
    // A source text in English, then in Chinese.
    QString inBoth(const char *source) const;

    EmulatorBackend *backend;
    QString serial;
    std::shared_ptr<EmulatedInstrument> lastPulled;
    QLabel *state;
    QPushButton *plugButton;
    QPushButton *measureButton;
    QPushButton *settingsButton;
    QTranslator m_chinese;
};
