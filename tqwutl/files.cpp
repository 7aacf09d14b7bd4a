// Files by number on the Win32 stand-in's handles, and the path operations that touch the disk.
#include "tqwutl/files.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tqwutl/path_text_p.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

// File numbers -> platform handles. Numbers count up and skip those in use, 0 and kTqNoFile.
class FileTable {
 public:
  // The new number, or kTqNoFile when every number is taken.
  TQFILE Add(HANDLE handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Past a wrap, long-lived files may hold a run of numbers: look on until a free one.
    for (std::size_t tries = 0; tries <= m_files.size(); ++tries) {
      const TQFILE number = m_next++;
      if (m_next == kTqNoFile) m_next = 1;
      if (m_files.count(number) == 0) {
        m_files.emplace(number, handle);
        return number;
      }
    }
    return kTqNoFile;
  }
  // The handle of a number, or null.
  HANDLE Find(TQFILE number) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_files.find(number);
    return it == m_files.end() ? nullptr : it->second;
  }
  // Takes a number out of the table and returns its handle, or null.
  HANDLE Remove(TQFILE number) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_files.find(number);
    if (it == m_files.end()) return nullptr;
    HANDLE handle = it->second;
    m_files.erase(it);
    return handle;
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<TQFILE, HANDLE> m_files;
  TQFILE m_next = 1;
};

FileTable& Files() {
  static FileTable* table = new FileTable;  // outlives every static destructor
  return *table;
}

// Records a failure in the last error and the error word; returns 0.
int Failed(DWORD code, int* error) {
  tqSetLastError(static_cast<int>(code));
  if (error != nullptr) *error = static_cast<int>(code);
  return 0;
}

// The last error after a failed platform call, as a failure.
int PlatformFailed(int* error) {
  const DWORD code = GetLastError();
  return Failed(code != 0 ? code : ERROR_GEN_FAILURE, error);
}

int Succeeded(int* error) {
  tqSetLastError(0);
  if (error != nullptr) *error = 0;
  return 1;
}

// The handle of an open number, or null with 6 recorded.
HANDLE Lookup(TQFILE file, int* error) {
  HANDLE handle = Files().Find(file);
  if (handle == nullptr) Failed(ERROR_INVALID_HANDLE, error);
  return handle;
}

// Moves the file position; the new position through `where` when not null.
int Seek(TQFILE file, LONGLONG distance, DWORD origin, LONGLONG* where, int* error) {
  HANDLE handle = Lookup(file, error);
  if (handle == nullptr) return 0;
  if (origin > FILE_END) return Failed(ERROR_INVALID_PARAMETER, error);
  LARGE_INTEGER move{};
  move.QuadPart = distance;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(handle, move, &position, origin)) return PlatformFailed(error);
  if (where != nullptr) *where = position.QuadPart;
  return Succeeded(error);
}

}  // namespace

extern "C" {

int tqOpenFile(const char* path, TQFILE* file, DWORD access, DWORD share, DWORD disposition,
               DWORD flags, DWORD /*creator*/, DWORD /*type*/, int* error) {
  if (file == nullptr) return Failed(ERROR_INVALID_PARAMETER, error);
  *file = kTqNoFile;
  HANDLE handle = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return PlatformFailed(error);
  const TQFILE number = Files().Add(handle);
  if (number == kTqNoFile) {
    CloseHandle(handle);
    return Failed(ERROR_TOO_MANY_OPEN_FILES, error);
  }
  *file = number;
  return Succeeded(error);
}

int tqReadFile(TQFILE file, void* buffer, DWORD count, DWORD* done, int* error) {
  if (done != nullptr) *done = 0;
  HANDLE handle = Lookup(file, error);
  if (handle == nullptr) return 0;
  if (buffer == nullptr && count != 0) return Failed(ERROR_INVALID_PARAMETER, error);
  DWORD read = 0;
  const BOOL ok = ReadFile(handle, buffer, count, &read, nullptr);
  if (done != nullptr) *done = read;
  return ok ? Succeeded(error) : PlatformFailed(error);
}

int tqWriteFile(TQFILE file, const void* buffer, DWORD count, DWORD* done, int* error) {
  if (done != nullptr) *done = 0;
  HANDLE handle = Lookup(file, error);
  if (handle == nullptr) return 0;
  if (buffer == nullptr && count != 0) return Failed(ERROR_INVALID_PARAMETER, error);
  DWORD written = 0;
  const BOOL ok = WriteFile(handle, buffer, count, &written, nullptr);
  if (done != nullptr) *done = written;
  return ok ? Succeeded(error) : PlatformFailed(error);
}

int tqSeekFile(TQFILE file, LONGLONG position, DWORD origin, int* error) {
  return Seek(file, position, origin, nullptr, error);
}

LONGLONG tqGetFilePointer(TQFILE file) {
  LONGLONG where = -1;
  return Seek(file, 0, FILE_CURRENT, &where, nullptr) ? where : -1;
}

LONGLONG tqGetFileSize(TQFILE file) {
  HANDLE handle = Lookup(file, nullptr);
  if (handle == nullptr) return -1;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) {
    PlatformFailed(nullptr);
    return -1;
  }
  Succeeded(nullptr);
  return size.QuadPart;
}

