// KzAlert: a user message ready to be shown in a message box.
//
// An alert id packs where the message text lies and how the box looks:
//   bits 0-15 string id, 16-19 string selector (passed to the string loader), 23 set: the text
//   lies in this library's table, clear: in the main executable's; 25-26 parameter count (0-3);
//   27-29 button type (0 OK, 1 OK/Cancel, 2 Yes/No, 3-4 Yes/No/Cancel, 5-7 OK); 30-31 level
//   (0 stop, 1 exclamation, 2 information, 3 question icon).
// A system error alert holds an error code instead and describes it: the library's message for
// its own codes, else the platform's system text. Alert id 0 shows nothing.
#pragma once

#include "kz/foundation/kzstring.h"
#include "win32/types.h"

class KzAlert {
 public:
  // Alert id 0, not a system error, five empty parameters.
  KzAlert();
  KzAlert(const KzAlert& other);
  KzAlert& operator=(const KzAlert& other);
  virtual ~KzAlert();

  // Sets the alert for error `code`. The abort code (0x20010004) empties the alert whatever
  // else is given; alert id 0xFFFFFFFF makes a system error alert describing `code`; any other
  // id is stored as it is. Null parameters count as empty.
  void SetAlertID(unsigned int alertId, int code, const char* p1 = "", const char* p2 = "",
                  const char* p3 = "", const char* p4 = "", const char* p5 = "");
  // Alert id 0, not a system error, five empty parameters.
  void InitializeAlertID();

  unsigned int GetAlertID() const { return m_alertId; }
  operator unsigned int() const { return m_alertId; }
  // Bits 30-31 and 27-29 of the alert id.
  int GetAlertLevel() const { return static_cast<int>(m_alertId >> 30); }
  int GetAlertButtonType() const { return static_cast<int>((m_alertId >> 27) & 7u); }
  int IsSystemErrorMsg() const { return m_isSystemError; }
  // Parameter `index` (0 to 4); another index throws 0x20010008.
  const KzString& GetParameter(int index) const;

  // The finished message text: empty when nothing describes the code.
  void GetAlertMessage(KzString& out) const;
  // Shows the alert once in a message box owned by `owner` (null: the main window), inside the
  // modal bracket, and empties it. Returns the box's answer (IDOK 1, IDCANCEL 2, IDYES 6,
  // IDNO 7), or -1 when the alert id is 0 and nothing was shown.
  int doAlert(HWND owner);

  // The title of every alert box; empty (the default) means the main executable's file name
  // without folder and extension.
  static void SetTitleText(const char* title);
  static void GetTitleText(KzString& out);

 private:
  void CopyMembers(const KzAlert& other);
  void CreateMsgStringFromID(unsigned int alertId, KzString& out) const;
  // The library's message for one of its own codes; 1 when the code has one, else 0.
  int TQErrorToString(KzString& out, unsigned int code) const;

  unsigned int m_alertId = 0;
  KzString m_strParams[5];
  int m_isSystemError = 0;

  static KzString s_strTitle;
};
