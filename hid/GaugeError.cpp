#include "hid/GaugeError.h"

#include <QCoreApplication>

QString gaugeErrorText(GaugeError error)
{
    const char *source = QT_TRANSLATE_NOOP("GaugeError", "no error");
    switch (error) {
    case GaugeError::None:
        break;
    case GaugeError::NotFound:
        source = QT_TRANSLATE_NOOP("GaugeError", "no gauge was found");
        break;
    case GaugeError::Busy:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge is in use by another program");
        break;
    case GaugeError::OpenFailed:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge could not be opened");
        break;
    case GaugeError::NotOpen:
        source = QT_TRANSLATE_NOOP("GaugeError", "the connection to the gauge is not open");
        break;
    case GaugeError::Removed:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge was disconnected");
        break;
    case GaugeError::ReadFailed:
        source = QT_TRANSLATE_NOOP("GaugeError", "reading from the gauge failed");
        break;
    case GaugeError::WriteFailed:
        source = QT_TRANSLATE_NOOP("GaugeError", "sending to the gauge failed");
        break;
    case GaugeError::NoReply:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge did not answer in time");
        break;
    case GaugeError::BadCrc:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge's answer was damaged (wrong checksum)");
        break;
    case GaugeError::UnexpectedReply:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge's answer did not fit the request");
        break;
    case GaugeError::ErrorReply:
        source = QT_TRANSLATE_NOOP("GaugeError", "the gauge answered with an error");
        break;
    }
    return QCoreApplication::translate("GaugeError", source);
}