int tqSetEndOfFile(TQFILE file) {
  HANDLE handle = Lookup(file, nullptr);
  if (handle == nullptr) return 0;
  return SetEndOfFile(handle) ? Succeeded(nullptr) : PlatformFailed(nullptr);
}

int tqCloseFile(TQFILE file) {
  HANDLE handle = Files().Remove(file);
  if (handle == nullptr) return Failed(ERROR_INVALID_HANDLE, nullptr);
  return CloseHandle(handle) ? Succeeded(nullptr) : PlatformFailed(nullptr);
}

int tqChangeFileName(const char* path, const char* newName) {
  if (path == nullptr || newName == nullptr || *newName == 0) {
    return Failed(ERROR_INVALID_PARAMETER, nullptr);
  }
  std::string target = newName;
  const auto named = tqwutl::detail::SplitPath(newName);
  if (named.name == 0) {  // a bare name: into the folder of `path`
    const std::string_view source(path);
    const auto split = tqwutl::detail::SplitPath(source);
    std::string folder(source.substr(0, split.folderEnd));
    if (!folder.empty() && split.folderEnd > split.root) folder += '\\';
    target = folder + target;
  }
  // Without replacing: an existing target stays as it is.
  if (!MoveFileExA(path, target.c_str(), MOVEFILE_COPY_ALLOWED)) return PlatformFailed(nullptr);
  return Succeeded(nullptr);
}

int tqCreateFolder(const char* path) {
  if (path == nullptr || *path == 0) return Failed(ERROR_INVALID_PARAMETER, nullptr);
  std::string folder = path;
  auto split = tqwutl::detail::SplitPath(folder);
  if (split.name == split.end && split.folderEnd < folder.size()) {
    folder.resize(split.folderEnd);  // trailing separators name the same folder
    split = tqwutl::detail::SplitPath(folder);
  }
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Succeeded(nullptr);
    return Failed(ERROR_ALREADY_EXISTS, nullptr);
  }
  // The folder above first; a root or a bare name has none to make.
  const std::string parent = folder.substr(0, split.folderEnd);
  if (!parent.empty() && parent.size() < folder.size() &&
      GetFileAttributesA(parent.c_str()) == INVALID_FILE_ATTRIBUTES &&
      !tqCreateFolder(parent.c_str())) {
    return 0;
  }
  if (!CreateDirectoryA(folder.c_str(), nullptr)) {
    const DWORD code = GetLastError();
    const DWORD now = GetFileAttributesA(folder.c_str());  // someone may have made it meanwhile
    if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY)) {
      return Succeeded(nullptr);
    }
    return Failed(code != 0 ? code : ERROR_GEN_FAILURE, nullptr);
  }
  return Succeeded(nullptr);
}

int tqDeleteFile(const char* path) {
  if (path == nullptr) return Failed(ERROR_INVALID_PARAMETER, nullptr);
  return DeleteFileA(path) ? Succeeded(nullptr) : PlatformFailed(nullptr);
}

}  // extern "C"
