#pragma once
// Runs a piece of a test on a thread with a small stack: 1 MiB is what the
// main thread of a Windows program gets, so a walk that holds there holds
// in the IDE as well.
#include <pthread.h>

#include <cstddef>
#include <functional>
#include <stdexcept>

namespace tarvex::test {

inline void RunOnStack(std::size_t stackBytes, const std::function<void()>& body) {
    struct Call {
        const std::function<void()>* body;
        static void* Run(void* self) {
            (*static_cast<Call*>(self)->body)();
            return nullptr;
        }
    } call{&body};
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) throw std::runtime_error("pthread_attr_init");
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    const int started = pthread_create(&thread, &attr, &Call::Run, &call);
    pthread_attr_destroy(&attr);
    if (started != 0) throw std::runtime_error("pthread_create");
    pthread_join(thread, nullptr);
}

}  // namespace tarvex::test
