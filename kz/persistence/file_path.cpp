// KzFilePath: path text rules on the library's backslash form, file operations on the
// platform's file services.
#include "kz/persistence/file_path.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"
#include "kz/foundation/kztime.h"
#include "kz/persistence/find_file.h"
#include "tqwutl/files.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

constexpr DWORD kErrorResourceTypeNotFound = 1813;
constexpr int kMaxDigits = 255;
constexpr std::uint64_t kLargestCountedNumber = 2147483646;

int Length(const char* text) { return static_cast<int>(std::strlen(text)); }

// The step from byte `i` to the next character; a lead byte right before the end stands alone.
int Step(const char* text, int i, int length) {
  return IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length ? 2 : 1;
}

// The length of the run of single-byte backslashes that ends the text.
int TrailingDelimiters(const char* text, int length) {
  int run = 0;
  for (int i = 0; i < length;) {
    if (text[i] == '\\') {
      ++run;
      ++i;
    } else {
      run = 0;
      i += Step(text, i, length);
    }
  }
  return run;
}

int LeadingDelimiters(const char* text) {
  int run = 0;
  while (text[run] == '\\') ++run;  // a backslash at a character start is always a character
  return run;
}

// Replaces single-byte `from` by `to`; `keep(i)` may spare an occurrence.
template <typename Keep>
void ReplaceSingleBytes(char* text, char from, char to, Keep keep) {
  const int length = Length(text);
  for (int i = 0; i < length;) {
    const int step = Step(text, i, length);
    if (step == 1 && text[i] == from && !keep(i)) text[i] = to;
    i += step;
  }
}

// A part of a path through one of the utility library's splitting helpers.
KzString PathPart(const char* path, int (*part)(const char*, char*, int)) {
  std::string buffer(std::strlen(path) + 1, '\0');
  part(path, buffer.data(), static_cast<int>(buffer.size()));  // the whole path always fits
  return KzString(buffer.c_str());
}

// Copies a result into a caller's buffer of MAX_PATH bytes, refusing what does not fit.
void CopyToPathBuffer(const char* text, char* out) {
  if (out == nullptr) kzThrowError(kKzErrorParameter);
  const std::size_t length = std::strlen(text);
  if (length >= MAX_PATH) {
    *out = 0;
    kzThrowError(kKzErrorParameter);
  }
  std::memcpy(out, text, length + 1);
}

// "png" and ".png" -> ".png"; null and "" -> "".
KzString DottedExtension(const char* extension) {
  KzString dotted;
  if (extension == nullptr || *extension == 0) return dotted;
  if (*extension != '.') dotted = ".";
  dotted += extension;
  return dotted;
}

[[noreturn]] void ThrowLastError() {
  const int code = tqGetLastError();
  kzThrowError(code != 0 ? code : static_cast<int>(ERROR_GEN_FAILURE));
}

// 1 with the last error cleared, or 0 keeping the platform's code.
int Result(BOOL ok) {
  if (!ok) return 0;
  tqSetLastError(0);
  return 1;
}

DWORD Attributes(const KzFilePath& path) { return GetFileAttributesA(path); }

bool IsIconName(const KzString& name) {
  if (name.GetLength() != 5) return false;
  const char* text = name;
  for (int i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != "icon"[i]) return false;
  }
  return text[4] == '?' || text[4] == '\r';
}

// The absolute form with one root "\" (a drive letter stands for it) and no trailing separator.
bool Canonical(const char* path, std::string& out) {
  const DWORD need = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (need == 0) return false;
  std::string full(need, '\0');
  const DWORD length = GetFullPathNameA(path, need, full.data(), nullptr);
  if (length == 0 || length >= need) return false;
  full.resize(length);
  if (full.size() >= 2 && std::isalpha(static_cast<unsigned char>(full[0])) && full[1] == ':') {
    full.erase(0, 2);
  }
  if (full.empty() || full[0] != '\\') full.insert(0, 1, '\\');
  const int trailing = TrailingDelimiters(full.c_str(), static_cast<int>(full.size()));
  full.resize(std::max<std::size_t>(1, full.size() - static_cast<std::size_t>(trailing)));
  out = std::move(full);
  return true;
}

