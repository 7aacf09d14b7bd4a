// Internals of the path text helpers, shared with the file operations and their tests.
#pragma once

#include <cstddef>
#include <string_view>

namespace tqwutl::detail {

// Where the parts of a path begin, as byte offsets into its text: the root [0, root), the
// folder [0, folderEnd) (never shorter than the root), the name [name, end) and its extension
// [extension, end) (extension == end when there is none).
struct PathSplit {
  std::size_t root = 0;
  std::size_t folderEnd = 0;
  std::size_t name = 0;
  std::size_t extension = 0;
  std::size_t end = 0;
};

// Splits code page 932 text by the rules of tqwutl/files.h.
PathSplit SplitPath(std::string_view path);

}  // namespace tqwutl::detail
