#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Time-ordered (version 7) UUIDs, 16 bytes, for the keys that must stay unique when two survey
// files are merged: 48 bits of milliseconds, then 74 random bits from a generator seeded once
// per thread from the system's source (a million rows take milliseconds, not a system call each).
namespace Uuid {

void fill(uint8_t out[16]);
QByteArray make();
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", or empty for anything but 16 bytes.
QString text(const QByteArray &uuid);

} // namespace Uuid