// The components of a canonical path.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  const int length = static_cast<int>(path.size());
  for (int i = 0; i < length;) {
    const int step = Step(path.c_str(), i, length);
    if (step == 1 && path[i] == '\\') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.append(path, static_cast<std::size_t>(i), static_cast<std::size_t>(step));
    }
    i += step;
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

// Whether canonical `inner` lies inside canonical `outer`.
bool IsInside(const std::string& inner, const std::string& outer) {
  if (inner.size() <= outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return outer == "\\" || inner[outer.size()] == '\\';
}

// The nearest existing folder or file on the way up from `path` (the current folder for a
// relative path whose levels are all missing).
bool ExistingPlace(const KzFilePath& path, KzFilePath& out) {
  if (path.IsEmpty()) {
    tqSetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  KzFilePath current(path);
  for (;;) {
    if (Attributes(current) != INVALID_FILE_ATTRIBUTES) {
      out = current;
      return true;
    }
    KzFilePath up;
    current.GetFolderPath(up);
    if (up.IsEmpty()) up = ".";
    if (std::strcmp(up, current) == 0) return false;
    current = up;
  }
}

// A folder's entries without "." and "..": their paths and whether each is a folder.
bool ListFolder(const KzFilePath& folder, std::vector<std::pair<KzFilePath, bool>>& entries) {
  KzFindFile find;
  if (!find.First(folder)) return false;
  do {
    if (!find.IsParentFolder()) entries.emplace_back(find.GetFilePath(), find.IsFolder() != 0);
  } while (find.Next());
  return tqGetLastError() == static_cast<int>(ERROR_NO_MORE_FILES);
}

// Deletes a file; a read-only one is made writable first, as the shell's delete does.
bool DeleteOneFile(const KzFilePath& path) {
  if (DeleteFileA(path)) return true;
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  return SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileA(path);
}

bool DeleteTree(const KzFilePath& folder) {
  // A link to a folder is listed as a folder: remove the link, never what it leads to.
  if (DeleteFileA(folder)) return true;
  std::vector<std::pair<KzFilePath, bool>> entries;
  if (!ListFolder(folder, entries)) return false;
  for (const auto& [path, isFolder] : entries) {
    if (!(isFolder ? DeleteTree(path) : DeleteOneFile(path))) return false;
  }
  return RemoveDirectoryA(folder) != 0;
}

// Throws 0x20010008 when `to` is `from` or lies inside it: the copy would feed on itself.
void RefuseCopyIntoItself(const KzFilePath& from, const KzFilePath& to) {
  std::string source, target;
  if (!Canonical(from, source) || !Canonical(to, target)) ThrowLastError();
  if (source == target || IsInside(target, source)) kzThrowError(kKzErrorParameter);
}

void CopyTree(const KzFilePath& from, const KzFilePath& to) {
  if (!tqCreateFolder(to)) ThrowLastError();
  std::vector<std::pair<KzFilePath, bool>> entries;
  if (!ListFolder(from, entries)) ThrowLastError();
  for (const auto& [path, isFolder] : entries) {
    KzString name;
    path.GetFileName(name);
    KzFilePath target(to);
    target += name;
    if (isFolder) {
      CopyTree(path, target);
    } else {
      KzFilePath::CopyFileA(path, target, 0);
    }
  }
}

// The number a name carries, or false: the last run of digits (`lastRun`) or the first one
// from byte `from`. Digits are never trail bytes, so bytes can be tested one by one.
bool NumberIn(const char* text, int from, bool lastRun, std::uint64_t& number) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const int length = Length(text);
  int begin = 0;
  int end = 0;
  if (lastRun) {
    end = length;
    while (end > 0 && !isDigit(text[end - 1])) --end;
    begin = end;
    while (begin > 0 && isDigit(text[begin - 1])) --begin;
  } else {
    begin = std::min(from, length);
    while (begin < length && !isDigit(text[begin])) ++begin;
    end = begin;
    while (end < length && isDigit(text[end])) ++end;
  }
  if (begin == end) return false;
  number = 0;
  for (int i = begin; i < end; ++i) {
    number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (number > kLargestCountedNumber) return false;
  }
  return true;
}

int SequencialPath(KzFilePath& self, const KzFilePath& folderPath, int digits,
                   const char* extension, const char* prefix, bool wholeName) {
  if (digits < 0 || digits > kMaxDigits) kzThrowError(kKzErrorParameter);
  tqSetLastError(0);
  const KzFilePath folder(folderPath);  // `folderPath` may be `self`
  const bool byExtension = extension != nullptr && *extension != 0;
  const char* wanted = byExtension && *extension == '.' ? extension + 1 : extension;
  const int prefixLength = prefix != nullptr ? Length(prefix) : 0;

  std::vector<std::uint64_t> numbers;
  KzFindFile find;
  if (find.First(folder)) {
    do {
      if (find.IsParentFolder() || find.IsHidden()) continue;
      if (byExtension && find.IsFolder()) continue;
      KzString name;
      find.GetName(name);
      KzString stem;
      KzString dotted;
      KzString entry("\\");  // rooted, so that a name like "a:b" is not read as a drive
      entry += name;
      KzFilePath(entry).GetNameAndExtension(stem, dotted);
      if (byExtension) {
        const char* own = dotted.IsEmpty() ? "" : static_cast<const char*>(dotted) + 1;
        if (dotted.IsEmpty() || KzString(own).CompareNoCase(wanted) != 0) continue;
      }
      if (prefixLength > 0) {
        if (name.GetLength() < prefixLength) continue;
        KzString head(name);
        head.SetLength(prefixLength);
        if (head.CompareNoCase(prefix) != 0) continue;
      }
      std::uint64_t number = 0;
      const bool found =
          wholeName ? NumberIn(name, prefixLength, false, number) : NumberIn(stem, 0, true, number);
      if (found) numbers.push_back(number);
    } while (find.Next());
    if (tqGetLastError() != static_cast<int>(ERROR_NO_MORE_FILES)) return 0;
  } else if (tqGetLastError() != static_cast<int>(ERROR_FILE_NOT_FOUND)) {
    return 0;  // a folder without entries lists nothing; any other failure is one
  }

  std::uint64_t next = 1;
  if (!numbers.empty()) {
    std::sort(numbers.begin(), numbers.end());
    next = numbers.back() + 1;
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
      if (numbers[i + 1] - numbers[i] > 1) {
        next = numbers[i] + 1;
        break;
      }
    }
  }
  std::vector<char> printed(static_cast<std::size_t>(digits) + 24);
  std::snprintf(printed.data(), printed.size(), "%0*d", digits, static_cast<int>(next));
  KzString name(prefix);
  name += printed.data();
  if (byExtension) name += DottedExtension(wanted);
  self = folder;
  self += name;
  tqSetLastError(0);
  return 1;
}

}  // namespace

