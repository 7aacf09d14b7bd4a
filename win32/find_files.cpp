// Searching folders: FindFirstFileA, FindNextFileA, FindClose.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "win32/code_page_p.h"
#include "win32/file_system_p.h"
#include "win32/handles_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

class FindObject : public KernelObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAA> entries) : m_entries(std::move(entries)) {}
  DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }
  // The next entry, or false when there is none.
  bool Next(WIN32_FIND_DATAA& out) {
    std::lock_guard lock(m_mutex);
    if (m_next >= m_entries.size()) return false;
    out = m_entries[m_next++];
    return true;
  }

 private:
  std::mutex m_mutex;
  std::vector<WIN32_FIND_DATAA> m_entries;
  std::size_t m_next = 0;
};

std::vector<char32_t> CodePoints(std::string_view text) {
  std::vector<char32_t> out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = DecodeUtf8(p, text.size(), pos);
    char32_t c = d.units[0];
    if (!d.valid) c = 0xDC00 + p[pos];  // a stray byte matches only itself
    if (d.unitCount == 2)
      c = 0x10000 + ((char32_t{d.units[0]} - 0xD800) << 10) + (d.units[1] - 0xDC00);
    out.push_back(c);
    pos += d.bytes;
  }
  return out;
}

char32_t Fold(char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// '*' and '?' with backtracking to the last star.
bool Glob(const std::vector<char32_t>& name, const std::vector<char32_t>& pattern) {
  std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The name in code page 932, with '?' for characters it cannot hold.
std::string LibraryName(std::string_view name) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(name.data());
  for (std::size_t pos = 0; pos < name.size();) {
    const Decoded d = DecodeUtf8(p, name.size(), pos);
    unsigned char bytes[2];
    const int n = d.valid && d.unitCount == 1 ? EncodeCp932Exact(d.units[0], bytes) : 0;
    if (n == 0) {
      out += '?';
    } else {
      out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
    }
    pos += d.bytes;
  }
  return out;
}

// One entry of a listing, or false when it is to be left out.
bool DescribeEntry(int folderFd, const std::string& folder, const char* name,
                   WIN32_FIND_DATAA& data) {
  const std::string library = LibraryName(name);
  if (library.size() >= MAX_PATH) return false;
  struct stat st {};
  int flags = 0;
  if (fstatat(folderFd, name, &st, 0) != 0) {
    flags = AT_SYMLINK_NOFOLLOW;  // a dangling link is listed as itself
    if (fstatat(folderFd, name, &st, flags) != 0) return false;
  }
  FileTimes times{};
  if (!ReadFileTimes(folderFd, name, flags, times)) return false;
  data = {};
  data.dwFileAttributes = AttributesOf(name, st, folder + "/" + name);
  data.ftCreationTime = ToFileTime(times.creation);
  data.ftLastAccessTime = ToFileTime(times.lastAccess);
  data.ftLastWriteTime = ToFileTime(times.lastWrite);
  const auto size = S_ISDIR(st.st_mode) ? std::uint64_t{0} : static_cast<std::uint64_t>(st.st_size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size);
  std::memcpy(data.cFileName, library.c_str(), library.size() + 1);
  return true;
}

// Sort key: "." and ".." first, then by name without ASCII case.
std::string SortKey(const char* name) {
  if (std::strcmp(name, ".") == 0) return std::string(1, '\0');
  if (std::strcmp(name, "..") == 0) return std::string(2, '\0');
  std::string key = name;
  for (char& c : key) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*") pattern = "*";
  const bool noExtension =
      pattern.size() > 1 && pattern.back() == '.' && pattern != "." && pattern != "..";
  if (noExtension) {
    if (name.find('.') != std::string_view::npos) return false;
    while (!pattern.empty() && pattern.back() == '.') pattern.remove_suffix(1);
  }
  const auto n = CodePoints(name);
  if (Glob(n, CodePoints(pattern))) return true;
  // "name.*" also matches "name": the extension may be missing altogether.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return Glob(n, CodePoints(pattern.substr(0, pattern.size() - 2)));
  }
  return false;
}

}  // namespace win32::detail

extern "C" {

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  using namespace win32::detail;
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string native;
  if (!NativePathArgument(pattern, native)) return INVALID_HANDLE_VALUE;
  const auto slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : native.substr(0, slash);
  const std::string namePattern = slash == std::string::npos ? native : native.substr(slash + 1);

  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                     : win32::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  std::vector<std::pair<std::string, WIN32_FIND_DATAA>> found;
  while (const dirent* entry = readdir(dir)) {
    if (namePattern.empty() || !MatchesPattern(entry->d_name, namePattern)) continue;
    WIN32_FIND_DATAA item;
    if (DescribeEntry(dirfd(dir), folder, entry->d_name, item)) {
      found.emplace_back(SortKey(entry->d_name), item);
    }
  }
  closedir(dir);
  if (found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<WIN32_FIND_DATAA> entries;
  entries.reserve(found.size());
  for (auto& f : found) entries.push_back(f.second);
  auto search = std::make_shared<FindObject>(std::move(entries));
  search->Next(*data);
  HANDLE handle = RegisterHandle(search);
  return handle != nullptr ? handle : INVALID_HANDLE_VALUE;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  auto search = win32::detail::LookupHandleAs<win32::detail::FindObject>(find);
  if (search == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!search->Next(*data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return 0;
  }
  return 1;
}

BOOL FindClose(HANDLE find) {
  if (win32::detail::LookupHandleAs<win32::detail::FindObject>(find) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return CloseHandle(find);
}

}  // extern "C"
