#include "platform/system/usage.h"

#include <cstring>
#include <string>

namespace platform::usage {

namespace {

constexpr Entry kKeyList[] = {
    {"left button", "",
     "Shoot: every critter within 48 pixels is caught. "
     "Choose in the menus."},
    {"right button", "",
     "In play: hide the game behind a spreadsheet (the boss key); again to "
     "come back. In the menu: back to the title."},
    {"Escape", "", "Quit."},
    {"M", "", "Mute and unmute."},
    {"- and =", "",
     "The volume down and up, 3 dB a press (the keypad's - and + too)."},
    {"Alt+Enter", "", "Switch between full screen and a window (remembered)."},
    {"F12", "",
     "Save the frame on screen as a 640 x 480 PNG picture in the "
     "screenshots folder; its path is printed."},
};

constexpr Entry kOptionList[] = {
    {"--fullscreen", "", "Play full screen (the default)."},
    {"--window", "", "Play in a window."},
    {"--scale", "N|fit|0",
     "The window at N times 640 x 480; fit: as large as the desktop allows, "
     "scaled by a fraction with crisp edges (full screen too); 0, the "
     "default: the largest whole number that fits, or fit where that would "
     "be 1. The window always fits the desktop with its frame. The mode and "
     "the scale are remembered."},
    {"--display", "N", "Open on display N (counted from 0)."},
    {"--record", "FILE",
     "Write the session's input to FILE, an input script that begins "
     "\"# seed N\"; tumblesquash --headless --seed N --input FILE plays the "
     "same game again."},
    {"--replay", "FILE",
     "Play a recorded session back in the window; its input replaces the "
     "mouse. Escape still quits."},
    {"--trace", "FILE", "Write one line of JSON a frame, as --headless does."},
    {"--volume", "N",
     "The master volume, 0 to 100: 100 is full, every 10 less is 3 dB "
     "softer, 0 is silent (remembered, as the keys set it)."},
    {"--music-volume", "N", "The music's volume, likewise."},
    {"--effects-volume", "N", "The effects' volume, likewise."},
    {"--mute", "", "Start muted."},
    {"--data", "DIR", "Read the picture files from DIR."},
    {"--score-file", "FILE", "Keep the scores in FILE."},
    {"--sound-test", "",
     "Play every recording once through the sound device "
     "and end."},
    {"-h, --help", "", "Show this help and the paths in use."},
    {"--version", "", "Show the version."},
};

constexpr Entry kHeadlessList[] = {
    {"--headless", "",
     "Run without a window or sound output, for tests and reviews: input "
     "from a script, each frame written to a trace, frames saved as PNG "
     "pictures; Score.dat in the working folder. The options below follow "
     "it."},
    {"--seed", "N", "Seed the random generator with N instead of the time."},
    {"--frames", "N", "Stop after N frames."},
    {"--input", "FILE",
     "Play the input script FILE (one event a line: \"F move X Y\", \"F "
     "ldown\", \"F lup\", \"F rdown\", \"F rup\", \"F key escape\", \"F "
     "deactivate\")."},
    {"--trace", "FILE", "Write one line of JSON a frame to FILE."},
    {"--trace-actors", "", "Add every live actor to each trace line."},
    {"--shot", "FRAME:FILE.png",
     "After frame FRAME, save the screen as a PNG picture; may be given "
     "several times."},
    {"--data", "DIR",
     "Read the pictures from DIR; else from the working folder, else from "
     "where the game is installed."},
    {"--no-pictures", "",
     "Run even where no picture files are found (without it, that is an "
     "error)."},
    {"--audio-out", "FILE.wav",
     "Write what the mixer made of the run (44.1 kHz, 16-bit stereo); the "
     "volume options work here too."},
};

constexpr Entry kEnvironmentList[] = {
    {"TUMBLESQUASH_FPS", "",
     "When set, print once a second how many frames ran and were shown, how "
     "long showing one took and the processor time used; and when the first "
     "frame and each click were on screen."},
};

constexpr int kColumn = 23;
constexpr int kWidth = 79;

// `text` wrapped to lines of `width`, each but the first after `indent`
// spaces.
std::string Wrap(const std::string& text, int width, int indent) {
  std::string out, line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    if (!line.empty() && int(line.size() + 1 + word.size()) > width) {
      out += line + "\n" + std::string(std::size_t(indent), ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  return out + line + "\n";
}

// Troff's escapes: a minus sign, a backslash, a leading dot or quote.
std::string Roff(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '-') {
      out += "\\-";
    } else if (*p == '\\') {
      out += "\\e";
    } else {
      out += *p;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

}  // namespace

const std::span<const Entry> kKeys = kKeyList;
const std::span<const Entry> kOptions = kOptionList;
const std::span<const Entry> kHeadlessOptions = kHeadlessList;
const std::span<const Entry> kEnvironment = kEnvironmentList;

void PrintEntries(std::FILE* to, std::span<const Entry> entries) {
  for (const Entry& e : entries) {
    std::string head = std::string("  ") + e.name;
    if (*e.value) head += std::string(" ") + e.value;
    if (int(head.size()) >= kColumn - 1) {
      head += "\n" + std::string(kColumn, ' ');
    } else {
      head.resize(kColumn, ' ');
    }
    std::fputs(head.c_str(), to);
    std::fputs(Wrap(e.text, kWidth - kColumn, kColumn).c_str(), to);
  }
}

void PrintManualEntries(std::FILE* to, std::span<const Entry> entries) {
  for (const Entry& e : entries) {
    std::fprintf(to, ".TP\n");
    if (*e.value) {
      std::fprintf(to, ".BI \"%s \" \"%s\"\n", Roff(e.name).c_str(),
                   Roff(e.value).c_str());
    } else {
      std::fprintf(to, ".B \"%s\"\n", Roff(e.name).c_str());
    }
    std::fprintf(to, "%s\n", Roff(e.text).c_str());
  }
}

}  // namespace platform::usage