// --- construction and text ------------------------------------------------------------------

KzFilePath::KzFilePath() = default;
KzFilePath::KzFilePath(const char* path) : m_path(path) {}
KzFilePath::KzFilePath(const KzString& path) : m_path(path) {}
KzFilePath::KzFilePath(const KzFilePath& other) : m_path(other.m_path) {}
KzFilePath::~KzFilePath() = default;

KzFilePath& KzFilePath::operator=(const char* path) {
  m_path = path;
  return *this;
}

KzFilePath& KzFilePath::operator=(const KzString& path) {
  m_path = path;
  return *this;
}

KzFilePath& KzFilePath::operator=(const KzFilePath& other) {
  m_path = other.m_path;
  return *this;
}

KzFilePath::operator const char*() const { return m_path; }

int KzFilePath::IsEmpty() const { return m_path.IsEmpty(); }

void KzFilePath::Empty() { m_path.Empty(); }

void KzFilePath::GetFullPath(char* out) const { CopyToPathBuffer(m_path, out); }

void KzFilePath::GetFullPath(KzString& out) const { out = m_path; }

void KzFilePath::SetFullPath(const char* path) { m_path = path; }

void KzFilePath::SetFullPath(const KzString& path) { m_path = path; }

int KzFilePath::GetNativePath(char* out) const {
  if (out == nullptr) kzThrowError(kKzErrorParameter);
  tqSetLastError(0);
  const std::string native = win32::ToNativePath(m_path);
  if (native.empty() && !IsEmpty()) {
    *out = 0;
    return 0;
  }
  CopyToPathBuffer(native.c_str(), out);
  return 1;
}

int KzFilePath::SetNativePath(const char* native) {
  tqSetLastError(0);
  if (native == nullptr || *native == 0) {
    Empty();
    return 1;
  }
  const std::string library = win32::FromNativePath(native);
  if (library.empty()) return 0;
  m_path = library.c_str();
  return 1;
}

