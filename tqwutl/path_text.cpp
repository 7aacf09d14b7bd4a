// Splitting paths in the library's text form, a character at a time.
#include <cctype>
#include <cstring>
#include <string_view>

#include "tqwutl/files.h"
#include "tqwutl/path_text_p.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace tqwutl::detail {

PathSplit SplitPath(std::string_view path) {
  PathSplit split;
  const std::size_t size = path.size();
  split.end = size;
  if (size >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    split.root = size >= 3 && path[2] == '\\' ? 3 : 2;
  } else if (size >= 1 && path[0] == '\\') {
    split.root = 1;
  }
  // The last run of separators; a lead byte right before the end stands alone.
  std::size_t runStart = std::string_view::npos;
  std::size_t runEnd = std::string_view::npos;
  for (std::size_t i = 0; i < size;) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte == '\\') {
      if (runEnd != i) runStart = i;
      runEnd = i + 1;
    }
    i += IsDBCSLeadByte(byte) && i + 1 < size ? 2 : 1;
  }
  if (runStart == std::string_view::npos || runEnd <= split.root) {
    split.name = split.folderEnd = split.root;
  } else {
    split.name = runEnd;
    split.folderEnd = runStart > split.root ? runStart : split.root;
  }
  // The extension starts at the name's last period, unless that is its first character; a
  // name of periods only ("." and "..") has none.
  split.extension = size;
  bool periodsOnly = true;
  for (std::size_t i = split.name; i < size;) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte == '.' && i > split.name) split.extension = i;
    if (byte != '.') periodsOnly = false;
    i += IsDBCSLeadByte(byte) && i + 1 < size ? 2 : 1;
  }
  if (periodsOnly) split.extension = size;
  return split;
}

}  // namespace tqwutl::detail

namespace {

using tqwutl::detail::PathSplit;

// Copies [begin, end) of `path` into `out` of `size` bytes; the tq* copying contract.
template <typename Part>
int CopyPart(const char* path, char* out, int size, Part part) {
  if (path == nullptr || out == nullptr || size < 1) {
    tqSetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string_view text(path);
  const PathSplit split = tqwutl::detail::SplitPath(text);
  const auto [begin, end] = part(split);
  const std::size_t length = end - begin;
  if (length >= static_cast<std::size_t>(size)) {
    *out = 0;
    tqSetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memmove(out, path + begin, length);  // `out` may be `path` itself
  out[length] = 0;
  tqSetLastError(0);
  return 1;
}

struct Range {
  std::size_t begin;
  std::size_t end;
};

}  // namespace

extern "C" {

int tqGetPathRootLength(const char* path) {
  return path == nullptr ? 0 : static_cast<int>(tqwutl::detail::SplitPath(path).root);
}

int tqGetFileNamefromFullPath(const char* path, char* out, int size) {
  return CopyPart(path, out, size, [](const PathSplit& s) { return Range{s.name, s.end}; });
}

int tqGetFolderfromFullPath(const char* path, char* out, int size) {
  return CopyPart(path, out, size, [](const PathSplit& s) { return Range{0, s.folderEnd}; });
}

int tqGetFileNameDelExt(const char* path, char* out, int size) {
  return CopyPart(path, out, size, [](const PathSplit& s) { return Range{s.name, s.extension}; });
}

int tqCopyExtension(const char* path, char* out, int size) {
  return CopyPart(path, out, size, [](const PathSplit& s) { return Range{s.extension, s.end}; });
}

}  // extern "C"
