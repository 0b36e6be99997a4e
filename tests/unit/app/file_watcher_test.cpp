#include "app/file_watcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace cubalorn {
namespace {

using Event = FileWatcher::Event;
using Mechanism = FileWatcher::Mechanism;
using std::chrono::milliseconds;

void writeFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A folder of its own for each case, so other files never disturb it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = ::testing::TempDir() + "cubalorn-watch-XXXXXX";
        folder_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchFolder() { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

// The events a watcher gives when asked every 50 ms of simulated time for
// two seconds after `act` changed the file.
std::vector<Event> eventsAfter(FileWatcher& watcher, FileWatcher::Clock::time_point& now,
                               const std::function<void()>& act) {
    act();
    std::vector<Event> events;
    for (int i = 0; i < 40; ++i) {
        now += milliseconds(50);
        const Event e = watcher.poll(now);
        if (e != Event::None) events.push_back(e);
    }
    return events;
}

struct SaveCase {
    const char* name;
    // Changes the file at `path` (in a folder of its own) the way a user or
    // an editor does.
    std::function<void(const std::string& path)> act;
    std::vector<Event> expected;
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

const SaveCase kSaveCases[] = {
    {"SavedInPlace", [](const std::string& p) { writeFile(p, "forward 20\n"); }, {Event::Saved}},
    {"SavedByRenamingATemporaryFile",
     [](const std::string& p) {
         writeFile(p + ".tmp", "forward 30 left 90\n");
         std::rename((p + ".tmp").c_str(), p.c_str());
     },
     {Event::Saved}},
    {"OldFileMovedAsideFirst",
     [](const std::string& p) {
         std::rename(p.c_str(), (p + "~").c_str());
         writeFile(p, "forward 40 left 90 up 5\n");
     },
     {Event::Saved}},
    {"SeveralWritesOfOneSave",
     [](const std::string& p) {
         writeFile(p, "");
         writeFile(p, "forward 5\n");
         writeFile(p, "forward 5\nleft 90\n");
     },
     {Event::Saved}},
    {"OtherFilesOfTheFolder",
     [](const std::string& p) {
         writeFile(p + ".bak", "x");
         std::remove((p + ".bak").c_str());
     },
     {}},
};

class FileWatcherSaves : public ::testing::TestWithParam<std::tuple<SaveCase, Mechanism>> {};

TEST_P(FileWatcherSaves, TellEachSaveOnce) {
    const SaveCase& c = std::get<0>(GetParam());
    const Mechanism mechanism = std::get<1>(GetParam());
    ScratchFolder folder;
    const std::string path = folder.path("prog.logo");
    writeFile(path, "a\n");
    auto now = FileWatcher::Clock::time_point{} + milliseconds(1000);
    FileWatcher watcher(path, mechanism, FileWatcher::Timing{}, now);
    ASSERT_EQ(watcher.mechanism(), mechanism);
    EXPECT_EQ(eventsAfter(watcher, now, [&] { c.act(path); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Watch, FileWatcherSaves,
                         ::testing::Combine(::testing::ValuesIn(kSaveCases),
                                            ::testing::Values(Mechanism::Inotify,
                                                              Mechanism::Polling)),
                         [](const ::testing::TestParamInfo<FileWatcherSaves::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Mechanism::Inotify ? "Inotify"
                                                                                   : "Polling");
                         });

// A deletion is told once; the file coming back is a save.
TEST(FileWatcher, DeletedOnceThenBack) {
    for (const Mechanism mechanism : {Mechanism::Inotify, Mechanism::Polling}) {
        ScratchFolder folder;
        const std::string path = folder.path("prog.logo");
        writeFile(path, "a\n");
        auto now = FileWatcher::Clock::time_point{} + milliseconds(1000);
        FileWatcher watcher(path, mechanism, FileWatcher::Timing{}, now);
        EXPECT_EQ(eventsAfter(watcher, now, [&] { std::remove(path.c_str()); }),
                  std::vector<Event>{Event::Deleted});
        EXPECT_EQ(eventsAfter(watcher, now, [&] { writeFile(path + "~", "x"); }),
                  std::vector<Event>{});
        EXPECT_EQ(eventsAfter(watcher, now, [&] { writeFile(path, "back again\n"); }),
                  std::vector<Event>{Event::Saved});
    }
}

// A writer that holds the file open is waited for: the save counts when it
// closes the file, complete.
TEST(FileWatcher, WaitsForTheWriterToClose) {
    ScratchFolder folder;
    const std::string path = folder.path("prog.logo");
    writeFile(path, "a\n");
    auto now = FileWatcher::Clock::time_point{} + milliseconds(1000);
    FileWatcher watcher(path, Mechanism::Inotify, FileWatcher::Timing{}, now);
    const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(eventsAfter(watcher, now, [&] { ASSERT_EQ(write(fd, "forward", 7), 7); }),
              std::vector<Event>{});
    EXPECT_EQ(eventsAfter(watcher, now,
                          [&] {
                              ASSERT_EQ(write(fd, " 10\n", 4), 4);
                              close(fd);
                          }),
              std::vector<Event>{Event::Saved});
}

// Without the folder to watch there is nothing for inotify: the status is read.
TEST(FileWatcher, FallsBackToPolling) {
    auto now = FileWatcher::Clock::time_point{} + milliseconds(1000);
    FileWatcher watcher("/no/such/folder/prog.logo", Mechanism::Inotify, FileWatcher::Timing{},
                        now);
    EXPECT_EQ(watcher.mechanism(), Mechanism::Polling);
    EXPECT_EQ(eventsAfter(watcher, now, [] {}), std::vector<Event>{});
}

}  // namespace
}  // namespace cubalorn
