#pragma once

// What this process holds right now, from /proc: the figures a leak shows up in.
struct ProcessFigures {
    long residentKiB = 0;
    long heapInUseKiB = 0; // what the allocator has handed out and not been given back
    int descriptors = 0;
    int threads = 0;
};

ProcessFigures MeasureProcess();

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif

// A sanitizer keeps freed memory in quarantine: resident memory tells nothing about leaks
// under one.
inline constexpr bool kResidentMemoryTells = !kSanitizerBuild;
