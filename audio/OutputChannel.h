// The output channel list (组合框1) and the volume slider (滑块条1).
#pragma once

namespace rt {
class Form;
class Control;
} // namespace rt

namespace audio {

// Fills the channel list and initialises the library on the saved channel.
void fillOutputChannels(rt::Form& form, int passage);
void onOutputChannelChanged(rt::Control& list);
void onVolumeChanged(rt::Control& slider);
// Sets the current stream's volume from the slider.
void applyVolume();

} // namespace audio
