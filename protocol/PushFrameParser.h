#pragma once

#include "link/FramedLink.h"
#include "protocol/FieldDecoder.h"

#include <QByteArray>
#include <QVector>

// One measurement frame found in the bytes the instrument pushed.
struct PushedFrame
{
    enum class Kind { Measurement, SettingsChanged };
    Kind kind = Kind::Measurement;
    int layout = 0;
    // The raw value fields, 4 bytes each: 2 (layout 1) or 6 (layout 2), in frame order.
    QByteArray fieldBytes;

    int fieldCount() const { return int(fieldBytes.size() / FieldDecoder::FieldSize); }
};

// Finds measurement frames (header AB 44 00 00 00 00 F0 00 plus the value fields) in the
// batches the poll loop delivers. Every complete frame of a batch is returned, in order; a
// frame cut at the end of a batch is kept until the next batch completes it.
//
// Bytes after a frame's value fields (padding, CRC) are not interpreted: scanning simply goes
// on for the next header, so they are skipped like any junk before a frame.
// A frame whose value bytes hold the start of another header was cut short; it is dropped
// and scanning resumes at that header (field bytes AB 44 00 00 | 00 00 F0 00 are no
// plausible measurement).
// The frames found do not depend on how the stream is cut into batches: a frame is decided
// only once the bytes that could hold the start of the next header have arrived.
// A settings-changed frame is returned among the others, in its place: the frames after it
// are measurements in the new units, which the caller adds once it has read them.
class PushFrameParser
{
public:
    static const QByteArray &header();
    static constexpr int HeaderSize = 8;
    // A pushed frame as the instrument sends it: header, six value slots, CRC. A frame whose
    // CRC closes after two value slots is taken as the short form.
    static constexpr int FrameSize = 34;
    static constexpr int ShortFrameSize = 18;
    // For bytes at `from` that start with the header: the frame's length as it arrived (for
    // one cut short by the next frame, the length up to it); 0 when no header starts there;
    // -1 when more bytes are needed to tell.
    static int frameLength(const QByteArray &bytes, qsizetype from = 0);
    // The frame of that length at `from` was cut short by the next one.
    static bool isCutShort(const QByteArray &bytes, qsizetype from, int length);
    // Their form, for the link that must tell them from replies.
    static FramedLink::UnaskedFrames unaskedFrames();
    // Value bytes behind the header for a layout, 0 for an unknown layout.
    static int valueBytes(int layout);
    // The most bytes ever kept between two feeds: a whole frame held because the batch
    // ends in the first 7 bytes of a header starting at its last value byte.
    static constexpr int MaxPendingBytes = HeaderSize + 6 * 4 - 1 + HeaderSize - 1;

    QVector<PushedFrame> feed(const QByteArray &batch, int layout);
    void reset();
    int pendingBytes() const { return int(m_pending.size()); }

private:
    // True when data ends in a proper start of a header beginning in [from, to).
    static bool endsInHeaderStart(const QByteArray &data, qsizetype from, qsizetype to);

    QByteArray m_pending;
};
