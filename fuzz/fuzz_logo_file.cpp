// A logo file on any bytes, read as the windows read it: through the file store's bounded read
// and decoded from memory as a BMP. The oracle is the BMP header worked out here: a picture
// comes out only of bytes that start as a BMP does, never larger than the decode limit, and,
// for a header of a size the format defines, at the size the header states.
#include "fuzz_support.h"

#include "fakes/fake_file_store.h"
#include "widgets/logo_image.h"

#include <cstdlib>

using namespace ostrel;

namespace {

uint32_t Le32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    test::FakeFileStore files;
    files.files["logo/blogo.bmp"].assign(pData, pData + nSize);
    const QImage image = LoadLogo(files, "logo/blogo.bmp");
    FUZZ_CHECK(image.isNull() == LogoFromBytes(pData, nSize).isNull());
    if (image.isNull())
        return 0;

    // A file header (14 bytes) and at least a core header's size fields.
    FUZZ_CHECK(nSize >= 26 && nSize <= 1024 * 1024 && pData[0] == 'B' && pData[1] == 'M');
    FUZZ_CHECK(image.sizeInBytes() <= int64_t{4} * 1024 * 1024);
    // Of a header of one of the sizes the format documents (core, info, V4, V5), the picture
    // has the stated size; the decoder reads other sizes leniently, as other headers.
    const uint32_t dwHeaderBytes = Le32(pData + 14);
    if (dwHeaderBytes == 12) { // the old core header: 16-bit sizes, the height read signed by some
        const int nHeight = pData[20] | pData[21] << 8;
        FUZZ_CHECK(image.width() == (pData[18] | pData[19] << 8)
                   && (image.height() == nHeight || image.height() == 65536 - nHeight));
    } else if ((dwHeaderBytes == 40 || dwHeaderBytes == 108 || dwHeaderBytes == 124) && nSize >= 26) {
        const int64_t nWidth = static_cast<int32_t>(Le32(pData + 18));
        const int64_t nHeight = std::llabs(static_cast<int32_t>(Le32(pData + 22))); // negative: top-down rows
        FUZZ_CHECK(image.width() == nWidth && image.height() == nHeight);
    }
    return 0;
}
