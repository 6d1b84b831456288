// A question put to the user, as a message box asks it: text, caption, and a style made
// of the button set, the icon and the default button (the Win32 MB_ values).  The answer
// is the identifier of the button pressed (the Win32 ID values).  The engine and the
// batch job ask every question through an Asker: the program's Asker shows a message box
// owned by a window; tests answer from a script.
#pragma once

#include <cstdint>
#include <string>

namespace question {

inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kOkCancel = 0x1;
inline constexpr std::uint32_t kAbortRetryIgnore = 0x2;
inline constexpr std::uint32_t kYesNoCancel = 0x3;
inline constexpr std::uint32_t kYesNo = 0x4;
inline constexpr std::uint32_t kRetryCancel = 0x5;

inline constexpr std::uint32_t kIconError = 0x10;        // MB_ICONHAND
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;      // MB_ICONEXCLAMATION
inline constexpr std::uint32_t kIconInformation = 0x40;  // MB_ICONASTERISK

inline constexpr std::uint32_t kDefaultButton1 = 0x000;
inline constexpr std::uint32_t kDefaultButton2 = 0x100;
inline constexpr std::uint32_t kDefaultButton3 = 0x200;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerAbort = 3;
inline constexpr int kAnswerRetry = 4;
inline constexpr int kAnswerIgnore = 5;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

}  // namespace question

struct Question {
    std::string text;  // already formatted, code page 932
    std::string caption;
    std::uint32_t style;
};

class Asker {
public:
    virtual ~Asker() = default;
    // Blocks until the user answers; returns the button's identifier.
    virtual int Ask(const Question& question) = 0;
};
