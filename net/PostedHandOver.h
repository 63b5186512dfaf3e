#pragma once

// The watcher posts events to the console thread through Qt's event queue, which passes a
// lock inside Qt that ThreadSanitizer cannot see (the system's Qt is not built for it):
// the event the watcher made would look unsynchronised when the console thread reads it.
// Marking the post (after the event is made) and its delivery tells it what Qt's queue
// guarantees; in every other build these are nothing.
#if defined(__SANITIZE_THREAD__)
#define KESTRUNE_TSAN_ANNOTATIONS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRUNE_TSAN_ANNOTATIONS 1
#endif
#endif

#if defined(KESTRUNE_TSAN_ANNOTATIONS)
#include <sanitizer/tsan_interface.h>

// Before posting to receiver's thread.
inline void BeforePosting(const void* receiver) { __tsan_release(const_cast<void*>(receiver)); }
// On receiver's thread, before anything posted to it is touched.
inline void OnDelivery(const void* receiver) { __tsan_acquire(const_cast<void*>(receiver)); }
#else
inline void BeforePosting(const void*) {}
inline void OnDelivery(const void*) {}
#endif
