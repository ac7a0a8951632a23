#pragma once

// Shared set-up for tests that run the program's layers against emulated gauges: the
// emulator behind the HID interface, the shipped configuration, a records model and a gauge
// session (SessionRig), and for window-level tests the main window over them (WindowRig).
#include "FakeWorkbookWriter.h"
#include "ScriptedInteraction.h"
#include "emulator/EmulatorBackend.h"
#include "hid/DeviceMonitor.h"
#include "link/PollWorker.h"
#include "mainwindow/MainWindow.h"
#include "records/GaugeConfig.h"
#include "records/RecordsModel.h"
#include "recordspage/FirstPage.h"
#include "session/DeviceNotices.h"
#include "session/GaugeSession.h"

#include <QTest>
#include <memory>

namespace GaugeFixture {

inline QString sourceDir()
{
    return QStringLiteral(PALVARIN_SOURCE_DIR);
}

inline GaugeConfig shippedConfig()
{
    return GaugeConfig::load(sourceDir() + QStringLiteral("/resources/config"));
}

// Single-layer gauge: meter type 1, units {2 (m/s), 0 (mm)}.
inline std::shared_ptr<EmulatedInstrument> singleLayerGauge(const QString &serial = QStringLiteral("777"))
{
    auto gauge = std::make_shared<EmulatedInstrument>(serial, 1, 110);
    gauge->setUnitNumbers({2, 0});
    gauge->setReportIntervalUs(0);
    return gauge;
}

// Multi-layer gauge: meter type 2, units {0,0,0,2,2,2}.
inline std::shared_ptr<EmulatedInstrument> multiLayerGauge(const QString &serial = QStringLiteral("12345"))
{
    auto gauge = std::make_shared<EmulatedInstrument>(serial, 2, 125);
    gauge->setUnitNumbers({0, 0, 0, 2, 2, 2});
    gauge->setReportIntervalUs(0);
    return gauge;
}

// Memory requests (0x40/0x41) the gauge received, as (address, length) pairs.
inline QList<QPair<quint32, int>> memoryRequests(const EmulatedInstrument &gauge)
{
    QList<QPair<quint32, int>> out;
    for (const QByteArray &r : gauge.requestLog()) {
        if (r.size() == 10 && (quint8(r[1]) == 0x40 || quint8(r[1]) == 0x41)) {
            const quint32 address = quint8(r[2]) | quint32(quint8(r[3])) << 8 | quint32(quint8(r[4])) << 16
                                    | quint32(quint8(r[5])) << 24;
            out.append({address, quint8(r[6]) | quint8(r[7]) << 8});
        }
    }
    return out;
}

// Rows put straight into a model that has columns, as if read from the gauge.
inline void addSingleLayerRow(RecordsModel &model, float thickness, float velocity)
{
    GaugeRecord r;
    r.setValue(0, thickness, false);
    r.setValue(1, velocity, false);
    model.append(QVector<GaugeRecord>{r}, RecordOrigin::Memory, 0);
}

inline void addMultiLayerRow(RecordsModel &model, const QString &name, const std::array<float, 6> &values)
{
    GaugeRecord r;
    r.name = name;
    for (int i = 0; i < 6; ++i)
        r.setValue(i, values[size_t(i)], false);
    model.append(QVector<GaugeRecord>{r}, RecordOrigin::Memory, 0);
}

// Every cell's text of a row, as the table shows it (the Operation column is empty).
inline QStringList rowTexts(const RecordsModel &model, int row)
{
    QStringList out;
    for (int c = 0; c < model.columnCount(); ++c)
        out << model.text(row, c);
    return out;
}

inline QString header(const QAbstractItemModel &model, int column)
{
    return model.headerData(column, Qt::Horizontal).toString();
}

// A records model and a gauge session over the emulator, without any window. Device notices
// of the back end go through the policy the main window uses, synchronously when the notice
// comes from this thread.
struct SessionRig
{
    RecordsModel model;
    FakeWorkbookWriter writer;
    GaugeSession session;
    DeviceNotices notices{session};
    // What the records page would show in its device fields.
    QString serialNo;
    QString firmware;

    explicit SessionRig(EmulatorBackend &backend, GaugeConfig config = shippedConfig(),
                        UserInteraction &ui = ScriptedInteraction::relay())
        : session(backend, ui, writer, model, std::move(config))
    {
        notices.setMonitor(backend.monitor());
        QObject::connect(&session, &GaugeSession::identified, &session,
                         [this](const QString &serial, const QString &version) {
                             serialNo = serial;
                             firmware = version;
                         });
        QObject::connect(&session, &GaugeSession::linkClosed, &session, [this] {
            serialNo.clear();
            firmware.clear();
        });
    }

    QStringList row(int r) const { return rowTexts(model, r); }
    QString header(int column) const { return GaugeFixture::header(model, column); }
};

// Pulls every gauge out of `backend`, plugs `gauge` in and waits until it is identified;
// the gauge's request log starts empty. Set `identified` false for a gauge that is not.
inline void replug(EmulatorBackend &backend, SessionRig &rig, std::shared_ptr<EmulatedInstrument> gauge,
                   bool identified = true)
{
    for (const auto &g : backend.instruments())
        backend.unplug(g->usbSerial());
    QTRY_VERIFY(!rig.session.hasLink());
    backend.plug(gauge);
    QTRY_VERIFY(rig.session.isLinkOpen());
    if (identified)
        QTRY_VERIFY(!rig.serialNo.isEmpty());
    gauge->clearRequestLog();
}

// The main window over its own model and session, watching the back end's notices, as main
// builds it.
struct WindowRig
{
    RecordsModel model;
    FakeWorkbookWriter writer;
    GaugeSession session;
    std::unique_ptr<MainWindow> window;

    explicit WindowRig(EmulatorBackend &backend, const QStringList &translationPath = {},
                       UserInteraction &ui = ScriptedInteraction::relay())
        : session(backend, ui, writer, model, shippedConfig())
        , window(std::make_unique<MainWindow>(session, translationPath))
    {
        window->setDeviceMonitor(backend.monitor());
    }
    // The window goes before the session it shows.
    ~WindowRig() { window.reset(); }

    FirstPage *page() const { return window->recordsPage(); }
};

} // namespace GaugeFixture
