#pragma once

// Shared set-up for tests that run the whole program against emulated gauges: the
// emulator behind the HID interface, the shipped configuration, the main window.
#include "emulator/EmulatorBackend.h"
#include "hid/HidBackend.h"
#include "link/MyThread.h"
#include "mainwindow/MainWindow.h"
#include "recordspage/FirstPage.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

namespace GaugeFixture {

inline QString sourceDir()
{
    return QStringLiteral(PALVARIN_SOURCE_DIR);
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

// Installs the emulator and the shipped configuration, builds the main window.
inline MainWindow *start(EmulatorBackend &backend)
{
    HidBackend::setCurrent(&backend);
    FirstPage::setConfigDirectory(sourceDir() + QStringLiteral("/resources/config"));
    MainWindow *window = MainWindow::instance();
    window->setDeviceMonitor(backend.monitor());
    return window;
}

inline void stop()
{
    MainWindow::destroyInstance();
    HidBackend::setCurrent(nullptr);
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

inline QStringList rowTexts(QTableWidget *table, int row)
{
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return out;
}

} // namespace GaugeFixture
