#pragma once

// What every fuzz target shares: the entry point's declaration, a reader that takes the
// target's choices off the front of the input, a scratch folder, and the check that stops the
// run on a broken property (an abort, which libFuzzer and the replay runner both report).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize);

namespace ostrel::fuzz {

// Stops the run when a property that must hold does not; the text says which.
#define FUZZ_CHECK(condition)                                                                              \
    do {                                                                                                   \
        if (!(condition)) {                                                                                \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);          \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (0)

// Takes fixed-size choices from the front of the input and leaves the rest as the data. Past
// the end every choice reads 0, so any input is a valid one.
class InputReader {
public:
    InputReader(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    uint8_t Byte()
    {
        return m_nPos < m_nSize ? m_pData[m_nPos++] : 0;
    }
    uint16_t Le16()
    {
        const uint16_t lo = Byte();
        return static_cast<uint16_t>(lo | Byte() << 8);
    }
    // A text of at most nMax bytes: a length byte, then that many bytes (fewer at the end).
    std::string_view Text(size_t nMax)
    {
        size_t n = Byte();
        n = n > nMax ? nMax : n;
        n = n > Remaining() ? Remaining() : n;
        const std::string_view text(reinterpret_cast<const char*>(m_pData + m_nPos), n);
        m_nPos += n;
        return text;
    }
    const uint8_t* Rest() const { return m_pData + m_nPos; }
    size_t Remaining() const { return m_nSize - m_nPos; }
    std::string_view RestText() const { return {reinterpret_cast<const char*>(Rest()), Remaining()}; }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};

// What every decoded picture must satisfy, whoever hands it out: a header of positive size at
// the scale given (nScaledWidth x nScaledHeight, worked out by the caller), rows that hold
// their pixels, 24 or 32 bits, and a buffer as long as its header says (the last byte is read,
// so ASan sees a shorter one).
template <typename Header>
void CheckPictureLayout(const Header& h, const uint8_t* pBits, int nScaledWidth, int nScaledHeight)
{
    FUZZ_CHECK(h.biWidth > 0 && h.biHeight > 0);
    FUZZ_CHECK(h.biWidth == nScaledWidth && h.biHeight == nScaledHeight);
    FUZZ_CHECK(h.biBitCount == 24 || h.biBitCount == 32);
    FUZZ_CHECK(h.RowBytes() >= static_cast<uint32_t>(h.biWidth) * (h.biBitCount / 8u));
    FUZZ_CHECK(h.biSizeImage == h.RowBytes() * static_cast<uint32_t>(h.biHeight));
    FUZZ_CHECK(pBits != nullptr);
    volatile uint8_t byLast = pBits[h.biSizeImage - 1];
    (void)byLast;
}

// A folder of the process's own under the system's temporary folder, made at the first call
// and removed at exit. Targets that read or write real files use nothing else.
const std::string& ScratchFolder();

// Replaces the file at strPath with the bytes (a plain write: the scratch folder is ours).
void WriteScratchFile(const std::string& strPath, std::string_view bytes);

} // namespace ostrel::fuzz
