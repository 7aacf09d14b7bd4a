// Folder listing on the platform's FindFirstFileA / FindNextFileA.
#include "kz/persistence/find_file.h"

#include <cstring>

#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

KzFindFile::KzFindFile() : m_hFind(INVALID_HANDLE_VALUE) {}

KzFindFile::KzFindFile(const KzFindFile& other) : m_hFind(INVALID_HANDLE_VALUE) {
  CopyMembers(other);
}

KzFindFile& KzFindFile::operator=(const KzFindFile& other) {
  if (this != &other) {
    Close();
    CopyMembers(other);
  }
  return *this;
}

KzFindFile::~KzFindFile() { Close(); }

void KzFindFile::CopyMembers(const KzFindFile& other) {
  std::memcpy(m_szFolder, other.m_szFolder, sizeof m_szFolder);
  m_info = other.m_info;
  m_findData = other.m_findData;
  m_filePath = other.m_filePath;
}

int KzFindFile::First(const KzFilePath& folder) {
  Close();
  m_info = {};
  m_findData = {};
  m_filePath.Empty();
  tqSetLastError(0);
  // A copy first: `folder` may be this search's own path.
  KzString text(static_cast<const char*>(folder));
  if (text.IsEmpty()) {
    tqSetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (text.GetLength() >= static_cast<int>(MAX_PATH)) {
    tqSetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  KzString pattern(text);
  KzFilePath::DeleteBackDelimiter(pattern);  // "C:\" and "C:" both list "C:\*.*"
  pattern += "\\*.*";
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;  // the last error is the platform's
  m_hFind = find;
  std::memcpy(m_szFolder, static_cast<const char*>(text), text.GetLength() + 1);
  SetFindInfos(*this, data);
  tqSetLastError(0);
  return 1;
}

int KzFindFile::Next() {
  if (m_hFind == INVALID_HANDLE_VALUE) {
    tqSetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  WIN32_FIND_DATAA data{};
  if (!FindNextFileA(m_hFind, &data)) return 0;
  SetFindInfos(*this, data);
  return 1;
}

void KzFindFile::Close() {
  if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
  m_hFind = INVALID_HANDLE_VALUE;
}

void KzFindFile::GetName(char* out) const {
  if (out != nullptr) std::memcpy(out, m_info.szName, std::strlen(m_info.szName) + 1);
}

void KzFindFile::GetName(KzString& out) const { out = m_info.szName; }

int KzFindFile::IsFolder() const { return (m_info.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

int KzFindFile::IsHidden() const { return (m_info.dwAttributes & FILE_ATTRIBUTE_HIDDEN) != 0; }

int KzFindFile::IsReadOnly() const { return (m_info.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0; }

int KzFindFile::IsParentFolder() const {
  return std::strcmp(m_info.szName, ".") == 0 || std::strcmp(m_info.szName, "..") == 0;
}

const KzFilePath& KzFindFile::GetFilePath() const { return m_filePath; }

void KzFindFile::SetupFileInfo(_KZFINDINFO& info, const WIN32_FIND_DATAA& data) {
  info.dwAttributes = data.dwFileAttributes;
  // The platform's name always ends within its array; copy it whole, bounded all the same.
  const std::size_t length = strnlen(data.cFileName, sizeof data.cFileName - 1);
  std::memcpy(info.szName, data.cFileName, length);
  info.szName[length] = 0;
}

int KzFindFile::GetFileInfo(const KzFilePath& path, _KZFINDINFO& info) {
  info = {};
  tqSetLastError(0);
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  KzString name;
  path.GetFileName(name);
  if (name.GetLength() >= static_cast<int>(MAX_PATH)) {
    tqSetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  info.dwAttributes = attributes;
  name.GetStr(info.szName, sizeof info.szName);
  return 1;
}

void KzFindFile::SetFindInfos(KzFindFile& find, const WIN32_FIND_DATAA& data) {
  find.m_findData = data;
  SetupFileInfo(find.m_info, data);
  find.m_filePath = find.m_szFolder;
  find.m_filePath += find.m_info.szName;
}
