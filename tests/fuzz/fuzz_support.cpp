#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "interp/large_stack.h"

namespace cubalorn::fuzz {

namespace {

std::string scratchDirectory;

// Removes every file in the scratch directory.
void clearScratchDirectory() {
    DIR* dir = opendir(scratchDirectory.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        const std::string path = scratchDirectory + "/" + entry->d_name;
        std::remove(path.c_str());
    }
    closedir(dir);
}

void removeScratchDirectory() {
    clearScratchDirectory();
    rmdir(scratchDirectory.c_str());
}

void makeScratchDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cubalorn-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) fail("cannot make a scratch directory", pattern);
    scratchDirectory = pattern;
    std::atexit(removeScratchDirectory);
}

}  // namespace

InScratchDirectory::InScratchDirectory() : callerDirectory_(open(".", O_RDONLY | O_DIRECTORY)) {
    if (scratchDirectory.empty()) makeScratchDirectory();
    clearScratchDirectory();
    if (callerDirectory_ < 0 || chdir(scratchDirectory.c_str()) != 0)
        fail("cannot enter the scratch directory", scratchDirectory);
}

InScratchDirectory::~InScratchDirectory() {
    if (fchdir(callerDirectory_) != 0) fail("cannot go back from the scratch directory");
    close(callerDirectory_);
}

bool quotedWordsStayInScratchDirectory(std::string_view program) {
    // Every '"' is taken as the start of a quoted word, which at worst
    // refuses a harmless input.
    for (size_t quote = program.find('"'); quote != std::string_view::npos;
         quote = program.find('"', quote + 1)) {
        size_t end = quote + 1;
        if (end < program.size() && program[end] == '[') {
            end = program.find(']', end);
        } else {
            while (end < program.size() && !std::isspace(static_cast<unsigned char>(program[end])))
                ++end;
        }
        if (program.substr(quote, end - quote).find('/') != std::string_view::npos) return false;
    }
    return true;
}

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string InputReader::textUntil(char end) {
    std::string text;
    while (position_ < size_) {
        const char c = static_cast<char>(data_[position_++]);
        if (c == end) break;
        text.push_back(c);
    }
    return text;
}

LogoRun::LogoRun(Vec3i volumeMax)
    : volume(Region{{0, 0, 0}, volumeMax}, 32), world(volume), interpreter(world, host, out) {
    interpreter.setExecutionBudget(ExecutionBudget{kFuzzSteps, 0.0});
}

void checkInterpreterRecovers(LogoRun& run) {
    Interpreter& in = run.interpreter;
    if (!in.lineFinished) fail("runLine returned without finishing the line");
    if (in.nestingDepth() != 0)
        fail("a nesting level was left open", std::to_string(in.nestingDepth()));
    if (in.budgetExceeded()) return;
    // A budget of its own: an input that used nearly all of the run's steps
    // must not make the check's line run out of them.
    in.setExecutionBudget(ExecutionBudget{kFuzzSteps, 0.0});
    const size_t before = run.out.text().size();
    in.assignProgram("print 7");
    in.lineFinished = false;
    in.runLine();
    const std::string printed = run.out.text().substr(before);
    if (printed != "7\n") fail("a plain line printed something else afterwards", printed);
}

namespace {

// One thread with the interpreter's stack that runs each input in turn: a
// new thread per input would cost more than most inputs take.
class LargeStackWorker {
public:
    LargeStackWorker() {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, kInterpreterStackBytes);
        if (pthread_create(&thread_, &attributes, &LargeStackWorker::loop, this) != 0)
            fail("cannot start the worker thread");
        pthread_attr_destroy(&attributes);
    }

    void run(const std::function<void()>& work) {
        std::unique_lock<std::mutex> lock(mutex_);
        work_ = &work;
        changed_.notify_all();
        changed_.wait(lock, [this] { return work_ == nullptr; });
    }

private:
    static void* loop(void* self) {
        auto* worker = static_cast<LargeStackWorker*>(self);
        std::unique_lock<std::mutex> lock(worker->mutex_);
        for (;;) {
            worker->changed_.wait(lock, [worker] { return worker->work_ != nullptr; });
            (*worker->work_)();
            worker->work_ = nullptr;
            worker->changed_.notify_all();
        }
        return nullptr;
    }

    pthread_t thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* work_ = nullptr;
};

bool mainStackIsLarge() {
    rlimit limit;
    return getrlimit(RLIMIT_STACK, &limit) == 0 &&
           (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= kInterpreterStackBytes);
}

}  // namespace

void startWithLargeStack(char** argv) {
    if (mainStackIsLarge()) return;
    rlimit limit;
    if (getrlimit(RLIMIT_STACK, &limit) != 0) return;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kInterpreterStackBytes) return;
    limit.rlim_cur = kInterpreterStackBytes;
    if (setrlimit(RLIMIT_STACK, &limit) != 0) return;
    execv("/proc/self/exe", argv);  // returns only when it fails: the worker thread serves then
}

void onLargeStack(const std::function<void()>& work) {
    if (mainStackIsLarge()) {
        work();
        return;
    }
    // Never destroyed: the thread waits for work until the process ends.
    static LargeStackWorker* worker = new LargeStackWorker;
    worker->run(work);
}

}  // namespace cubalorn::fuzz
