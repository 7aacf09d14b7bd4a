// Files and folders by name: attributes, deleting, moving, copying, folders, the current
// folder, full paths and temporary names.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "win32/code_page_p.h"
#include "win32/file_system_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

class HiddenMarks {
 public:
  void Set(const struct stat& st, bool hidden) {
    std::lock_guard lock(m_mutex);
    if (hidden) {
      m_marks.insert({st.st_dev, st.st_ino});
    } else {
      m_marks.erase({st.st_dev, st.st_ino});
    }
  }
  bool Has(const struct stat& st) {
    std::lock_guard lock(m_mutex);
    return m_marks.count({st.st_dev, st.st_ino}) != 0;
  }

 private:
  std::mutex m_mutex;
  std::set<std::pair<dev_t, ino_t>> m_marks;
};

HiddenMarks& Marks() {
  static HiddenMarks& marks = *new HiddenMarks;
  return marks;
}

std::string ParentFolder(const std::string& native) {
  std::string path = native;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& native) {
  std::string path = native;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t ProcessUmask() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

// Character boundaries of code page 932 text: true when the last character is a separator.
bool EndsWithSeparator(const std::string& text) {
  bool last = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    last = b == '\\' || b == '/';
    i += IsCp932LeadByte(b) && i + 1 < text.size() ? 2 : 1;
  }
  return last;
}

// Splits code page 932 text at separators (either slash), never inside a double-byte
// character. Empty components are dropped.
std::vector<std::string> SplitComponents(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '\\' || b == '/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
      ++i;
      continue;
    }
    const std::size_t step = IsCp932LeadByte(b) && i + 1 < text.size() ? 2 : 1;
    current.append(text, i, step);
    i += step;
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

// The first `count` characters of code page 932 text.
std::string FirstCharacters(const char* text, int count) {
  std::string out;
  for (std::size_t i = 0; text[i] != 0 && count > 0; --count) {
    const std::size_t step =
        IsCp932LeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != 0 ? 2 : 1;
    out.append(text + i, step);
    i += step;
  }
  return out;
}

