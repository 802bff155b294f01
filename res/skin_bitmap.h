#pragma once

#include <QImage>

// The skin's bitmaps, looked up by their resource number (resource.h). Images are decoded once
// and shared; safe to call from any thread.

namespace ostrel {

// The bitmap with resource number nId, or a null image when the skin has none.
QImage SkinBitmap(int nId);

} // namespace ostrel
