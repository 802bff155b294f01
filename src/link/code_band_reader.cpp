#include "link/code_band_reader.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first

#include <jpeglib.h>

namespace ostrel {

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it jumps back into Read.
struct JumpingErrors {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr pInfo)
{
    std::longjmp(reinterpret_cast<JumpingErrors*>(pInfo->err)->jump, 1);
}

// Warnings (corrupt data and the like) are judged by the whole-picture decode; nothing is
// printed here.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

} // namespace

struct CCodeBandReader::Decompressor {
    jpeg_decompress_struct info{};
    JumpingErrors errors{};

    Decompressor()
    {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = JumpOnError;
        errors.manager.emit_message = IgnoreMessage;
        errors.manager.output_message = IgnoreOutput;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

CCodeBandReader::CCodeBandReader() : m_pDecompressor(std::make_unique<Decompressor>()) {}

CCodeBandReader::~CCodeBandReader() = default;

bool CCodeBandReader::Read(const uint8_t* pJpeg, size_t nJpeg, bool bFast, int nRows)
{
    m_header = BitmapInfoHeader{};
    if (pJpeg == nullptr || nJpeg == 0 || nRows < 1)
        return false;
    jpeg_decompress_struct* pInfo = &m_pDecompressor->info;
    // Nothing below owns anything a jump could skip: libjpeg's memory is freed by the abort.
    if (setjmp(m_pDecompressor->errors.jump) != 0) {
        jpeg_abort_decompress(pInfo);
        m_header = BitmapInfoHeader{};
        return false;
    }
    jpeg_mem_src(pInfo, pJpeg, static_cast<unsigned long>(nJpeg));
    if (jpeg_read_header(pInfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_abort_decompress(pInfo);
        return false;
    }
    // Progressive pictures would be read whole before their first row; four-component ones
    // need the conversion of the whole-picture path. Both take that path.
    const bool bPlainColour = pInfo->jpeg_color_space == JCS_GRAYSCALE || pInfo->jpeg_color_space == JCS_RGB
                              || pInfo->jpeg_color_space == JCS_YCbCr;
    if (pInfo->progressive_mode || !bPlainColour || pInfo->image_width == 0 || pInfo->image_height == 0) {
        jpeg_abort_decompress(pInfo);
        return false;
    }
    // The same settings as the whole-picture decode, so the same pixels come out.
    pInfo->out_color_space = JCS_EXT_BGR;
    if (bFast) {
        pInfo->dct_method = JDCT_IFAST;
        pInfo->do_fancy_upsampling = FALSE;
    }
    pInfo->scale_num = 1;
    pInfo->scale_denom = 1;
    jpeg_start_decompress(pInfo);

    const int nWidth = static_cast<int>(pInfo->output_width);
    const int nHeight = static_cast<int>(pInfo->output_height);
    const int nBandRows = nRows < nHeight ? nRows : nHeight;
    const size_t nRowBytes = (static_cast<size_t>(nWidth) * 3 + 3) & ~size_t{3};
    const size_t nBytes = nRowBytes * static_cast<size_t>(nBandRows);
    if (m_rows.size() < nBytes)
        m_rows.resize(nBytes);
    while (static_cast<int>(pInfo->output_scanline) < nBandRows) {
        // Stored bottom-up, as the whole-picture decode stores its rows.
        JSAMPROW pRow = m_rows.data() + nRowBytes * static_cast<size_t>(nBandRows - 1 - static_cast<int>(pInfo->output_scanline));
        if (jpeg_read_scanlines(pInfo, &pRow, 1) != 1)
            break;
    }
    const bool bComplete = static_cast<int>(pInfo->output_scanline) >= nBandRows;
    jpeg_abort_decompress(pInfo);
    if (!bComplete)
        return false;
    m_header.biWidth = nWidth;
    m_header.biHeight = nBandRows;
    m_header.biBitCount = 24;
    m_header.biSizeImage = static_cast<uint32_t>(nBytes);
    return true;
}

} // namespace ostrel
