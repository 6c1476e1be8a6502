// The board of clip buttons: routing their events, playing a clip, stopping.
#pragma once

#include <string>

namespace rt {
class Form;
class Control;
} // namespace rt

namespace board {

inline constexpr wchar_t kSoundButtonPrefix[] = L"按钮_音效";
inline constexpr wchar_t kFirstSoundButton[] = L"按钮_音效1";

// Binds the board's buttons at start-up: routing, saved hotkeys and tooltips, custom buttons.
void setUpBoard(rt::Form& form);
void onSoundButtonClicked(rt::Control& button);
void onStopClicked(rt::Control& button);
// Frees the clip started last, then starts the file at the slider's volume.
void playClip(const std::wstring& path);
std::wstring clipPath(const rt::Control& button);

} // namespace board
