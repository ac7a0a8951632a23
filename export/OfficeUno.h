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

#include <memory>

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
