// Build-time maker of the game's recordings.
//
//   soundgen synth DIR              writes BOMB.wav PUTI.wav ITE.wav FALL.wav
//                                   MUSIC.wav into DIR
//   soundgen embed OUT.cpp NAME=FILE...
//                                   turns WAVE files into the table of
//                                   resources compiled into the game
//
// The same bytes come out of every run.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "dsp.h"
#include "recordings.h"
#include "sound/recording.h"
#include "sound/wave_header.h"

namespace soundgen {
namespace {

struct Format {
  const char* name;
  Signal (*make)(int frames);
  int channels;
  int rate;
  int bits;
  uint32_t dataBytes;
};

// Formats and lengths as the game's recordings have always had them.
const Format kFormats[] = {
    {"BOMB", MakeBomb, 2, 22050, 8, 117496},
    {"PUTI", MakePuti, 2, 22050, 8, 8930},
    {"ITE", MakeIte, 1, 22050, 16, 6946},
    {"FALL", MakeFall, 2, 22050, 8, 33034},
    {"MUSIC", MakeMusic, 2, 11025, 16, 1317888},
};

std::vector<unsigned char> EncodeWave(const Format& f, const Signal& s) {
  std::vector<unsigned char> out;
  sound::AppendWaveHeader(out, u16(f.channels), u32(f.rate), u16(f.bits),
                          f.dataBytes);

  // 8-bit samples get a little triangular dither while the sound is
  // audible, so quiet tails hiss softly instead of grinding; true silence
  // stays exactly 128.
  Noise dither(0xD17Eu);
  double envelope = 0.0;
  for (int i = 0; i < s.frames; ++i) {
    for (int c = 0; c < f.channels; ++c) {
      double x = c == 0 ? s.left[i] : s.right[i];
      if (f.bits == 16) {
        long v = std::lround(x * 32767.0);
        v = v < -32768 ? -32768 : v > 32767 ? 32767 : v;
        base::AppendLe16(out, uint32_t(v) & 0xFFFF);
      } else {
        envelope = std::fmax(std::fabs(x), envelope * 0.999);
        double amount = std::fmin(1.0, envelope * 128.0);
        double d = (dither.Unit() + dither.Unit() - 1.0) * amount;
        long v = std::lround(x * 127.0 + d) + 128;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        out.push_back(static_cast<unsigned char>(v));
      }
    }
  }
  return out;
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& b) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(b.data()),
             std::streamsize(b.size()));
  return bool(file);
}

int Synth(const std::string& dir) {
  for (const Format& f : kFormats) {
    int blockAlign = f.channels * f.bits / 8;
    Signal s = f.make(int(f.dataBytes / blockAlign));
    std::vector<unsigned char> bytes = EncodeWave(f, s);
    if (bytes.size() != 44 + f.dataBytes) {
      std::fprintf(stderr, "soundgen: %s came out %zu bytes\n", f.name,
                   bytes.size());
      return 1;
    }
    std::string path = dir + "/" + f.name + ".wav";
    if (!WriteFile(path, bytes)) {
      std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

// Every byte as a three-digit octal escape: unambiguous, and the compiler
// reads a long string far faster than a list of numbers.
int Embed(const std::string& outPath, int count, char** pairs) {
  std::string src =
      "// Made by soundgen from the WAVE files; not edited by hand.\n"
      "#include \"sound/wave_resources.h\"\n\nnamespace resources {\nnamespace "
      "{\n";
  struct Entry {
    std::string name;
    size_t size;
    double loudness;
  };
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) {
    std::string arg = pairs[i];
    size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      std::fprintf(stderr, "soundgen: expected NAME=FILE, got %s\n", pairs[i]);
      return 1;
    }
    std::string name = arg.substr(0, eq);
    std::ifstream file(arg.substr(eq + 1), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
      std::fprintf(stderr, "soundgen: cannot read %s\n", pairs[i]);
      return 1;
    }
    src += "const unsigned char k" + name + "[] =\n";
    char escape[8];
    for (size_t j = 0; j < bytes.size(); j += 64) {
      src += "    \"";
      for (size_t k = j; k < j + 64 && k < bytes.size(); ++k) {
        std::snprintf(escape, sizeof escape, "\\%03o", bytes[k]);
        src += escape;
      }
      src += "\"\n";
    }
    if (bytes.empty()) src += "    \"\"\n";
    src += "    ;\n";
    // Measured here with the game's own code, so the game starts playing
    // them without measuring.
    const sound::WaveResource resource = {"WAVE", name.c_str(), bytes.data(),
                                          unsigned(bytes.size())};
    const double loudness = sound::MeasureLoudness(resource);
    if (std::isnan(loudness)) {
      std::fprintf(stderr, "soundgen: %s is not a recording the game plays\n",
                   pairs[i]);
      return 1;
    }
    entries.push_back({name, bytes.size(), loudness});
  }
  src += "}  // namespace\n\nconst sound::WaveResource kWaveResources[] = {\n";
  for (const Entry& e : entries) {
    // In hexadecimal, so the figure is read back to the last bit.
    char loudness[64];
    std::snprintf(loudness, sizeof loudness, "%a", e.loudness);
    src += "    {\"WAVE\", \"" + e.name + "\", k" + e.name + ", " +
           std::to_string(e.size) + "u, " + loudness + "},\n";
  }
  if (entries.empty()) src += "    {\"\", \"\", nullptr, 0u},\n";
  src +=
      "};\nconst int kWaveResourceCount = " + std::to_string(entries.size()) +
      ";\n\n}  // namespace resources\n";
  std::vector<unsigned char> out(src.begin(), src.end());
  if (!WriteFile(outPath, out)) {
    std::fprintf(stderr, "soundgen: cannot write %s\n", outPath.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace soundgen

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "synth") == 0) {
    return soundgen::Synth(argv[2]);
  }
  if (argc >= 3 && std::strcmp(argv[1], "embed") == 0) {
    return soundgen::Embed(argv[2], argc - 3, argv + 3);
  }
  std::fprintf(stderr,
               "usage: soundgen synth DIR | soundgen embed OUT.cpp "
               "NAME=FILE...\n");
  return 2;
}