int KzFilePath::SetDefaultPath() {
  tqSetLastError(0);
  const DWORD need = GetCurrentDirectoryA(0, nullptr);
  if (need == 0) return 0;
  std::string buffer(need, '\0');
  const DWORD length = GetCurrentDirectoryA(need, buffer.data());
  if (length == 0 || length >= need) return 0;
  m_path = buffer.c_str();
  return 1;
}

// --- joining --------------------------------------------------------------------------------

KzFilePath& KzFilePath::operator+=(const KzString& sub) {
  return *this += static_cast<const char*>(sub);
}

KzFilePath& KzFilePath::operator+=(const char* sub) {
  if (IsEmpty()) {
    m_path = sub;
    return *this;
  }
  if (sub == nullptr || *sub == 0) return *this;
  KzString tail(sub);  // a copy: `sub` may be this path's own text
  DeleteFrontDelimiter(tail);
  KzString joined(m_path);
  DeleteBackDelimiter(joined);
  joined += "\\";
  joined += tail;
  DeleteBackDelimiter(joined);
  m_path = joined;
  return *this;
}

void KzFilePath::CatSubPath(const char* sub) { *this += sub; }

void KzFilePath::CatSubPathForWin(const char* sub) {
  KzString converted(sub);
  ConvertMacToWinSubPath(converted);
  *this += converted;
}

void KzFilePath::CatSubPathForMac(const char* sub) {
  KzString converted(sub);
  ConvertWinToMacSubPath(converted);
  *this += converted;
}

int KzFilePath::DeleteBackDelimiter(char* text) {
  if (text == nullptr) return 0;
  const int length = Length(text);
  const int run = TrailingDelimiters(text, length);
  text[length - run] = 0;
  return run;
}

int KzFilePath::DeleteBackDelimiter(KzString& text) {
  const int run = TrailingDelimiters(text, text.GetLength());
  if (run > 0) text.SetLength(text.GetLength() - run);
  return run;
}

int KzFilePath::DeleteFrontDelimiter(char* text) {
  if (text == nullptr) return 0;
  const int run = LeadingDelimiters(text);
  if (run > 0) std::memmove(text, text + run, std::strlen(text + run) + 1);
  return run;
}

int KzFilePath::DeleteFrontDelimiter(KzString& text) {
  const int run = LeadingDelimiters(text);
  if (run > 0) text = KzString(static_cast<const char*>(text) + run);
  return run;
}

void KzFilePath::ConvertWinToMacSubPath(char* text) {
  if (text != nullptr) ReplaceSingleBytes(text, '\\', ':', [](int) { return false; });
}

void KzFilePath::ConvertWinToMacSubPath(KzString& text) {
  ConvertWinToMacSubPath(text.operator char*());
}

void KzFilePath::ConvertMacToWinSubPath(char* text) {
  if (text == nullptr) return;
  // "X::" keeps its first colon: only the second one is a separator.
  ReplaceSingleBytes(text, ':', '\\', [text](int i) { return i == 1 && text[2] == ':'; });
}

void KzFilePath::ConvertMacToWinSubPath(KzString& text) {
  ConvertMacToWinSubPath(text.operator char*());
}

// --- splitting ----------------------------------------------------------------------------------

void KzFilePath::GetFileName(char* out) const {
  CopyToPathBuffer(PathPart(m_path, tqGetFileNamefromFullPath), out);
}

void KzFilePath::GetFileName(KzString& out) const {
  out = PathPart(m_path, tqGetFileNamefromFullPath);
}

void KzFilePath::GetNameAndExtension(char* name, char* extension) const {
  if (name != nullptr) CopyToPathBuffer(PathPart(m_path, tqGetFileNameDelExt), name);
  if (extension != nullptr) CopyToPathBuffer(PathPart(m_path, tqCopyExtension), extension);
}

void KzFilePath::GetNameAndExtension(KzString& name, KzString& extension) const {
  KzString stem = PathPart(m_path, tqGetFileNameDelExt);  // `name` may be `extension`
  extension = PathPart(m_path, tqCopyExtension);
  name = stem;
}

void KzFilePath::GetFolderPath(KzFilePath& out) const {
  out = PathPart(m_path, tqGetFolderfromFullPath);
}

