// The start-up picture as the SDL back end meets it: a file on disk, read
// and checked through the file seam, then handed to SDL from memory. The
// fuzzer's allocation limit fails any input that gets SDL to allocate what
// a header merely claims.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_folder.h"
#include "platform/sdl/splash_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_splash");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzzing::WriteFile("minititle.bmp", data, size);
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!platform::ReadSplash(*platform::Current(), "minititle.bmp", bytes,
                            error)) {
    if (error.empty()) __builtin_trap();  // the file is there: say why
    return 0;
  }
  SDL_RWops* rw =
      SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (SDL_Surface* bmp = SDL_LoadBMP_RW(rw, 1)) {
    if (bmp->w > platform::kSplashMaxSide ||
        bmp->h > platform::kSplashMaxSide) {
      __builtin_trap();
    }
    SDL_FreeSurface(bmp);
  }
  return 0;
}
