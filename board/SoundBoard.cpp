#include "board/SoundBoard.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "audio/AudioPlayer.h"
#include "audio/OutputChannel.h"
#include "board/CustomSounds.h"
#include "board/Hotkeys.h"
#include "runtime/Form.h"

namespace board {

void setUpBoard(rt::Form& form) {
    // In layout order, which decides who gets a combination stored twice and which ids are handed out.
    // Every clip button shares the handlers of the first one; they act on the button that raised the event.
    // Hundreds of keys read from one look at the file.
    const app::SettingsView settings(app::settingsFile(app::kMainSettings));
    for (rt::Control* button : form.withPrefix(kSoundButtonPrefix)) {
        setUpHotkey(form, *button, settings);
        if (button->name() != kFirstSoundButton) form.route(button->name(), kFirstSoundButton);
    }
    if (rt::Control* stop = form.find(kStopButton)) setUpHotkey(form, *stop, settings);
    setUpCustomButtons(form, settings);
}

std::wstring clipPath(const rt::Control& button) {
    return app::programDir + L"data\\music\\" + button.caption() + L".mp3";
}

void playClip(const std::wstring& path) {
    audio::AudioPlayer& player = *app::audioPlayer;
    player.freeStream(app::currentStream);
    app::currentStream = player.createStream(path);
    audio::applyVolume();
    player.play(app::currentStream, true);
}

void onSoundButtonClicked(rt::Control& button) {
    if (button.hwnd()) playClip(clipPath(button));
}

void onStopClicked(rt::Control&) {
    if (app::currentStream) app::audioPlayer->stop(app::currentStream);
}

} // namespace board
