#include "interp/resource_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "interp/path_policy.h"

#ifndef CUBALORN_DATA_DIR
#define CUBALORN_DATA_DIR "/usr/local/share/cubalorn"
#endif

namespace cubalorn {

const char* const kResourceFolderNames[3] = {"media", "shaders", "examples"};

namespace {

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::string executableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

ResourceFolders::ResourceFolders(std::vector<std::string> places) {
    for (std::string& place : places) {
        if (place.empty()) continue;
        if (place[0] == '/') place = lexicallyNormal(place);
        bool seen = false;
        for (const std::string& earlier : places_) seen = seen || earlier == place;
        if (!seen) places_.push_back(std::move(place));
    }
}

ResourceFolders ResourceFolders::forThisProgram() {
    std::vector<std::string> places{currentFolder()};
    const std::string beside = executableFolder();
    if (!beside.empty()) {
        places.push_back(beside);
        places.push_back(beside + "/../share/cubalorn");
    }
    places.push_back(CUBALORN_DATA_DIR);
    return ResourceFolders(std::move(places));
}

std::string ResourceFolders::find(const std::string& name) const {
    for (size_t i = 0; i < places_.size(); ++i) {
        const std::string path = places_[i] + "/" + name;
        if (exists(path)) return i == 0 ? name : path;
    }
    return {};
}

std::string ResourceFolders::describeMissing(const std::string& name) const {
    std::string text = name + " was not found in ";
    for (size_t i = 0; i < places_.size(); ++i) {
        if (i > 0) text += ", ";
        text += places_[i];
    }
    return text;
}

}  // namespace cubalorn
