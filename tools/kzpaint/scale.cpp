#include "tools/kzpaint/scale.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kzpaint {

BoxScaler::BoxScaler(int width, int height, int channels, int factor, RowFn output)
    : m_width(width),
      m_height(height),
      m_channels(channels),
      m_factor(factor),
      m_output(std::move(output)) {
  if (width < 1 || height < 1 || channels < 1 || factor < 1 || factor > kMaxFactor) {
    throw std::invalid_argument("BoxScaler: bad size, channel count or factor");
  }
  m_outWidth = (width + factor - 1) / factor;
  m_outHeight = (height + factor - 1) / factor;
  m_sums.assign(static_cast<std::size_t>(m_outWidth) * channels, 0);
  m_row.resize(m_sums.size());
}

int BoxScaler::FactorFor(int width, int height, int maxSide) {
  const int side = std::max(width, height);
  if (maxSide < 1 || side <= maxSide) return 1;
  return (side + maxSide - 1) / maxSide;
}

void BoxScaler::AddRow(const std::uint8_t* row) {
  if (m_inRow >= m_height) return;
  if (m_factor == 1) {
    if (m_output) m_output(row, m_inRow);
    ++m_inRow;
    return;
  }
  for (int x = 0; x < m_width; ++x) {
    std::uint32_t* sum = &m_sums[static_cast<std::size_t>(x / m_factor) * m_channels];
    const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * m_channels;
    for (int c = 0; c < m_channels; ++c) sum[c] += pixel[c];
  }
  ++m_inRow;
  ++m_boxRows;
  if (m_boxRows == m_factor || m_inRow == m_height) Emit();
}

void BoxScaler::Emit() {
  for (int ox = 0; ox < m_outWidth; ++ox) {
    const int columns = std::min(m_factor, m_width - ox * m_factor);
    const std::uint32_t count = static_cast<std::uint32_t>(columns * m_boxRows);
    for (int c = 0; c < m_channels; ++c) {
      const std::size_t i = static_cast<std::size_t>(ox) * m_channels + c;
      m_row[i] = static_cast<std::uint8_t>((m_sums[i] + count / 2) / count);
    }
  }
  if (m_output) m_output(m_row.data(), (m_inRow - 1) / m_factor);
  std::fill(m_sums.begin(), m_sums.end(), 0u);
  m_boxRows = 0;
}

}  // namespace kzpaint