int KzFilePath::GetRootPath(KzFilePath& out) const {
  KzString root(m_path);
  root.SetLength(tqGetPathRootLength(m_path));
  out = root;
  return out.IsEmpty() ? 0 : 1;
}

void KzFilePath::SetFileName(const char* name) {
  KzFilePath joined;
  GetFolderPath(joined);
  joined += name;
  *this = joined;
}

void KzFilePath::SetNameAndExtension(const char* name, const char* extension) {
  KzString full(name);
  full += DottedExtension(extension);
  SetFileName(full);
}

void KzFilePath::ChangeName(const char* name) {
  KzString full(name);
  full += PathPart(m_path, tqCopyExtension);
  SetFileName(full);
}

void KzFilePath::ChangeExtension(const char* extension) {
  KzString full = PathPart(m_path, tqGetFileNameDelExt);
  full += DottedExtension(extension);
  SetFileName(full);
}

int KzFilePath::IsExtensionFile(const char* extension) const {
  return PathPart(m_path, tqCopyExtension).CompareNoCase(DottedExtension(extension)) == 0;
}

int KzFilePath::RemakePath() {
  tqSetLastError(0);
  const DWORD need = GetFullPathNameA(m_path, 0, nullptr, nullptr);
  if (need == 0) return 0;
  std::string buffer(need, '\0');
  const DWORD length = GetFullPathNameA(m_path, need, buffer.data(), nullptr);
  if (length == 0 || length >= need) return 0;
  // Without trailing backslashes, but a root keeps its own.
  const int root = tqGetPathRootLength(buffer.c_str());
  const int run = TrailingDelimiters(buffer.c_str(), static_cast<int>(length));
  buffer.resize(static_cast<std::size_t>(std::max(root, static_cast<int>(length) - run)));
  m_path = buffer.c_str();
  return 1;
}

int KzFilePath::MakeRelativePath(KzString& out, const KzFilePath& from, const KzFilePath& to) {
  tqSetLastError(0);
  std::string base, target;
  if (!Canonical(from, base) || !Canonical(to, target)) {
    out.Empty();
    return 0;
  }
  const auto baseParts = Components(base);
  const auto targetParts = Components(target);
  std::size_t common = 0;
  while (common < baseParts.size() && common < targetParts.size() &&
         baseParts[common] == targetParts[common]) {
    ++common;
  }
  std::string relative;
  for (std::size_t i = common; i < baseParts.size(); ++i)
    relative += relative.empty() ? ".." : "\\..";
  for (std::size_t i = common; i < targetParts.size(); ++i) {
    if (!relative.empty()) relative += '\\';
    relative += targetParts[i];
  }
  out = relative.c_str();
  return 1;
}

int KzFilePath::IsChildFolder(const KzFilePath& folder) const {
  tqSetLastError(0);
  std::string inner, outer;
  if (!Canonical(m_path, inner) || !Canonical(folder, outer)) return 0;
  return IsInside(inner, outer) ? 1 : 0;
}

bool KzFilePath::operator==(const KzFilePath& other) const {
  return *this == static_cast<const char*>(other.m_path);
}

bool KzFilePath::operator==(const char* other) const {
  KzString a(m_path);
  KzString b(other);
  DeleteBackDelimiter(a);
  DeleteBackDelimiter(b);
  return a.CompareNoCase(b) == 0;
}

bool KzFilePath::operator==(const KzString& other) const {
  return *this == static_cast<const char*>(other);
}

bool KzFilePath::operator!=(const KzFilePath& other) const { return !(*this == other); }

bool KzFilePath::operator!=(const char* other) const { return !(*this == other); }

bool KzFilePath::operator!=(const KzString& other) const { return !(*this == other); }

// --- queries ------------------------------------------------------------------------------------

int KzFilePath::IsExistence() const {
  tqSetLastError(0);
  return Attributes(*this) != INVALID_FILE_ATTRIBUTES;
}

int KzFilePath::IsRoot() const {
  const int root = tqGetPathRootLength(m_path);
  return (root == 1 || root == 3) && m_path.GetLength() == root;
}

namespace {

// Whether the path has `bit` set; 0 also when it cannot be reached (last error set).
int HasAttribute(const KzFilePath& path, DWORD bit) {
  tqSetLastError(0);
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & bit) != 0;
}

