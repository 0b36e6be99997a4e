#pragma once
// The window program over the engine's null driver, in a scratch folder with
// a configuration that sets every value the tests look at.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/console_dialogue.h"

namespace cubalorn {
namespace {

const std::string kBanner =
    "------------------------------------------------\n"
    "Cubalorn - powered by Irrlicht.\n";
const std::string kHelp =
    "HELP > Show this help\n"
    "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
    "FREECAM > Quit interpreter to fly with freecam\n"
    "QUIT > Quit program\n";

// The four lines above and the window's keys (console_test checks the text).
[[maybe_unused]] std::string fullHelp() {
    StringOutput out;
    printHelp(out);
    return out.text();
}

// A configuration that sets every value the tests look at.
[[maybe_unused]] std::string configuration(const std::string& extra = "") {
    return "<config>\n"
           "<screen dimensionx=\"64\" dimensiony=\"48\" bitsperpixel=\"32\" backgroundred=\"7\" "
           "backgroundgreen=\"8\" backgroundblue=\"9\"/>\n"
           "<effects ambientred=\"1\" ambientgreen=\"2\" ambientblue=\"3\" lightred=\"255\" "
           "lightgreen=\"51\" lightblue=\"0\" lightposx=\"10\" lightposy=\"20\" lightposz=\"30\" "
           "lighttarx=\"-1\" lighttary=\"-2\" lighttarz=\"-3\" useeffects=\"true\" "
           "shadowmapfilter=\"7\"/>\n"
           "<volume maxx=\"3\" maxy=\"4\" maxz=\"5\" cubic=\"true\"/>\n"
           "<camera camx=\"9\" camy=\"9\" camz=\"9\" targetx=\"0\" targety=\"0\" "
           "targetz=\"0\"/>\n" +
           extra + "</config>\n";
}

// Runs each test in a scratch folder holding the configuration (and the
// shipped media, so the voxel texture and the font load).
class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        source_ = cwd;
        char pattern[] = "/tmp/cubalorn-app-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        ASSERT_EQ(symlink((source_ + "/media").c_str(), (folder_ + "/media").c_str()), 0);
        ASSERT_EQ(chdir(folder_.c_str()), 0);
        write("configwindows.xml.txt", configuration());
    }
    void TearDown() override {
        app_.reset();
        if (input_ != nullptr) std::fclose(input_);
        ASSERT_EQ(chdir(source_.c_str()), 0);
        std::system(("rm -rf " + folder_).c_str());
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }

    Application& start(const std::string& consoleInput = "") {
        return startReading(consoleInput.empty() ? std::fopen("/dev/null", "rb")
                                                 : fmemopen(const_cast<char*>(input(consoleInput)),
                                                            consoleInput.size(), "rb"));
    }
    // Console lines from `in`, which the fixture closes.
    Application& startReading(std::FILE* in) {
        input_ = in;
        ApplicationOptions options;
        options.driverType = irr::video::EDT_NULL;
        app_ = std::make_unique<Application>(out_, input_, options);
        return *app_;
    }

    const char* input(const std::string& text) {
        inputText_ = text;
        return inputText_.data();
    }

    std::string source_;
    std::string folder_;
    std::string inputText_;
    std::FILE* input_ = nullptr;
    StringOutput out_;
    std::unique_ptr<Application> app_;
};

}  // namespace
}  // namespace cubalorn
