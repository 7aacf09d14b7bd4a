// BoxScaler: shrinks an image that arrives row by row by a whole factor, averaging areas.
//
// Each output pixel is the average of a factor x factor box of input pixels, channel by
// channel, rounded to the nearest value (halves up); boxes at the right and bottom edges that
// stick out of the input average the pixels they have. Channels are averaged independently,
// which is right for opaque pixels (the demo's composited page). Only one output row of sums is
// kept, so any height streams through.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kzpaint {

class BoxScaler {
 public:
  // Receives each output row (output width x channels bytes) and its row number.
  using RowFn = std::function<void(const std::uint8_t* row, int y)>;
  static constexpr int kMaxFactor = 4096;

  // An input of width x height pixels of `channels` bytes each, shrunk by `factor` (1 passes
  // rows through). Throws std::invalid_argument for sizes, channels or factor below 1 or a
  // factor above kMaxFactor (whose box sums would not fit 32 bits).
  BoxScaler(int width, int height, int channels, int factor, RowFn output);

  // The smallest whole factor that brings both sides to at most `maxSide`.
  static int FactorFor(int width, int height, int maxSide);

  int GetOutputWidth() const { return m_outWidth; }
  int GetOutputHeight() const { return m_outHeight; }

  // Takes the next input row (width x channels bytes). Rows past the height are ignored.
  void AddRow(const std::uint8_t* row);

 private:
  void Emit();

  int m_width, m_height, m_channels, m_factor;
  int m_outWidth, m_outHeight;
  RowFn m_output;
  int m_inRow = 0;    // input rows taken
  int m_boxRows = 0;  // input rows in the current band of boxes
  std::vector<std::uint32_t> m_sums;
  std::vector<std::uint8_t> m_row;
};

}  // namespace kzpaint