int ChangeAttribute(const KzFilePath& path, DWORD bit, int set) {
  tqSetLastError(0);
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return Result(SetFileAttributesA(path, set ? attributes | bit : attributes & ~bit));
}

}  // namespace

int KzFilePath::IsFolder() const { return HasAttribute(*this, FILE_ATTRIBUTE_DIRECTORY); }

int KzFilePath::IsHidden() const { return HasAttribute(*this, FILE_ATTRIBUTE_HIDDEN); }

int KzFilePath::GetReadOnly() const { return HasAttribute(*this, FILE_ATTRIBUTE_READONLY); }

int KzFilePath::SetHidden(int hidden) const {
  return ChangeAttribute(*this, FILE_ATTRIBUTE_HIDDEN, hidden);
}

int KzFilePath::SetReadOnly(int readOnly) const {
  return ChangeAttribute(*this, FILE_ATTRIBUTE_READONLY, readOnly);
}

int KzFilePath::IsFolderEmpty() const {
  KzFindFile find;
  if (!find.First(*this)) return 0;
  do {
    if (!find.IsParentFolder()) {
      tqSetLastError(0);
      return 0;
    }
  } while (find.Next());
  if (tqGetLastError() != static_cast<int>(ERROR_NO_MORE_FILES)) return 0;
  tqSetLastError(0);
  return 1;
}

int KzFilePath::GetTime(KzTime& time) const {
  tqSetLastError(0);
  HANDLE file = CreateFileA(m_path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  FILETIME written{};
  const BOOL ok = GetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  FILETIME local{};
  SYSTEMTIME parts{};
  if (!ok || !FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &parts)) {
    return 0;
  }
  try {
    time = parts;
  } catch (const KzException& e) {
    time.Clear();
    tqSetLastError(e.GetErrorCode());
    return 0;
  }
  tqSetLastError(0);
  return 1;
}

int KzFilePath::CanSaveFile() const {
  tqSetLastError(0);
  const DWORD attributes = Attributes(*this);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    tqSetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  // An existing file is only opened; a new one is unlinked as soon as it is made.
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  HANDLE file = CreateFileA(m_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            exists ? OPEN_EXISTING : CREATE_NEW,
                            exists ? 0 : FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  tqSetLastError(0);
  return 1;
}

int KzFilePath::GetCreaterAndType(unsigned int& creator, unsigned int& type) const {
  creator = 0;
  type = 0;
  tqSetLastError(0);
  if (Attributes(*this) != INVALID_FILE_ATTRIBUTES) tqSetLastError(ERROR_NOT_SUPPORTED);
  return 0;
}

// --- disks
// ----------------------------------------------------------------------------------------

DWORD KzFilePath::GetDiskClusterSize(const KzFilePath& path) {
  tqSetLastError(0);
  KzFilePath place;
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  if (!ExistingPlace(path, place) ||
      !::GetDiskFreeSpaceA(place, &sectorsPerCluster, &bytesPerSector, nullptr, nullptr)) {
    return 0;
  }
  return sectorsPerCluster * bytesPerSector;
}

DWORD KzFilePath::GetDiskSectorSize(const KzFilePath& path) {
  tqSetLastError(0);
  KzFilePath place;
  DWORD bytesPerSector = 0;
  if (!ExistingPlace(path, place) ||
      !::GetDiskFreeSpaceA(place, nullptr, &bytesPerSector, nullptr, nullptr)) {
    return 0;
  }
  return bytesPerSector;
}

std::uint64_t KzFilePath::GetDiskSpace(const KzFilePath& path) {
  tqSetLastError(0);
  KzFilePath place;
  ULARGE_INTEGER total{};
  if (!ExistingPlace(path, place) || !GetDiskFreeSpaceExA(place, nullptr, &total, nullptr)) {
    return 0;
  }
  return total.QuadPart;
}

std::uint64_t KzFilePath::GetDiskFreeSpaceA(const KzFilePath& path) {
  tqSetLastError(0);
  KzFilePath place;
  ULARGE_INTEGER available{};
  if (!ExistingPlace(path, place) || !GetDiskFreeSpaceExA(place, &available, nullptr, nullptr)) {
    return 0;
  }
  return available.QuadPart;
}

// --- operations
// -----------------------------------------------------------------------------------

int KzFilePath::CopyFileA(const KzFilePath& from, const KzFilePath& to, int failIfExists) {
  tqSetLastError(0);
  KzString name;
  from.GetFileName(name);
  if (IsIconName(name)) return 0;
  if (!::CopyFileA(from, to, failIfExists)) {
    if (tqGetLastError() == static_cast<int>(ERROR_FILE_EXISTS)) kzThrowError(kKzErrorFileExists);
    ThrowLastError();
  }
  return 1;
}

int KzFilePath::MoveFileA(const KzFilePath& from, const KzFilePath& to, int failIfExists) {
  tqSetLastError(0);
  DWORD flags = MOVEFILE_COPY_ALLOWED;
  if (!to.IsEmpty() && to.IsExistence()) {
    if (failIfExists) kzThrowError(kKzErrorFileExists);
    // Replacing in one step: the old target survives a move that fails.
    flags |= MOVEFILE_REPLACE_EXISTING;
  }
  if (!MoveFileExA(from, to, flags)) ThrowLastError();
  tqSetLastError(0);
  return 1;
}

int KzFilePath::CopyFolder(const KzFilePath& from, const KzFilePath& to) {
  tqSetLastError(0);
  const DWORD attributes = Attributes(from);
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) kzThrowError(static_cast<int>(ERROR_DIRECTORY));
  RefuseCopyIntoItself(from, to);
  CopyTree(from, to);
  tqSetLastError(0);
  return 1;
}

