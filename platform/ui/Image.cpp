#include "platform/ui/Image.h"

Image Image::Crop(int x, int y, int w, int h) const {
  Image part(w, h);
  part.bitsPerPixel = bitsPerPixel;
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) part.Set(col, row, At(x + col, y + row));
  return part;
}
