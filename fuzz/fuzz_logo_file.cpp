// A logo file on any bytes, read as the windows read it: through the file store's bounded read
// and decoded from memory as a BMP. The oracle is the BMP header worked out here: a picture
// comes out only of bytes that start as a BMP does, at the size its header states, and never
// larger than the decode limit; anything else gives no logo.
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
    const uint32_t dwHeaderBytes = Le32(pData + 14);
    int64_t nWidth = 0;
    int64_t nHeight = 0;
    if (dwHeaderBytes == 12) { // the old core header: 16-bit sizes
        nWidth = pData[18] | pData[19] << 8;
        nHeight = pData[20] | pData[21] << 8;
    } else {
        FUZZ_CHECK(nSize >= 26);
        nWidth = static_cast<int32_t>(Le32(pData + 18));
        nHeight = std::llabs(static_cast<int32_t>(Le32(pData + 22))); // negative: top-down rows
    }
    FUZZ_CHECK(image.width() == nWidth && image.height() == nHeight);
    FUZZ_CHECK(image.sizeInBytes() <= int64_t{4} * 1024 * 1024);
    return 0;
}