int KzFilePath::MoveFolder(const KzFilePath& from, const KzFilePath& to) {
  tqSetLastError(0);
  if (Attributes(from) == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  RefuseCopyIntoItself(from, to);
  if (!MoveFileExA(from, to, 0)) {
    const int code = tqGetLastError();
    if (code != static_cast<int>(ERROR_ALREADY_EXISTS) &&
        code != static_cast<int>(ERROR_NOT_SAME_DEVICE)) {
      ThrowLastError();
    }
    CopyFolder(from, to);
    from.Delete(1);
  }
  tqSetLastError(0);
  return 1;
}

int KzFilePath::Delete(int throwOnFailure) const {
  tqSetLastError(0);
  const DWORD attributes = Attributes(*this);
  const bool folder =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  // DeleteFileA also removes a dangling link, which has no attributes.
  if (Result(folder ? DeleteTree(*this) : DeleteFileA(m_path))) return 1;
  if (throwOnFailure) ThrowLastError();
  return 0;
}

int KzFilePath::CreateFolder() const {
  tqSetLastError(0);
  return tqCreateFolder(m_path);
}

int KzFilePath::CreateFolder2() const {
  KzFilePath folder;
  GetFolderPath(folder);
  if (folder.IsEmpty()) {  // a bare name lives in the current folder, which exists
    tqSetLastError(0);
    return 1;
  }
  return folder.CreateFolder();
}

int KzFilePath::Rename(const char* name) {
  tqSetLastError(0);
  if (!tqChangeFileName(m_path, name)) ThrowLastError();
  KzString last;
  KzFilePath(name).GetFileName(last);
  if (last == name) {  // a bare name: same folder
    SetFileName(name);
  } else {
    m_path = name;
  }
  return 1;
}

int KzFilePath::MakeTempPath(const char* prefix, int ownFolder) {
  tqSetLastError(0);
  KzString folder;
  if (ownFolder) {
    KzFilePath own;
    GetFolderPath(own);
    folder = own;
  } else {
    char buffer[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    if (length == 0) return 0;
    if (length >= MAX_PATH) {
      tqSetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    folder = buffer;
  }
  char name[MAX_PATH];
  if (GetTempFileNameA(folder, prefix != nullptr ? prefix : "", 0, name) == 0) return 0;
  m_path = name;
  tqSetLastError(0);
  return 1;
}

int KzFilePath::GetVersionInfo(KzString& out, const char* /*key*/) const {
  out.Empty();
  if (IsExistence()) tqSetLastError(kErrorResourceTypeNotFound);
  return 0;
}

int KzFilePath::GetSequencialFilePath(const KzFilePath& folder, int digits, const char* extension,
                                      const char* prefix) {
  return SequencialPath(*this, folder, digits, extension, prefix, false);
}

int KzFilePath::GetSequencialFilePath2(const KzFilePath& folder, int digits, const char* extension,
                                       const char* prefix) {
  return SequencialPath(*this, folder, digits, extension, prefix, true);
}
