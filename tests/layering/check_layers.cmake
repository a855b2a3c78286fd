# Fails when an include in src/ runs against the layering:
#   base <- video, sound <- game <- scenes <- loop   (the core)
#   base <- platform/os <- platform/system <- platform/{headless,sdl,web}
# Each core folder includes only the folders below it. The OS file layer
# (os/, with posix/ and windows/) sees only base and itself, and so does the
# Windows program's entry (platform/windows); the portable system parts see
# the core and the OS layer; a back end includes those, never another back
# end; only main() sees them all. The core includes no SDL, POSIX or
# other system library header, and neither SDL nor the browser reaches the
# layers every back end shares.
#   cmake -DSRC=<the src folder> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_base base)
set(allowed_video base video)
set(allowed_sound base sound)
set(allowed_game base video sound game)
set(allowed_scenes base video sound game scenes)
set(allowed_loop base video sound game scenes loop)
set(core ${allowed_loop})
set(allowed_platform/os base platform/os)
set(allowed_platform/os/posix base platform/os platform/os/posix)
set(allowed_platform/os/windows base platform/os platform/os/windows)
set(allowed_platform/windows base platform/os platform/os/windows)
set(shared platform/os platform/system)
set(allowed_platform/system ${core} ${shared})
set(allowed_platform/headless ${core} ${shared} platform/headless)
set(allowed_platform/sdl ${core} ${shared} platform/sdl)
set(allowed_platform/web ${core} ${shared} platform/web)
set(allowed_platform ${core} ${shared} platform/headless platform/sdl
    platform/web)
set(shared_folders platform/os platform/os/posix platform/os/windows
    platform/system)
# Headers of libraries and systems the core must not see.
set(foreign_headers
    "^(SDL|png|zlib|emscripten|sys/|unistd|fcntl|dirent|pthread|poll|spawn|signal\\.h|dlfcn|pwd|termios)")

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(faults 0)
foreach(file ${files})
  get_filename_component(folder ${file} DIRECTORY)
  if(NOT DEFINED allowed_${folder})
    message(SEND_ERROR "${file}: in no known layer (add its folder here)")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${SRC}/${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${includes})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      get_filename_component(target ${CMAKE_MATCH_1} DIRECTORY)
      if(target STREQUAL "")
        continue()  # a file beside this one
      endif()
      if(NOT target IN_LIST allowed_${folder})
        message(SEND_ERROR "${file}: includes ${CMAKE_MATCH_1}, "
                           "which ${folder} must not depend on")
        math(EXPR faults "${faults} + 1")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(header ${CMAKE_MATCH_1})
      if(folder IN_LIST core AND header MATCHES "${foreign_headers}")
        message(SEND_ERROR "${file}: the core includes <${header}>")
        math(EXPR faults "${faults} + 1")
      elseif(folder IN_LIST shared_folders AND
             header MATCHES "^(SDL|emscripten)")
        message(SEND_ERROR "${file}: a shared layer includes <${header}>")
        math(EXPR faults "${faults} + 1")
      endif()
    endif()
  endforeach()
endforeach()
list(LENGTH files count)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} includes against the layering")
endif()
message(STATUS "${count} files, every include in its layer")
