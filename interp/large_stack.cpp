#include "interp/large_stack.h"

#include <pthread.h>

#include <exception>

namespace cubalorn {

namespace {

struct Job {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* runJob(void* argument) {
    Job* job = static_cast<Job*>(argument);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

}  // namespace

bool runWithLargeStack(const std::function<void()>& work, size_t stackBytes) {
    Job job{&work, nullptr};
    pthread_attr_t attributes;
    bool started = false;
    pthread_t thread;
    if (pthread_attr_init(&attributes) == 0) {
        if (pthread_attr_setstacksize(&attributes, stackBytes) == 0)
            started = pthread_create(&thread, &attributes, runJob, &job) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (!started) {
        work();
        return false;
    }
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

}  // namespace cubalorn
