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

# Warnings are errors in the project's own code; Qt and GoogleTest headers come in as
# system headers and are left alone.
function(kestrune_project_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
