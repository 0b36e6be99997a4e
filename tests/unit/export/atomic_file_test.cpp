// Writing export files: the named file gets all the bytes or keeps what it
// had, nothing else in its directory changes, and every failure says why.

#include "export/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace cubalorn::export_test {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> listDirectory(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/cubalorn_atomic_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const std::string& name : listDirectory(dir)) {
            const std::string path = dir + "/" + name;
            struct stat s;
            if (lstat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode))
                rmdir(path.c_str());
            else
                unlink(path.c_str());
        }
        rmdir(dir.c_str());
    }
    void put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    std::string dir;
};

TEST_F(AtomicFile, WritesNewAndReplacesOldFiles) {
    const std::string bytes("binary\0data\n", 12);
    std::string error;
    ASSERT_TRUE(exporter::writeFileAtomically(dir + "/new.stl", bytes, error)) << error;
    EXPECT_EQ(readFile(dir + "/new.stl"), bytes);

    put("old.stl", "a much longer old content that must go entirely");
    ASSERT_TRUE(exporter::writeFileAtomically(dir + "/old.stl", "short", error)) << error;
    EXPECT_EQ(readFile(dir + "/old.stl"), "short");
    // No temporary file is left beside them.
    EXPECT_EQ(listDirectory(dir), (std::set<std::string>{"new.stl", "old.stl"}));
}

TEST_F(AtomicFile, PermissionsAreThoseOfANewFileOrTheReplacedOne) {
    const mode_t old = umask(022);
    std::string error;
    ASSERT_TRUE(exporter::writeFileAtomically(dir + "/fresh", "x", error)) << error;
    umask(old);
    struct stat s;
    ASSERT_EQ(stat((dir + "/fresh").c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0644u);

    put("kept", "old");
    ASSERT_EQ(chmod((dir + "/kept").c_str(), 0640), 0);
    ASSERT_TRUE(exporter::writeFileAtomically(dir + "/kept", "new", error)) << error;
    ASSERT_EQ(stat((dir + "/kept").c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0640u);
}

TEST_F(AtomicFile, FollowsALinkAndKeepsIt) {
    put("real.obj", "old");
    ASSERT_EQ(symlink("real.obj", (dir + "/link.obj").c_str()), 0);
    std::string error;
    ASSERT_TRUE(exporter::writeFileAtomically(dir + "/link.obj", "new", error)) << error;
    struct stat s;
    ASSERT_EQ(lstat((dir + "/link.obj").c_str(), &s), 0);
    EXPECT_TRUE(S_ISLNK(s.st_mode));
    EXPECT_EQ(readFile(dir + "/real.obj"), "new");
}

struct Refusal {
    const char* name;
    std::string target;  // relative to the test directory
    std::string reason;  // the end of the message
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class AtomicFileRefuses : public AtomicFile, public ::testing::WithParamInterface<Refusal> {};

TEST_P(AtomicFileRefuses, SaysWhyAndChangesNothing) {
    const Refusal& r = GetParam();
    put("bystander", "keep me");
    ASSERT_EQ(mkdir((dir + "/folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("missing/target", (dir + "/dangling").c_str()), 0);
    const std::set<std::string> before = listDirectory(dir);

    std::string error;
    const std::string path = dir + "/" + r.target;
    EXPECT_FALSE(exporter::writeFileAtomically(path, "bytes", error));
    EXPECT_EQ(error.rfind("cannot write '" + path + "': ", 0), 0u) << error;
    EXPECT_EQ(error.substr(error.size() - std::min(error.size(), r.reason.size())), r.reason)
        << error;
    EXPECT_EQ(listDirectory(dir), before);
    EXPECT_EQ(readFile(dir + "/bystander"), "keep me");
}

const Refusal kRefusals[] = {
    {"MissingDirectory", "no/such/dir/out.stl", "does not exist"},
    {"ADirectory", "folder", "it is a directory"},
    {"TrailingSlash", "folder/", "the name is a directory, not a file"},
    {"APipe", "pipe", "it exists and is not a regular file"},
    {"DanglingLink", "dangling", "the symbolic link leads nowhere: No such file or directory"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AtomicFileRefuses, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WriteAll, ReportsAFullDisk) {
    const int fd = open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    int e = 0;
    EXPECT_FALSE(exporter::writeAll(fd, std::string(100000, 'x'), e));
    EXPECT_EQ(e, ENOSPC);
    close(fd);
}

TEST(WriteAll, WritesEverythingThroughAPipe) {
    // A pipe takes a large write in several pieces: all of them must arrive.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes(1 << 20, 'q');
    std::string received;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        int e = 0;
        _exit(exporter::writeAll(fds[1], bytes, e) ? 0 : 1);
    }
    close(fds[1]);
    char buffer[65536];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) received.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(received.size(), bytes.size());
    EXPECT_EQ(received, bytes);
}

}  // namespace
}  // namespace cubalorn::export_test