// The original's string-returning shape: the length on success, else the size needed.
DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer) {
  if (text.size() + 1 > size || buffer == nullptr) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

bool CurrentFolder(std::string& library) {
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return Fail(win32::ErrorFromErrno(errno), false);
  library = win32::FromNativePath(cwd);
  std::free(cwd);
  return !library.empty();
}

// Copies the data of an open file; false with errno set.
bool CopyData(int from, int to) {
  bool plain = false;
  for (;;) {
    ssize_t n;
    if (!plain) {
      n = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
      if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        plain = true;
        continue;
      }
    } else {
      char buffer[1 << 16];
      n = read(from, buffer, sizeof buffer);
      for (ssize_t done = 0; n > 0 && done < n;) {
        const ssize_t w = write(to, buffer + done, static_cast<std::size_t>(n - done));
        if (w < 0 && errno != EINTR) return false;
        if (w > 0) done += w;
      }
    }
    if (n == 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

// Copies a file's data, permission bits, times and hidden mark. Existing targets are replaced
// unless `exclusive`. A failed copy leaves no target behind.
bool CopyFileByName(const std::string& from, const std::string& to, bool exclusive) {
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return Fail(PathError(errno, from), false);
  struct stat st {};
  fstat(source, &st);
  struct stat target {};
  const bool exists = stat(to.c_str(), &target) == 0;
  DWORD refusal = ERROR_SUCCESS;
  if (S_ISDIR(st.st_mode)) {
    refusal = ERROR_ACCESS_DENIED;
  } else if (exists && target.st_dev == st.st_dev && target.st_ino == st.st_ino) {
    refusal = ERROR_SHARING_VIOLATION;  // copying a file onto itself would destroy it
  } else if (exists && exclusive) {
    refusal = ERROR_FILE_EXISTS;
  } else if (exists && (S_ISDIR(target.st_mode) || IsReadOnly(to, target))) {
    refusal = ERROR_ACCESS_DENIED;
  }
  if (refusal != ERROR_SUCCESS) {
    close(source);
    return Fail(refusal, false);
  }
  const int sink =
      open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (exclusive ? O_EXCL : 0), 0600);
  if (sink < 0) {
    const int error = errno;
    close(source);
    return Fail(PathError(error, to), false);
  }
  if (!CopyData(source, sink)) {
    const int error = errno;
    close(source);
    close(sink);
    unlink(to.c_str());
    return Fail(error == EIO ? ERROR_WRITE_FAULT : win32::ErrorFromErrno(error), false);
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(sink, times);
  fchmod(sink, st.st_mode & 07777);
  struct stat written {};
  fstat(sink, &written);
  Marks().Set(written, Marks().Has(st));
  close(source);
  close(sink);
  return true;
}

void FlushPath(const std::string& native) {
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool NativePathArgument(LPCSTR path, std::string& native) {
  if (path == nullptr) return Fail(ERROR_INVALID_PARAMETER, false);
  if (*path == 0) return Fail(ERROR_PATH_NOT_FOUND, false);
  native = win32::ToNativePath(path);
  return !native.empty();
}

DWORD PathError(int error, const std::string& native) {
  if (error != ENOENT) return win32::ErrorFromErrno(error);
  struct stat st {};
  const bool folderExists = stat(ParentFolder(native).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  return folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool IsReadOnly(const std::string& native, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return false;
  if (geteuid() == 0 && (st.st_mode & 0222) == 0) return true;
  if (faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0) return false;
  return errno == EACCES || errno == EROFS || errno == EPERM;
}

DWORD AttributesOf(std::string_view name, const struct stat& st, const std::string& native) {
  DWORD attributes = 0;
  const bool folder = S_ISDIR(st.st_mode);
  if (folder) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnly(native, st)) attributes |= FILE_ATTRIBUTE_READONLY;
  }
  const bool dotName = !name.empty() && name[0] == '.' && name != "." && name != "..";
  if (dotName || HasHiddenMark(st)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

void SetHiddenMark(const struct stat& st, bool hidden) { Marks().Set(st, hidden); }

bool HasHiddenMark(const struct stat& st) { return Marks().Has(st); }

}  // namespace win32::detail

using win32::detail::Fail;
using win32::detail::NativePathArgument;
using win32::detail::PathError;

extern "C" {

BOOL DeleteFileA(LPCSTR path) {
  std::string native;
  if (!NativePathArgument(path, native)) return 0;
  struct stat st {};
  if (lstat(native.c_str(), &st) != 0) return Fail(PathError(errno, native), BOOL{0});
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && win32::detail::IsReadOnly(native, st))) {
    return Fail(ERROR_ACCESS_DENIED, BOOL{0});
  }
  if (unlink(native.c_str()) != 0) return Fail(PathError(errno, native), BOOL{0});
  if (st.st_nlink <= 1) win32::detail::SetHiddenMark(st, false);
  return 1;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  std::string source, target;
  if (to == nullptr) return Fail(ERROR_INVALID_PARAMETER, BOOL{0});
  if (!NativePathArgument(from, source) || !NativePathArgument(to, target)) return 0;
  struct stat st {};
  if (lstat(source.c_str(), &st) != 0) return Fail(PathError(errno, source), BOOL{0});
  struct stat existing {};
  const bool exists = lstat(target.c_str(), &existing) == 0;
  const bool same = exists && existing.st_dev == st.st_dev && existing.st_ino == st.st_ino;
  const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  if (exists && !same) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS, BOOL{0});
    if (S_ISDIR(existing.st_mode) || win32::detail::IsReadOnly(target, existing)) {
      return Fail(ERROR_ACCESS_DENIED, BOOL{0});
    }
  }
  int result =
      replace ? rename(source.c_str(), target.c_str())
              : renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (result != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
    result = rename(source.c_str(), target.c_str());  // no RENAME_NOREPLACE here; checked above
  }
  if (result != 0) {
    const int error = errno;
    if (error == EEXIST) return Fail(ERROR_ALREADY_EXISTS, BOOL{0});
    if (error != EXDEV) return Fail(PathError(error, target), BOOL{0});
    if (!(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(st.st_mode)) {
      return Fail(ERROR_NOT_SAME_DEVICE, BOOL{0});
    }
    if (!win32::detail::CopyFileByName(source, target, !replace)) return 0;
    if (unlink(source.c_str()) != 0) return Fail(PathError(errno, source), BOOL{0});
    win32::detail::SetHiddenMark(st, false);
  }
  if (flags & MOVEFILE_WRITE_THROUGH) {
    win32::detail::FlushPath(target);
    win32::detail::FlushPath(win32::detail::ParentFolder(target));
  }
  return 1;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  std::string source, target;
  if (!NativePathArgument(from, source) || !NativePathArgument(to, target)) return 0;
  return win32::detail::CopyFileByName(source, target, failIfExists != 0) ? 1 : 0;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES /*security*/) {
  std::string native;
  if (!NativePathArgument(path, native)) return 0;
  if (mkdir(native.c_str(), 0777) == 0) return 1;
  if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS, BOOL{0});
  return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(errno), BOOL{0});
}

BOOL RemoveDirectoryA(LPCSTR path) {
  std::string native;
  if (!NativePathArgument(path, native)) return 0;
  struct stat st {};
  if (lstat(native.c_str(), &st) != 0) return Fail(PathError(errno, native), BOOL{0});
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY, BOOL{0});
  if (rmdir(native.c_str()) != 0) {
    return Fail(
        errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : win32::ErrorFromErrno(errno),
        BOOL{0});
  }
  win32::detail::SetHiddenMark(st, false);
  return 1;
}

