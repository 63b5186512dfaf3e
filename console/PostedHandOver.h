#pragma once

// The watcher reaches the console thread through Qt's event queue: posted events and
// queued calls, made on the watcher and run on the console thread. Qt hands them over
// under a lock of its own, which ThreadSanitizer cannot see (the system's Qt is not built
// for it), so everything the watcher wrote into a post would look unsynchronised where the
// console thread reads it. In a ThreadSanitizer build a lock of ours stands in for Qt's:
// the sender holds it while it makes and posts, the receiver takes it before it touches
// what was posted. In every other build both are nothing.
#if defined(__SANITIZE_THREAD__)
#define KESTRUNE_POSTED_HAND_OVER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRUNE_POSTED_HAND_OVER 1
#endif
#endif

#if defined(KESTRUNE_POSTED_HAND_OVER)
#include <mutex>

inline std::mutex& PostedHandOverLock() {
    static std::mutex lock;
    return lock;
}

// Held around making and posting an event or a queued call.
class PostingScope {
public:
    PostingScope() { PostedHandOverLock().lock(); }
    ~PostingScope() { PostedHandOverLock().unlock(); }
    PostingScope(const PostingScope&) = delete;
    PostingScope& operator=(const PostingScope&) = delete;
};

// First thing where the post is delivered.
inline void OnDelivery() {
    const std::lock_guard delivered(PostedHandOverLock());
}
#else
class PostingScope {
public:
    // Not defaulted: a scope that does nothing is still no unused variable.
    PostingScope() {}
    ~PostingScope() {}
    PostingScope(const PostingScope&) = delete;
    PostingScope& operator=(const PostingScope&) = delete;
};

inline void OnDelivery() {}
#endif
