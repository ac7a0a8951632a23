#pragma once

// Reads a fuzz input front to back; past its end every read gives zero.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : data(data), size(size) {}

    bool atEnd() const { return at >= size; }
    size_t left() const { return size - at; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    QByteArray bytes(size_t n)
    {
        n = n < left() ? n : left();
        const QByteArray out(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
        return out;
    }
    QByteArray rest() { return bytes(left()); }

private:
    const uint8_t *data;
    size_t size;
    size_t at = 0;
};

// A failed property: libFuzzer records the input that led here.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);   \
            abort();                                                                      \
        }                                                                                 \
    } while (0)
