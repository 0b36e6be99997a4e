#include "session.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace cubalorn::window_testing {

namespace {

std::string configuration(const Session::Settings& s) {
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\"?>\n<config>\n"
        << "<screen dimensionx=\"" << s.width << "\" dimensiony=\"" << s.height
        << "\" bitsperpixel=\"32\" fullscreen=\"false\" backgroundred=\"30\" "
           "backgroundgreen=\"30\" backgroundblue=\"40\"/>\n"
        << "<effects ambientred=\"96\" ambientgreen=\"96\" ambientblue=\"112\" lightred=\"255\" "
           "lightgreen=\"255\" lightblue=\"255\" lightposx=\"10\" lightposy=\"90\" "
           "lightposz=\"10\" lighttarx=\"-20\" lighttary=\"0\" lighttarz=\"-20\" useeffects=\""
        << (s.useEffects ? "true" : "false") << "\" blur=\"false\" shadowmapfilter=\"1\"/>\n"
        << "<volume maxx=\"40\" maxy=\"30\" maxz=\"40\" cubic=\"true\"/>\n"
        << "<camera camx=\"-2\" camy=\"28\" camz=\"-2\" targetx=\"-20\" targety=\"15\" "
           "targetz=\"-20\" showcamerapos=\""
        << (s.showCameraPosition ? "true" : "false") << "\"/>\n</config>\n";
    return xml.str();
}

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

}  // namespace

Rgb Image::at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width_ + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

int Image::count(const std::function<bool(Rgb)>& test, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width_, x1); ++x)
            if (test(at(x, y))) ++n;
    return n;
}

double Image::differenceFrom(const Image& other, int tolerance) const {
    if (other.width_ != width_ || other.height_ != height_ || rgb_.empty()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < rgb_.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(rgb_[i + c] - other.rgb_[i + c]) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / (rgb_.size() / 3);
}

void Image::writePpm(const std::string& path) const {
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << width_ << " " << height_ << "\n255\n";
    file.write(reinterpret_cast<const char*>(rgb_.data()),
               static_cast<std::streamsize>(rgb_.size()));
}

bool sameHue(Rgb p, Rgb c, double minimumCosine, int minimumBrightness) {
    if (p.r + p.g + p.b < minimumBrightness) return false;
    const double dot = p.r * c.r + p.g * c.g + p.b * c.b;
    const double lengths = std::sqrt(double(p.r * p.r + p.g * p.g + p.b * p.b)) *
                           std::sqrt(double(c.r * c.r + c.g * c.g + c.b * c.b));
    return lengths > 0 && dot / lengths >= minimumCosine;
}

bool runCommand(const std::string& command, std::string* output) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return false;
    std::string text;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    const int status = pclose(pipe);
    if (output != nullptr) *output = std::move(text);
    return status == 0;
}

Session::Session(const std::string& name, Settings settings) : name_(name) {
    ::signal(SIGPIPE, SIG_IGN);  // a program that ended must not end the test with it
    char pattern[] = "/tmp/cubalorn-window-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    for (const char* shared : {"media", "shaders", "examples"}) {
        const std::string target = std::string(CUBALORN_SOURCE_DIR) + "/" + shared;
        if (symlink(target.c_str(), (folder_ + "/" + shared).c_str()) != 0)
            throw std::runtime_error("symlink failed for " + target);
    }
    writeFile("configwindows.xml.txt", configuration(settings));
}

Session::~Session() {
    uncover();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) close(input_);
    if (outputFd_ >= 0) close(outputFd_);
    runCommand("rm -rf " + quoted(folder_));
}

void Session::writeFile(const std::string& name, const std::string& text) const {
    std::ofstream file(folder_ + "/" + name, std::ios::binary);
    file << text;
}

void Session::start(const std::vector<std::string>& arguments) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        if (chdir(folder_.c_str()) != 0) _exit(125);
        dup2(in[0], 0);
        dup2(out[1], 1);
        const int err = open("stderr.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) dup2(err, 2);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(CUBALORN_BINARY));
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(CUBALORN_BINARY, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    outputFd_ = out[0];
    fcntl(outputFd_, F_SETFL, fcntl(outputFd_, F_GETFL) | O_NONBLOCK);
}

bool Session::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    // Ended: keep its status for waitForExit.
    pid_ = -1;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    readAvailable(50);
    return false;
}

int Session::waitForExit(milliseconds timeout) {
    if (pid_ <= 0) return exitStatus_;
    const auto end = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        readAvailable(0);
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (Clock::now() > end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    pid_ = -1;
    readAvailable(50);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Session::send(const std::string& line) {
    const std::string text = line + "\n";
    if (input_ < 0) return;
    ssize_t written = write(input_, text.data(), text.size());
    (void)written;
}

void Session::closeInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

void Session::readAvailable(int waitMs) {
    if (outputFd_ < 0) return;
    pollfd p{outputFd_, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0) return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(outputFd_, buffer, sizeof buffer)) > 0) output_.append(buffer, got);
}

