#pragma once

// Shared by the files that talk UNO (OfficeProcess.cpp, CalcDocument.cpp); nothing else
// includes it, so only they need the generated office headers.

#include "export/OfficeProcess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <rtl/ustring.hxx>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

struct OfficeProcess::Impl
{
    QString program;
    QProcess process;
    QElapsedTimer sinceLaunch;
    qint64 startMs = 0;
    std::unique_ptr<QTemporaryDir> profile;
    QString pipeName;
    css::uno::Reference<css::frame::XDesktop2> desktop;
};

// A remote call has no timeout of its own: an office that hangs would block its caller for
// ever. While a deadline lives, an office that outlasts it is killed with its process group;
// the calls waiting on it then fail, as they would had it crashed.
class OfficeCallDeadline
{
public:
    OfficeCallDeadline(OfficeProcess &office, int ms);
    ~OfficeCallDeadline();
    OfficeCallDeadline(const OfficeCallDeadline &) = delete;
    OfficeCallDeadline &operator=(const OfficeCallDeadline &) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::atomic<bool> fired{false};
    int ms;
    std::thread watcher;
};

namespace OfficeUno {

inline rtl::OUString toOu(const QString &s)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

inline QString fromOu(const rtl::OUString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getStr()), s.getLength());
}

} // namespace OfficeUno
