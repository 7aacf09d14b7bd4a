#include "tools/kzpaint/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <stdexcept>

namespace kzpaint {

// libpng reports errors by longjmp; every call into it goes through a function below that
// holds no C++ objects, so nothing is skipped by the jump.
struct PngState {
  FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char error[200] = {};
};

namespace {

void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->error, sizeof state->error, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

bool WriteHeader(PngState* state, int width, int height, int colorType) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_init_io(state->png, state->file);
  png_set_IHDR(state->png, state->info, static_cast<png_uint_32>(width),
               static_cast<png_uint_32>(height), 8, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(state->png, state->info);
  return true;
}

bool WriteOneRow(PngState* state, const std::uint8_t* row) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_write_row(state->png, row);
  return true;
}

bool WriteEnd(PngState* state) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_write_end(state->png, nullptr);
  return true;
}

int ColorTypeOf(int channels) {
  switch (channels) {
    case 1:
      return PNG_COLOR_TYPE_GRAY;
    case 2:
      return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 3:
      return PNG_COLOR_TYPE_RGB;
    case 4:
      return PNG_COLOR_TYPE_RGBA;
    default:
      return -1;
  }
}

}  // namespace

PngWriter::PngWriter(const std::string& path, int width, int height, int channels)
    : m_path(path), m_height(height) {
  const int colorType = ColorTypeOf(channels);
  if (width < 1 || height < 1 || colorType < 0) {
    throw std::invalid_argument("PngWriter: bad size or channel count");
  }
  m_png = new PngState;
  m_png->file = std::fopen(path.c_str(), "wb");
  if (m_png->file == nullptr) {
    const int error = errno;
    delete m_png;
    m_png = nullptr;
    throw PngError("cannot create " + path + ": " + std::strerror(error));
  }
  m_png->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, m_png, OnError, OnWarning);
  if (m_png->png != nullptr) m_png->info = png_create_info_struct(m_png->png);
  if (m_png->info == nullptr) Fail("out of memory");
  if (!WriteHeader(m_png, width, height, colorType)) Fail(m_png->error);
}

PngWriter::~PngWriter() {
  if (!m_finished) Discard();
}

void PngWriter::WriteRow(const std::uint8_t* row) {
  if (m_png == nullptr) throw PngError("cannot write " + m_path + ": the writer has failed");
  if (m_rowsWritten >= m_height) Fail("more rows than the image's height");
  if (!WriteOneRow(m_png, row)) Fail(m_png->error);
  ++m_rowsWritten;
}

void PngWriter::Finish() {
  if (m_finished) return;
  if (m_png == nullptr) throw PngError("cannot write " + m_path + ": the writer has failed");
  if (m_rowsWritten != m_height) Fail("rows are missing");
  if (!WriteEnd(m_png)) Fail(m_png->error);
  png_destroy_write_struct(&m_png->png, &m_png->info);
  const int closed = std::fclose(m_png->file);
  const int error = errno;
  m_png->file = nullptr;
  if (closed != 0) Fail(std::strerror(error));
  delete m_png;
  m_png = nullptr;
  m_finished = true;
}

void PngWriter::Fail(const std::string& reason) {
  Discard();
  throw PngError("cannot write " + m_path + ": " + reason);
}

void PngWriter::Discard() {
  if (m_png == nullptr) return;
  if (m_png->png != nullptr) png_destroy_write_struct(&m_png->png, &m_png->info);
  if (m_png->file != nullptr) std::fclose(m_png->file);
  delete m_png;
  m_png = nullptr;
  std::remove(m_path.c_str());
}

}  // namespace kzpaint
