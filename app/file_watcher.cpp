#include "app/file_watcher.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cubalorn {

namespace {

constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

FileWatcher::FileWatcher(std::string path, Mechanism wanted, Timing timing, Clock::time_point now)
    : path_(std::move(path)), timing_(timing) {
    const size_t slash = path_.rfind('/');
    if (slash == std::string::npos) {
        folder_ = ".";
        name_ = path_;
    } else {
        folder_ = slash == 0 ? "/" : path_.substr(0, slash);
        name_ = path_.substr(slash + 1);
    }
    if (wanted == Mechanism::Inotify) {
        inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_ >= 0 && inotify_add_watch(inotify_, folder_.c_str(), kFolderEvents) < 0) {
            close(inotify_);
            inotify_ = -1;
        }
    }
    delivered_ = polled_ = read();
    deletedTold_ = !delivered_.exists;
    nextPoll_ = now + timing_.pollInterval;
}

FileWatcher::~FileWatcher() {
    if (inotify_ >= 0) close(inotify_);
}

FileWatcher::Signature FileWatcher::read() const {
    Signature s;
    struct stat status;
    if (stat(path_.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return s;
    s.exists = true;
    s.device = status.st_dev;
    s.inode = status.st_ino;
    s.size = status.st_size;
    s.modifiedNs = int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    return s;
}

void FileWatcher::noteActivity(Clock::time_point now) {
    pending_ = true;
    lastActivity_ = now;
}

void FileWatcher::readInotifyEvents(Clock::time_point now) {
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            return;  // EAGAIN: nothing more for now
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                // The folder itself went away: nothing more will come from
                // the watch, so read the status from now on.
                close(inotify_);
                inotify_ = -1;
                polled_ = read();
                noteActivity(now);
                return;
            }
            if (event->mask & IN_Q_OVERFLOW) {
                noteActivity(now);
                continue;
            }
            if (event->len == 0 || std::strcmp(event->name, name_.c_str()) != 0) continue;
            if (event->mask & (IN_CREATE | IN_MODIFY)) {
                if (!writing_) writingSince_ = now;
                writing_ = true;
            }
            if (event->mask & (IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
                writing_ = false;
            noteActivity(now);
        }
    }
}

std::chrono::milliseconds FileWatcher::quietFor(Clock::time_point now) const {
    using std::chrono::milliseconds;
    Clock::time_point due = Clock::time_point::max();
    if (pending_)
        due = writing_ ? writingSince_ + timing_.longestWrite : lastActivity_ + timing_.settle;
    if (pending_ && writing_)
        due = std::min(due, now + timing_.settle);  // the close may come any time
    if (inotify_ < 0) due = std::min(due, nextPoll_);
    if (due == Clock::time_point::max()) return milliseconds::max();
    if (due <= now) return milliseconds(0);
    // Rounded up, so that a sleep of that long finds it due.
    return std::chrono::ceil<milliseconds>(due - now);
}

FileWatcher::Event FileWatcher::poll(Clock::time_point now) {
    if (inotify_ >= 0) {
        readInotifyEvents(now);
    } else if (now >= nextPoll_) {
        nextPoll_ = now + timing_.pollInterval;
        const Signature s = read();
        if (s != polled_) {
            polled_ = s;
            noteActivity(now);
        }
    }
    if (!pending_ || now - lastActivity_ < timing_.settle) return Event::None;
    if (writing_ && now - writingSince_ < timing_.longestWrite) return Event::None;

    const Signature s = read();
    if (inotify_ < 0 && s != polled_) {
        // Still changing: it must look the same for a whole settle time.
        polled_ = s;
        noteActivity(now);
        return Event::None;
    }
    pending_ = false;
    writing_ = false;
    if (!s.exists) {
        if (deletedTold_) return Event::None;
        deletedTold_ = true;
        delivered_ = s;
        return Event::Deleted;
    }
    deletedTold_ = false;
    // A save in the same clock tick as the last one may leave size and time
    // alike; inotify has seen it all the same.
    if (inotify_ < 0 && s == delivered_) return Event::None;
    delivered_ = s;
    return Event::Saved;
}

}  // namespace cubalorn
