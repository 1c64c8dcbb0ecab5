#include "gridmap/png_file.h"

#include <cstdio>

#ifdef MELDRIT_HAVE_PNG
#include <png.h>
#endif

namespace meldrit::gridmap {

#ifdef MELDRIT_HAVE_PNG

bool png_available() {
  return true;
}

bool write_png(const std::string& path, const Image& image) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool written = false;
  // libpng reports its errors by a long jump back here.
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int row = 0; row < image.height; ++row) {
      png_write_row(png, image.pixels.data() + static_cast<std::size_t>(row) * image.width * 3);
    }
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

#else

bool png_available() {
  return false;
}

bool write_png(const std::string&, const Image&) {
  return false;
}

#endif

}  // namespace meldrit::gridmap
