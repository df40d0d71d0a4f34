#pragma once

#include <QString>

namespace quorvel::platform {

// The flag words and answers of the classic message box, kept with their
// numbers: messages are specified, and tested, by these values.
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON2 = 0x100;

inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Everything the program asks or tells the user goes through this one seam, so
// that tests can read every message and script every answer.
class MessageBox
{
public:
    virtual ~MessageBox() = default;

    // Shows prompt modally and returns the button pressed (IDOK, IDYES, IDNO).
    // Line breaks in prompt are "\n". An empty title means the program's title.
    virtual int show(const QString &prompt, int flags, const QString &title = QString()) = 0;
};

} // namespace quorvel::platform
