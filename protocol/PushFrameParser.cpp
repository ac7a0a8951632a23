#include "protocol/PushFrameParser.h"

const QByteArray &PushFrameParser::header()
{
    static const QByteArray h("\xAB\x44\x00\x00\x00\x00\xF0\x00", HeaderSize);
    return h;
}

namespace {

bool crcClosesAt(const QByteArray &bytes, qsizetype from, int frameLength)
{
    const QByteArray frame = bytes.mid(from, frameLength);
    if (frame.size() < frameLength)
        return false;
    const quint16 stored = quint16(quint8(frame.at(frameLength - 2)) | (quint8(frame.at(frameLength - 1)) << 8));
    return stored == FramedLink::crc16(frame, frameLength - 2);
}

} // namespace

int PushFrameParser::frameLength(const QByteArray &bytes, qsizetype from)
{
    const QByteArray &head = header();
    const qsizetype available = bytes.size() - from;
    if (available <= 0)
        return 0;
    if (available < head.size())
        return head.startsWith(QByteArrayView(bytes).sliced(from)) ? -1 : 0;
    if (QByteArrayView(bytes).sliced(from, head.size()) != head)
        return 0;
    if (available >= FrameSize && crcClosesAt(bytes, from, FrameSize))
        return FrameSize;
    if (available >= ShortFrameSize && crcClosesAt(bytes, from, ShortFrameSize))
        return ShortFrameSize;
    // No CRC closes it. Cut short by the next pushed frame: it ends where that begins.
    const qsizetype next = bytes.indexOf(head, from + 1);
    if (next >= 0 && next < from + FrameSize)
        return int(next - from);
    if (available < FrameSize)
        return -1;
    // A damaged frame: taken at full length, its values are judged when it is parsed.
    return FrameSize;
}

bool PushFrameParser::isCutShort(const QByteArray &bytes, qsizetype from, int length)
{
    return length < FrameSize && !crcClosesAt(bytes, from, length) && from + length <= bytes.size()
        && QByteArrayView(bytes).sliced(from + length).startsWith(header());
}

FramedLink::UnaskedFrames PushFrameParser::unaskedFrames()
{
    FramedLink::UnaskedFrames frames;
    frames.length = &PushFrameParser::frameLength;
    frames.cutShort = &PushFrameParser::isCutShort;
    frames.start = header();
    frames.maxLength = FrameSize;
    return frames;
}

int PushFrameParser::valueBytes(int layout)
{
    switch (layout) {
    case 1:
        return 2 * FieldDecoder::FieldSize;
    case 2:
        return 6 * FieldDecoder::FieldSize;
    default:
        return 0;
    }
}

bool PushFrameParser::endsInHeaderStart(const QByteArray &data, qsizetype from, qsizetype to)
{
    const QByteArray &head = header();
    const qsizetype first = qMax(from, data.size() - (HeaderSize - 1));
    for (qsizetype q = first; q < to && q < data.size(); ++q) {
        if (head.startsWith(QByteArrayView(data).sliced(q)))
            return true;
    }
    return false;
}

void PushFrameParser::reset()
{
    m_pending.clear();
}

QVector<PushedFrame> PushFrameParser::feed(const QByteArray &batch, int layout)
{
    QVector<PushedFrame> frames;
    const int need = valueBytes(layout);
    if (need == 0) {
        m_pending.clear();
        return frames;
    }

    QByteArray data = m_pending + batch;
    m_pending.clear();
    const QByteArray &head = header();
    const qsizetype frameSize = HeaderSize + need;

    qsizetype pos = 0;
    for (;;) {
        const qsizetype p = data.indexOf(head, pos);
        if (p < 0) {
            // Keep the longest tail that could still grow into a header.
            const qsizetype maxTail = qMin<qsizetype>(HeaderSize - 1, data.size() - pos);
            for (qsizetype len = maxTail; len > 0; --len) {
                if (head.startsWith(data.right(len))) {
                    m_pending = data.right(len);
                    break;
                }
            }
            break;
        }
        if (data.size() - p < frameSize) {
            m_pending = data.mid(p); // at most MaxPendingBytes: header plus a partial frame
            break;
        }

        // A header starting inside the value bytes means this frame was cut short (bytes
        // lost on the way): values are never taken across the start of the next frame.
        const qsizetype inner = data.indexOf(head, p + 1);
        if (inner >= 0 && inner < p + frameSize) {
            pos = inner;
            continue;
        }

        // The data may end in the first bytes of a header that starts inside this frame's
        // value bytes. Until the next batch tells whether it is one, the frame is held:
        // deciding now would make the result depend on where the stream was cut.
        if (endsInHeaderStart(data, p + 1, p + frameSize)) {
            m_pending = data.mid(p);
            break;
        }

        PushedFrame frame;
        frame.layout = layout;
        frame.fieldBytes = data.mid(p + HeaderSize, need);
        for (int i = 0; i < frame.fieldCount(); ++i) {
            if (FieldDecoder::isSettingsChangedMarker(frame.fieldBytes.constData() + i * FieldDecoder::FieldSize)) {
                frame.kind = PushedFrame::Kind::SettingsChanged;
                break;
            }
        }
        frames.append(frame);
        pos = p + frameSize;
    }
    return frames;
}
