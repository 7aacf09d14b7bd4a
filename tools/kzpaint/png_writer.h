// PngWriter: writes a PNG file row by row with libpng, 8 bits a channel.
//
// The file is created when the writer is made and is complete only after Finish; a writer
// destroyed before that (an error, a cancelled run) closes and removes its file, so no
// half-written PNG is left behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace kzpaint {

struct PngState;

// A PNG that cannot be written; what() names the file and the reason.
class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PngWriter {
 public:
  // Creates (or replaces) `path` for a width x height image of `channels` bytes a pixel: 1
  // grey, 2 grey and alpha, 3 RGB, 4 RGBA. Throws PngError when the file cannot be made and
  // std::invalid_argument for a size below 1 or another channel count.
  PngWriter(const std::string& path, int width, int height, int channels);
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
  // Removes the file unless Finish succeeded.
  ~PngWriter();

  // Writes the next row of width x channels bytes. Throws PngError on a write failure and for
  // a row past the height.
  void WriteRow(const std::uint8_t* row);
  // Ends the image and closes the file. Throws PngError (the file is removed) when rows are
  // missing or the file cannot be completed.
  void Finish();

  const std::string& GetPath() const { return m_path; }

 private:
  [[noreturn]] void Fail(const std::string& reason);
  void Discard();

  std::string m_path;
  int m_height;
  int m_rowsWritten = 0;
  bool m_finished = false;
  PngState* m_png = nullptr;
};

}  // namespace kzpaint
