#pragma once
// Watches one file for saves, for `cubalorn --watch`. The main loop asks
// every frame; asking never blocks.
//
// Editors save in different ways: in place (truncate, write, close), or
// atomically (write a temporary file, rename it over the old one), some
// after moving the old one aside. So the watch is on the file's folder
// (inotify), and a change counts only once the file has been quiet for a
// short settle time and no writer holds it open: a save made of several
// steps is read once, complete. Where inotify cannot be had, the file's
// status is read at a fixed interval instead.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace cubalorn {

class FileWatcher {
public:
    using Clock = std::chrono::steady_clock;

    enum class Event {
        None,
        Saved,    // the file has new contents, complete
        Deleted,  // the file is gone (told once until it comes back)
    };

    struct Timing {
        // Quiet time after the last sign of a change before it counts.
        std::chrono::milliseconds settle{150};
        // The status is read this often when there is no inotify.
        std::chrono::milliseconds pollInterval{250};
        // A writer that keeps the file open longer than this is not waited for.
        std::chrono::milliseconds longestWrite{5000};
    };

    enum class Mechanism { Inotify, Polling };

    // Watches `path` as it is now. Polling is used when asked for, or when
    // inotify is not available.
    FileWatcher(std::string path, Mechanism wanted, Timing timing, Clock::time_point now);
    explicit FileWatcher(std::string path)
        : FileWatcher(std::move(path), Mechanism::Inotify, Timing{}, Clock::now()) {}
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    Mechanism mechanism() const { return inotify_ >= 0 ? Mechanism::Inotify : Mechanism::Polling; }
    const std::string& path() const { return path_; }

    Event poll(Clock::time_point now);
    Event poll() { return poll(Clock::now()); }

    // For a loop that sleeps until something happens: the descriptor that
    // becomes readable on a change (-1 when polling), and how long it may
    // sleep before poll has something to do.
    int descriptor() const { return inotify_; }
    std::chrono::milliseconds quietFor(Clock::time_point now) const;

private:
    // What tells one version of the file from another.
    struct Signature {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modifiedNs = 0;
        bool operator==(const Signature& o) const {
            return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
                   modifiedNs == o.modifiedNs;
        }
        bool operator!=(const Signature& o) const { return !(*this == o); }
    };
    Signature read() const;
    void readInotifyEvents(Clock::time_point now);
    void noteActivity(Clock::time_point now);

    std::string path_;
    std::string folder_;
    std::string name_;
    Timing timing_;
    int inotify_ = -1;

    Signature delivered_;  // the version last told (or the one at the start)
    Signature polled_;     // the version the last status read found
    Clock::time_point nextPoll_;
    bool pending_ = false;
    Clock::time_point lastActivity_;
    bool writing_ = false;  // opened for writing and not yet closed
    Clock::time_point writingSince_;
    bool deletedTold_ = false;
};

}  // namespace cubalorn