DWORD GetFileAttributesA(LPCSTR path) {
  std::string native;
  if (!NativePathArgument(path, native)) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (stat(native.c_str(), &st) != 0)
    return Fail(PathError(errno, native), INVALID_FILE_ATTRIBUTES);
  return win32::detail::AttributesOf(win32::detail::BaseName(native), st, native);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  std::string native;
  if (!NativePathArgument(path, native)) return 0;
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) return Fail(PathError(errno, native), BOOL{0});
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      mode &= ~mode_t{0222};
    } else if ((mode & 0222) == 0) {
      mode |= S_IWUSR | ((mode & 0044) >> 1 & ~win32::detail::ProcessUmask());
    }
    if (mode != (st.st_mode & 07777) && chmod(native.c_str(), mode) != 0) {
      return Fail(win32::ErrorFromErrno(errno), BOOL{0});
    }
  }
  win32::detail::SetHiddenMark(st, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
  return 1;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* variable = std::getenv("TMPDIR");
  const std::string native = variable != nullptr && *variable != 0 ? variable : "/tmp";
  std::string library = win32::FromNativePath(native);
  if (library.empty()) return 0;
  if (!win32::detail::EndsWithSeparator(library)) library += '\\';
  return win32::detail::CopyOut(library, size, buffer);
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer) {
  if (path == nullptr || buffer == nullptr) return Fail(ERROR_INVALID_PARAMETER, UINT{0});
  std::string folder = path;
  if (!folder.empty() && !win32::detail::EndsWithSeparator(folder)) folder += '\\';
  const std::string stem =
      folder + win32::detail::FirstCharacters(prefix != nullptr ? prefix : "", 3);
  auto nameFor = [&](UINT number) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", number & 0xFFFF);
    return stem + hex + ".tmp";
  };
  if (unique != 0) {
    const std::string name = nameFor(unique);
    if (name.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE, UINT{0});
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return unique;
  }
  std::string nativeFolder;
  struct stat st {};
  if (!NativePathArgument(folder.empty() ? "." : folder.c_str(), nativeFolder) ||
      stat(nativeFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return Fail(ERROR_DIRECTORY, UINT{0});
  }
  const UINT start = (GetTickCount() ^ (static_cast<UINT>(getpid()) << 4)) & 0xFFFF;
  for (UINT i = 0; i < 0xFFFF; ++i) {
    const UINT number = (start + i) % 0xFFFF + 1;  // 1 .. 0xFFFF
    const std::string name = nameFor(number);
    if (name.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE, UINT{0});
    std::string native;
    if (!NativePathArgument(name.c_str(), native)) return 0;
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      std::memcpy(buffer, name.c_str(), name.size() + 1);
      return number;
    }
    if (errno != EEXIST) {
      return Fail(
          errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY : win32::ErrorFromErrno(errno),
          UINT{0});
    }
  }
  return Fail(ERROR_FILE_EXISTS, UINT{0});
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  using win32::detail::SplitComponents;
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER, DWORD{0});
  if (*name == 0) return Fail(ERROR_INVALID_NAME, DWORD{0});
  const std::string text = name;
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  std::string prefix;  // kept as given: "X:" or "\\server\share"
  std::string rest;
  if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1])) {
    const auto parts = SplitComponents(text);
    prefix = "\\\\";
    for (std::size_t i = 0; i < parts.size() && i < 2; ++i) prefix += (i ? "\\" : "") + parts[i];
    rest = text.substr(std::min(text.size(), prefix.size()));
  } else if (text.size() >= 2 && text[1] == ':' &&
             std::isalpha(static_cast<unsigned char>(text[0])) &&
             (text.size() == 2 || isSeparator(text[2]))) {
    prefix = text.substr(0, 2);
    rest = text.substr(2);
  } else if (isSeparator(text[0])) {
    rest = text;
  } else {
    std::string current;
    if (!win32::detail::CurrentFolder(current)) return 0;
    // A drive-relative path ("c:name") is taken relative to the current folder.
    const bool driveRelative = text.size() >= 2 && text[1] == ':';
    rest = current + "\\" + (driveRelative ? text.substr(2) : text);
  }
  std::vector<std::string> resolved;
  for (auto& part : SplitComponents(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(part));
  }
  std::string full = prefix;
  std::size_t lastStart = std::string::npos;
  for (const auto& part : resolved) {
    full += '\\';
    lastStart = full.size();
    full += part;
  }
  const bool trailing = win32::detail::EndsWithSeparator(text) || resolved.empty();
  if (trailing) {
    full += '\\';
    lastStart = std::string::npos;
  }
  const DWORD result = win32::detail::CopyOut(full, size, buffer);
  if (result < size && filePart != nullptr) {
    *filePart = lastStart == std::string::npos ? nullptr : buffer + lastStart;
  }
  return result;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  if (buffer == nullptr && size != 0) return Fail(ERROR_INVALID_PARAMETER, DWORD{0});
  std::string current;
  if (!win32::detail::CurrentFolder(current)) return 0;
  return win32::detail::CopyOut(current, size, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  std::string native;
  if (!NativePathArgument(path, native)) return 0;
  if (chdir(native.c_str()) == 0) return 1;
  return Fail(errno == ENOTDIR ? ERROR_DIRECTORY : PathError(errno, native), BOOL{0});
}

}  // extern "C"
