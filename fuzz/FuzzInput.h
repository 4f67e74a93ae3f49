#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The fuzzer's bytes taken piece by piece; past the end every read yields zeros, so a target
// never has to check the length first.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t u16() { return uint16_t(u8() | u8() << 8); }
    std::vector<uint8_t> bytes(size_t n)
    {
        n = std::min(n, m_size - std::min(m_pos, m_size));
        std::vector<uint8_t> out(m_data + m_pos, m_data + m_pos + n);
        m_pos += n;
        return out;
    }
    std::vector<uint8_t> rest() { return bytes(m_size); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A broken invariant: report it and abort, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (false)
