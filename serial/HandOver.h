#pragma once

// Marks an object handed from one thread to another through Qt's event queue. Debian's Qt is not
// built for the thread sanitizer, which therefore cannot see the queue's own locking; in such a
// build these calls tell it that everything written before the post is visible after the receipt.
// Elsewhere they cost nothing.

#if defined(__SANITIZE_THREAD__)
#define QUILLON_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLON_THREAD_SANITIZER 1
#endif
#endif

#ifdef QUILLON_THREAD_SANITIZER
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace serial {

// In the posting thread, just before the post.
inline void announceHandOver([[maybe_unused]] void *object)
{
#ifdef QUILLON_THREAD_SANITIZER
    __tsan_release(object);
#endif
}

// In the receiving thread, before the object is read.
inline void acceptHandOver([[maybe_unused]] void *object)
{
#ifdef QUILLON_THREAD_SANITIZER
    __tsan_acquire(object);
#endif
}

} // namespace serial
