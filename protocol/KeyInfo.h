#pragma once

#include <QDate>
#include <QtGlobal>

// The decoded identification reply of the instrument.
struct KeyInfo
{
    quint8 flagByte = 0;
    QDate date;
    quint32 serialNo = 0;
    quint32 meterType = 0;
    quint16 auxWord = 0;
    quint16 firmwareVersion = 0; // hundredths
};
