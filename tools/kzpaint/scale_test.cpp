#include "tools/kzpaint/scale.h"

#include <gtest/gtest.h>

#include <vector>

namespace kzpaint {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Feeds `input` (rows of width x channels) through a scaler and collects the output rows,
// which must arrive in order.
Bytes Shrink(int width, int height, int channels, int factor, const Bytes& input) {
  Bytes output;
  int next = 0;
  BoxScaler scaler(width, height, channels, factor, [&](const std::uint8_t* row, int y) {
    EXPECT_EQ(y, next++);
    output.insert(output.end(), row, row + scaler.GetOutputWidth() * channels);
  });
  for (int y = 0; y < height; ++y) scaler.AddRow(input.data() + y * width * channels);
  EXPECT_EQ(next, scaler.GetOutputHeight());
  return output;
}

TEST(KzPaintBoxScaler, AveragesBoxesRoundingToNearest) {
  const struct {
    const char* label;
    int width, height, channels, factor;
    Bytes input, expected;
  } cases[] = {
      {"exact average", 2, 2, 1, 2, {10, 20, 30, 40}, {25}},
      {"quarter rounds down", 2, 2, 1, 2, {0, 0, 0, 1}, {0}},
      {"half rounds up", 2, 2, 1, 2, {1, 1, 2, 2}, {2}},
      {"white stays", 2, 2, 1, 2, {255, 255, 255, 255}, {255}},
      {"two boxes", 4, 2, 1, 2, {0, 2, 100, 100, 4, 6, 200, 200}, {3, 150}},
      // 3 x 3 by 2: a full box, a 1 x 2 box on the right, a 2 x 1 box below, a lone corner.
      {"edge boxes", 3, 3, 1, 2, {1, 2, 10, 3, 4, 20, 50, 60, 99}, {3, 15, 55, 99}},
      {"channels apart", 2, 1, 3, 2, {0, 100, 255, 10, 101, 255}, {5, 101, 255}},
      {"factor 1", 2, 2, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"3 x 3 box", 3, 3, 1, 3, {0, 0, 0, 0, 9, 0, 0, 0, 0}, {1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Shrink(c.width, c.height, c.channels, c.factor, c.input), c.expected) << c.label;
  }
}

TEST(KzPaintBoxScaler, FactorBringsTheLongerSideWithinTheLimit) {
  const int cases[][4] = {// width, height, longest side, factor
                          {8192, 8192, 2048, 4},
                          {2048, 100, 2048, 1},
                          {2049, 10, 2048, 2},
                          {100, 5000, 2048, 3}};
  for (const auto& c : cases) {
    EXPECT_EQ(BoxScaler::FactorFor(c[0], c[1], c[2]), c[3]) << "at " << c[0] << " x " << c[1];
    BoxScaler scaler(c[0], c[1], 1, c[3], nullptr);
    EXPECT_LE(std::max(scaler.GetOutputWidth(), scaler.GetOutputHeight()), c[2]);
  }
}

}  // namespace
}  // namespace kzpaint