const std::string& Session::output() {
    readAvailable(0);
    return output_;
}

size_t Session::waitForOutput(const std::string& text, size_t from, milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    for (;;) {
        readAvailable(20);
        const size_t at = output_.find(text, from);
        if (at != std::string::npos || Clock::now() > end) return at;
    }
}

size_t Session::promptCount() {
    readAvailable(0);
    // A prompt starts a line or follows another prompt; the help's "> " do not.
    size_t n = 0;
    for (size_t at = output_.find("> "); at != std::string::npos; at = output_.find("> ", at + 2)) {
        if (at == 0 || output_[at - 1] == '\n' ||
            (at >= 2 && output_.compare(at - 2, 2, "> ") == 0))
            ++n;
    }
    return n;
}

bool Session::waitForPrompts(size_t count, milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (promptCount() < count) {
        if (Clock::now() > end) return false;
        readAvailable(20);
    }
    return true;
}

bool Session::sendAndWaitForPrompt(const std::string& line) {
    const size_t before = promptCount();
    send(line);
    return waitForPrompts(before + 1);
}

std::string Session::standardError() const {
    std::ifstream file(folder_ + "/stderr.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Session::window(milliseconds timeout) {
    if (!window_.empty()) return window_;
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        std::string found;
        runCommand("xdotool search --name '^(Cubalorn|Cam: .*)$' 2>/dev/null", &found);
        std::istringstream ids(found);
        std::string id;
        if (ids >> id) {
            window_ = id;
            break;
        }
        std::this_thread::sleep_for(milliseconds(100));
    }
    return window_;
}

bool Session::focus() {
    const std::string id = window();
    return !id.empty() && runCommand("xdotool windowfocus --sync " + id + " 2>/dev/null");
}

Image Session::capture() {
    const std::string id = window();
    std::string ppm;
    if (id.empty() || !runCommand("import -window " + id + " -depth 8 ppm:- 2>/dev/null", &ppm))
        return {};
    // P6, width, height, maximum, one white-space byte, then the pixels.
    std::istringstream header(ppm);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    if (magic != "P6" || maximum != 255 || width <= 0 || height <= 0) return {};
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (ppm.size() < start + size) return {};
    return Image(width, height,
                 std::vector<unsigned char>(ppm.begin() + start, ppm.begin() + start + size));
}

Image Session::captureUntil(const std::function<bool(const Image&)>& test, milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    Image image;
    for (;;) {
        image = capture();
        if ((!image.empty() && test(image)) || Clock::now() > end) return image;
        std::this_thread::sleep_for(milliseconds(100));
    }
}

void Session::keep(const Image& image, const std::string& name) const {
    const char* folder = std::getenv("CUBALORN_CAPTURE_DIR");
    if (folder == nullptr || image.empty()) return;
    const std::string base = std::string(folder) + "/" + name_ + "-" + name;
    image.writePpm(base + ".ppm");
    if (runCommand("convert " + quoted(base + ".ppm") + " " + quoted(base + ".png") +
                   " 2>/dev/null"))
        std::remove((base + ".ppm").c_str());
}

void Session::tap(const std::string& key) {
    runCommand("xdotool key " + key);
}

void Session::signal(int number) {
    if (pid_ > 0) kill(pid_, number);
}

void Session::drag(int button, int x0, int y0, int x1, int y1) {
    const std::string id = window();
    const std::string b = std::to_string(button);
    auto at = [&](int x, int y) {
        return " mousemove --window " + id + " " + std::to_string(x) + " " + std::to_string(y);
    };
    runCommand("xdotool" + at(x0, y0) + " mousedown " + b + at((x0 + x1) / 2, (y0 + y1) / 2) +
               at(x1, y1) + " mouseup " + b);
}

bool Session::cover() {
    // ImageMagick's viewer: a plain blue window over the top-left corner,
    // where the program's window stands without a window manager.
    coverPid_ = fork();
    if (coverPid_ == 0) {
        execlp("display", "display", "-title", "cover", "-geometry", "+0+0", "-size", "640x480",
               "xc:blue", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto end = Clock::now() + milliseconds(60000);
    while (Clock::now() < end) {
        std::string found;
        runCommand("xdotool search --name '^cover' 2>/dev/null", &found);
        if (!found.empty()) return true;
        std::this_thread::sleep_for(milliseconds(100));
    }
    return false;
}

void Session::uncover() {
    if (coverPid_ <= 0) return;
    kill(coverPid_, SIGTERM);
    waitpid(coverPid_, nullptr, 0);
    coverPid_ = -1;
}

bool Session::askToClose() {
    const std::string id = window();
    if (id.empty()) return false;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(id);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return sent != 0;
}

void Session::keyDown(const std::string& key) {
    runCommand("xdotool keydown " + key);
}
void Session::keyUp(const std::string& key) {
    runCommand("xdotool keyup " + key);
}

}  // namespace cubalorn::window_testing
