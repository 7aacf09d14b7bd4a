#include "kz/foundation/alert.h"

#include <cstring>

#include "kz/foundation/error.h"
#include "kz/foundation/library_init.h"
#include "kz/foundation/window_state.h"
#include "win32/win32.h"

KzString KzAlert::s_strTitle;

namespace {

constexpr unsigned int kLibraryStringBit = 1u << 23;
constexpr int kSystemTextSize = 768;
constexpr DWORD kNeutralLanguage = 0x400;

// The library's own codes that have a message of their own, and its id in the library's table.
struct CodeMessage {
  unsigned int code;
  unsigned int messageId;
};
constexpr CodeMessage kCodeMessages[] = {
    {0x20010000u, 1},  {0x20010001u, 2},  {0x20010002u, 3},  {0x20010003u, 4},  {0x20010006u, 5},
    {0x20010008u, 6},  {0x20010009u, 7},  {0x2001000Au, 8},  {0x2001000Bu, 9},  {0x2001000Cu, 10},
    {0x2001000Du, 16}, {0x2001000Eu, 17}, {0x2001000Fu, 18}, {0x60011388u, 11}, {0x60011389u, 12},
    {0x6001138Au, 13}, {0x6001138Bu, 14}, {0x6001138Cu, 15}, {0x6001138Eu, 19},
};

// Icons of levels 0-3 and buttons of types 0-7.
constexpr UINT kLevelIcons[] = {MB_ICONSTOP, MB_ICONEXCLAMATION, MB_ICONINFORMATION,
                                MB_ICONQUESTION};
constexpr UINT kButtonStyles[] = {MB_OK,          MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL,
                                  MB_YESNOCANCEL, MB_OK,       MB_OK,    MB_OK};

// A message text only ever gets string parameters: it may be handed to the formatter when its
// conversions are "%s" (at most three) and "%%". Anything else would read arguments that are
// not there, so such a text is shown as it stands. '%' is never a trail byte of code page 932.
bool IsStringFormat(const char* text) {
  int strings = 0;
  for (const char* p = text; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    if (*p != 's' || ++strings > 3) return false;
  }
  return true;
}

// Keeps the modal bracket balanced even when the message box handler throws.
class ModalBracket {
 public:
  ModalBracket() { kzwModalDlgInitialize(nullptr, 0); }
  ModalBracket(const ModalBracket&) = delete;
  ModalBracket& operator=(const ModalBracket&) = delete;
  ~ModalBracket() { kzwModalDlgDestroy(nullptr); }
};

// The file name of `path` without folder and extension, stepping over double-byte characters
// (whose trail byte may look like a backslash).
KzString BareFileName(const char* path) {
  const char* name = path;
  const char* dot = nullptr;
  for (const char* p = path; *p; ++p) {
    if (IsDBCSLeadByteEx(CP_SHIFT_JIS, static_cast<BYTE>(*p)) && p[1]) {
      ++p;
    } else if (*p == '\\' || *p == '/' || *p == ':') {
      name = p + 1;
      dot = nullptr;
    } else if (*p == '.') {
      dot = p;
    }
  }
  KzString result(name);
  if (dot) result.SetLength(static_cast<int>(dot - name));
  return result;
}

}  // namespace

KzAlert::KzAlert() = default;

KzAlert::KzAlert(const KzAlert& other) { CopyMembers(other); }

KzAlert& KzAlert::operator=(const KzAlert& other) {
  if (this != &other) CopyMembers(other);
  return *this;
}

KzAlert::~KzAlert() = default;

void KzAlert::CopyMembers(const KzAlert& other) {
  for (int i = 0; i < 5; ++i) m_strParams[i] = other.m_strParams[i];
  m_alertId = other.m_alertId;
  m_isSystemError = other.m_isSystemError;
}

void KzAlert::SetAlertID(unsigned int alertId, int code, const char* p1, const char* p2,
                         const char* p3, const char* p4, const char* p5) {
  if (code == kKzErrorAbort) {
    InitializeAlertID();
    return;
  }
  // Copied first: a parameter may point into this alert's own strings.
  const KzString params[5] = {p1, p2, p3, p4, p5};
  for (int i = 0; i < 5; ++i) m_strParams[i] = params[i];
  if (alertId == kKzAlertSystemError) {
    m_alertId = static_cast<unsigned int>(code);
    m_isSystemError = 1;
  } else {
    m_alertId = alertId;
    m_isSystemError = 0;
  }
}

void KzAlert::InitializeAlertID() {
  m_alertId = 0;
  m_isSystemError = 0;
  for (KzString& param : m_strParams) param.Empty();
}

const KzString& KzAlert::GetParameter(int index) const {
  if (index < 0 || index >= 5) kzThrowError(kKzErrorParameter);
  return m_strParams[index];
}

int KzAlert::TQErrorToString(KzString& out, unsigned int code) const {
  for (const CodeMessage& entry : kCodeMessages) {
    if (entry.code == code) {
      out.LoadStringA(entry.messageId, 0, kzGetLibraryModule());
      return 1;
    }
  }
  return 0;
}

void KzAlert::CreateMsgStringFromID(unsigned int alertId, KzString& out) const {
  const HINSTANCE module =
      (alertId & kLibraryStringBit) ? kzGetLibraryModule() : GetModuleHandleA(nullptr);
  KzString text;
  text.LoadStringA(alertId & 0xFFFFu, (alertId >> 16) & 0xFu, module);
  const int count = static_cast<int>((alertId >> 25) & 3u);
  if (count == 0 || !IsStringFormat(text)) {
    out = text;
    return;
  }
  // Parameters beyond the count never enter the message.
  const char* const empty = "";
  out.Format(text, static_cast<const char*>(m_strParams[0]),
             count >= 2 ? static_cast<const char*>(m_strParams[1]) : empty,
             count >= 3 ? static_cast<const char*>(m_strParams[2]) : empty);
}

void KzAlert::GetAlertMessage(KzString& out) const {
  if (!m_isSystemError) {
    CreateMsgStringFromID(m_alertId, out);
    return;
  }
  if (TQErrorToString(out, m_alertId)) return;
  char text[kSystemTextSize] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_alertId,
                 kNeutralLanguage, text, kSystemTextSize - 1, nullptr);
  text[kSystemTextSize - 1] = '\0';
  out = text;
}

int KzAlert::doAlert(HWND owner) {
  if (m_alertId == 0) return -1;
  KzString title;
  GetTitleText(title);
  KzString text;
  GetAlertMessage(text);
  const int level = m_isSystemError ? 1 : GetAlertLevel();
  const int buttons = m_isSystemError ? 0 : GetAlertButtonType();
  const UINT style = kLevelIcons[level] | kButtonStyles[buttons];
  int answer;
  {
    ModalBracket bracket;
    answer = MessageBoxA(owner ? owner : kzwGetMainWnd(), text, title, style);
  }
  InitializeAlertID();
  return answer;
}

void KzAlert::SetTitleText(const char* title) { s_strTitle = title; }

void KzAlert::GetTitleText(KzString& out) {
  if (!s_strTitle.IsEmpty()) {
    out = s_strTitle;
    return;
  }
  char path[260] = {};
  GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof(path));
  path[sizeof(path) - 1] = '\0';
  out = BareFileName(path);
}
