# Flags and helpers shared by every target of our own. Third-party code
# (GoogleTest) is built without our warning flags.

if(MINGW)
  # One self-contained exe: no libstdc++, libgcc or winpthread DLL beside it.
  add_link_options(-static)
  if(TOLLIVANE_STRIP)
    add_link_options(-s)
  endif()
endif()

if(TOLLIVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

function(tollivane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
  endif()
endfunction()

# tollivane_library(name SOURCES...) : one static library per layer folder;
# its headers are included as "layer/Header.h" from src/.
function(tollivane_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  tollivane_warnings(${name})
  if(WIN32)
    target_compile_definitions(${name} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
endfunction()

# tollivane_test(name SOURCES... LIBS ...) : one GoogleTest executable, one CTest
# test. Cross-built tests run through CMAKE_CROSSCOMPILING_EMULATOR; one test per
# executable because every Wine start costs seconds.
function(tollivane_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE TOLLIVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  tollivane_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# tollivane_alsa_capture(config capture [truncate]) : writes an ALSA
# configuration whose default device sends what is played (under Wine, what
# waveOut plays) into the WAV file capture over the null device, so that a
# test hears the program without a sound card. truncate false: each reopening
# of the device starts a new numbered file beside the first instead of
# emptying it.
function(tollivane_alsa_capture config capture)
  set(truncate "")
  if(ARGC GREATER 2)
    set(truncate "  truncate ${ARGV2}\n")
  endif()
  file(WRITE ${config}
    "pcm.!default {\n"
    "  type file\n"
    "  slave { pcm { type null } }\n"
    "  file \"${capture}\"\n"
    "  format \"wav\"\n"
    "${truncate}"
    "}\n")
endfunction()
