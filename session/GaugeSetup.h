#pragma once

#include "hid/HidBackend.h"

#include <QString>

#include <memory>

class EmulatorBackend;
class TracingBackend;

// The gauges and the survey file a face works with, as its command line chose them: the
// platform's gauges or an emulated one (--demo, --demo-config), every report written to a
// trace (--trace), only the gauge with one serial (--serial). Shared by the window program
// and the command-line tool so that both read their options alike.
class GaugeSetup
{
public:
    struct Choice
    {
        bool demo = false;  // also when demoConfig is given
        QString demoConfig; // the emulator's INI file; empty: the built-in demo gauge
        QString trace;      // empty: no trace
        QString serial;     // empty: every gauge
    };
    enum class Problem : quint8 { None, DemoConfigUnreadable, TraceUnwritable };

    GaugeSetup();
    ~GaugeSetup();
    GaugeSetup(const GaugeSetup &) = delete;
    GaugeSetup &operator=(const GaugeSetup &) = delete;

    // Builds the back end. `replacement` (may be null; must outlive this) stands for the
    // platform's and the emulator's gauges. On a problem *error says what the system said
    // (the trace file's), and backend() is not to be used.
    Problem build(const Choice &choice, HidBackend *replacement = nullptr, QString *error = nullptr);

    HidBackend &backend() const { return *m_backend; }
    // The emulated gauge, when --demo chose one (its device monitor, its control window).
    EmulatorBackend *emulator() const { return m_emulator.get(); }
    // A real gauge: the one program that may hold it must hold the instance lock.
    bool realGauge() const { return m_real; }

    // The serial a gauge answers to: the enumerated one, else the one its opened interface reports.
    static QString serialOf(HidBackend &backend, const HidDeviceInfo &info);
    // The survey file: `given` (--store), else $PALVARIN_STORE, else the user's data folder's.
    static QString storePath(const QString &given);

private:
    class SerialFilter;
    std::unique_ptr<EmulatorBackend> m_emulator;
    std::unique_ptr<TracingBackend> m_tracer;
    std::unique_ptr<SerialFilter> m_filter;
    HidBackend *m_backend = nullptr;
    bool m_real = false;
};
