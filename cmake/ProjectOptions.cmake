# Build switches shared by every target of the project.
#   KESTRUNE_SANITIZE: empty, "address" (AddressSanitizer + UndefinedBehaviorSanitizer)
#                      or "thread" (ThreadSanitizer).
#   KESTRUNE_FUZZ:     build the libFuzzer targets (needs clang).
set(KESTRUNE_SANITIZE "" CACHE STRING "Sanitizer build: empty, address or thread")
option(KESTRUNE_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(KESTRUNE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(KESTRUNE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT KESTRUNE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KESTRUNE_SANITIZE must be empty, address or thread")
endif()

# The hardening Debian builds its packages with: fortified libc calls, a stack
# protector, and relocations resolved at start and then made read-only, so that a write
# through a stray pointer cannot redirect a library call. The sanitizer and fuzz builds
# check those calls themselves, and glibc's fortified calls need optimisation.
if(KESTRUNE_SANITIZE STREQUAL "" AND NOT KESTRUNE_FUZZ AND NOT WIN32)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()

# Warnings are errors in the project's own code; Qt and GoogleTest headers come in as
# system headers and are left alone.
function(kestrune_project_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# A helper that holds a capability (the echo helper, the neighbour helper): it links no Qt
# and nothing at run time, only the platform layer, statically; the sanitizer and fuzz
# builds link it as they link everything. It is built beside the window's program, where a
# program run from the build tree looks for it, and installed to libexec/kestrune.
function(kestrune_capability_helper target)
  add_executable(${target} ${ARGN})
  kestrune_project_target(${target})
  target_link_libraries(${target} PRIVATE kestrune_platform)
  set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
  if(KESTRUNE_SANITIZE STREQUAL "" AND NOT KESTRUNE_FUZZ)
    # No run path either: a static PIE with one does not start.
    target_link_options(${target} PRIVATE -static-pie)
    set_target_properties(${target} PROPERTIES SKIP_BUILD_RPATH ON INSTALL_RPATH "")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION libexec/kestrune)
endfunction()
