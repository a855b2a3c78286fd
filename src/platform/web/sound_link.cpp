#include "platform/web/sound_link.h"

#include <mutex>

namespace web {

namespace {

void Le(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back((value >> (8 * i)) & 0xFF);
}

// A canonical WAVE of `frames` frames of 16-bit mono silence.
std::vector<unsigned char> SilentWave(std::uint32_t frames) {
  std::vector<unsigned char> w;
  const std::uint32_t data = 2 * frames;
  for (char c : {'R', 'I', 'F', 'F'}) w.push_back(c);
  Le(w, 36 + data, 4);
  for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) w.push_back(c);
  Le(w, 16, 4);
  Le(w, 1, 2);          // PCM
  Le(w, 1, 2);          // mono
  Le(w, 22050, 4);      // rate
  Le(w, 2 * 22050, 4);  // bytes a second
  Le(w, 2, 2);          // block
  Le(w, 16, 2);         // bits
  for (char c : {'d', 'a', 't', 'a'}) w.push_back(c);
  Le(w, data, 4);
  w.resize(w.size() + data, 0);
  return w;
}

constexpr std::uint32_t kPlaying = 1, kLooping = 2;

}  // namespace

StandIns::StandIns(const std::vector<std::string>& names) : names_(names) {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    waves_.push_back(SilentWave(static_cast<std::uint32_t>(i + 1)));
  }
  for (std::size_t i = 0; i < names_.size(); ++i) {
    table_.push_back({"WAVE", names_[i].c_str(), waves_[i].data(),
                      static_cast<unsigned>(waves_[i].size())});
  }
}

void StandIns::Install() const {
  sound::SetWaveResources(table_.data(), count());
}

void ChannelWatch::Collect(const sound::Channel* channels,
                           const sound::Volumes& volumes,
                           std::vector<std::uint32_t>& words) {
  words.clear();
  words.push_back(static_cast<std::uint32_t>(volumes.master));
  words.push_back(static_cast<std::uint32_t>(volumes.music));
  words.push_back(static_cast<std::uint32_t>(volumes.effects));
  words.push_back(volumes.mute ? 1 : 0);
  bool changed = !known_ || volumes.master != volumes_.master ||
                 volumes.music != volumes_.music ||
                 volumes.effects != volumes_.effects ||
                 volumes.mute != volumes_.mute;
  volumes_ = volumes;
  {
    std::lock_guard<std::mutex> lock(sound::MixerLock);
    for (int k = 0; k < sound::kChannelCount; ++k) {
      const sound::Channel& c = channels[k];
      const Seen now{
          c.serial, c.recording ? c.recording->frames - 1 : ~std::uint32_t(0),
          c.frequency, (c.playing ? kPlaying : 0) | (c.looping ? kLooping : 0)};
      Seen& was = seen_[k];
      if (known_ && now.serial == was.serial &&
          now.recording == was.recording && now.frequency == was.frequency &&
          now.flags == was.flags) {
        continue;
      }
      was = now;
      changed = true;
      words.insert(words.end(), {static_cast<std::uint32_t>(k), now.serial,
                                 now.recording, now.frequency, now.flags});
    }
  }
  known_ = true;
  if (!changed) words.clear();
}

int ChannelMirror::Apply(
    std::span<const std::uint32_t> words, sound::Channel* channels,
    const std::vector<std::shared_ptr<const sound::Recording>>& recordings) {
  if (words.size() < kVolumeWords) return 0;
  int started = 0;
  volumes_.master = static_cast<int>(words[0]);
  volumes_.music = static_cast<int>(words[1]);
  volumes_.effects = static_cast<int>(words[2]);
  volumes_.mute = words[3] != 0;
  haveVolumes_ = true;
  std::lock_guard<std::mutex> lock(sound::MixerLock);
  for (std::size_t at = kVolumeWords; at + kChannelWords <= words.size();
       at += kChannelWords) {
    const std::uint32_t k = words[at];
    if (k >= static_cast<std::uint32_t>(sound::kChannelCount)) continue;
    const std::uint32_t serial = words[at + 1];
    const auto number = static_cast<std::int32_t>(words[at + 2]);
    const std::uint32_t flags = words[at + 4];
    sound::Channel& c = channels[k];
    c.frequency = words[at + 3];
    c.looping = (flags & kLooping) != 0;
    wanted_[k] = number;
    wantedFlags_[k] = flags;
    if (known_[k] && serial == serials_[k]) continue;
    known_[k] = true;
    serials_[k] = serial;
    std::shared_ptr<const sound::Recording> recording;
    if (number >= 0 && static_cast<std::size_t>(number) < recordings.size()) {
      recording = recordings[static_cast<std::size_t>(number)];
    }
    // A start plays from the beginning; a stop keeps the place; a new
    // recording starts at its beginning.
    if (c.recording != recording || (flags & kPlaying)) c.position = 0;
    c.recording = std::move(recording);
    c.playing = (flags & kPlaying) != 0 && c.recording;
    if (c.playing) ++started;
    // Our own count, so the mixer sees every change as one.
    ++c.serial;
  }
  return started;
}

void ChannelMirror::Arrived(
    int number, sound::Channel* channels,
    const std::vector<std::shared_ptr<const sound::Recording>>& recordings) {
  if (number < 0 || static_cast<std::size_t>(number) >= recordings.size()) {
    return;
  }
  std::lock_guard<std::mutex> lock(sound::MixerLock);
  for (int k = 0; k < sound::kChannelCount; ++k) {
    sound::Channel& c = channels[k];
    if (wanted_[k] != number || c.recording) continue;
    c.recording = recordings[static_cast<std::size_t>(number)];
    if ((wantedFlags_[k] & kPlaying) && (wantedFlags_[k] & kLooping)) {
      c.position = 0;
      c.playing = true;
      ++c.serial;
    }
  }
}

}  // namespace web
