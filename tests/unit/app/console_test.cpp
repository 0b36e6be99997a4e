#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/console_dialogue.h"
#include "app/console_input.h"

namespace cubalorn {
namespace {

// Standard input replaced by a memory stream.
class FakeStdin {
public:
    explicit FakeStdin(const std::string& text) : text_(text) {
        file_ = text_.empty() ? std::fopen("/dev/null", "rb")
                              : fmemopen(text_.data(), text_.size(), "rb");
    }
    ~FakeStdin() { std::fclose(file_); }
    std::FILE* get() { return file_; }

private:
    std::string text_;
    std::FILE* file_;
};

const std::string kTooLong =
    "ERROR - console line longer than 79 characters, nothing of it was run\n";

struct ReadCase {
    const char* name;
    std::string input;
    std::vector<ConsoleRead> results;
    std::vector<std::string> lines;  // the line after each read
    std::string printed;
};
void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ConsoleInputTest : public ::testing::TestWithParam<ReadCase> {};

// Every case read on the caller's thread and again through the reader thread
// (request, wait, take), which must give the same lines and messages.
TEST_P(ConsoleInputTest, Reads) {
    const ReadCase& c = GetParam();
    for (const bool threaded : {false, true}) {
        FakeStdin in(c.input);
        StringOutput out;
        ConsoleInput input(in.get(), out);
        for (size_t i = 0; i < c.results.size(); ++i) {
            std::string line = "stale";
            ConsoleRead read = ConsoleRead::Interrupted;
            if (threaded) {
                input.request();
                ASSERT_TRUE(input.waitUntilReady(std::chrono::seconds(10)));
                ASSERT_TRUE(input.take(read, line));
                EXPECT_FALSE(input.take(read, line)) << "one line per request";
            } else {
                read = input.readLine(line);
            }
            EXPECT_EQ(read, c.results[i]) << "read " << i << (threaded ? " threaded" : "");
            EXPECT_EQ(line, c.lines[i]) << "read " << i << (threaded ? " threaded" : "");
        }
        EXPECT_EQ(out.text(), c.printed) << (threaded ? "threaded" : "");
    }
}

const std::string k79(79, 'a');
const std::string k80(80, 'b');

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleInputTest,
    ::testing::Values(
        ReadCase{"TwoLines",
                 "forward 10\nhelp\n",
                 {ConsoleRead::Line, ConsoleRead::Line, ConsoleRead::EndOfInput},
                 {"forward 10", "help", ""},
                 ""},
        ReadCase{"EmptyLine", "\n", {ConsoleRead::Line, ConsoleRead::EndOfInput}, {"", ""}, ""},
        ReadCase{"LastLineWithoutNewline",
                 "quit",
                 {ConsoleRead::Line, ConsoleRead::EndOfInput},
                 {"quit", ""},
                 ""},
        ReadCase{"CarriageReturnDropped", "help\r\n", {ConsoleRead::Line}, {"help"}, ""},
        // The line is a zero-terminated text: a zero byte ends it there.
        ReadCase{"ZeroByteEndsTheLine",
                 std::string("help\0junk\nnext\n", 15),
                 {ConsoleRead::Line, ConsoleRead::Line},
                 {"help", "next"},
                 ""},
        ReadCase{"ExactlyTheLimit", k79 + "\n", {ConsoleRead::Line}, {k79}, ""},
        ReadCase{"LimitWithCarriageReturn", k79 + "\r\n", {ConsoleRead::Line}, {k79}, ""},
        ReadCase{"OneOverTheLimit",
                 k80 + "\nnext\n",
                 {ConsoleRead::TooLong, ConsoleRead::Line},
                 {"", "next"},
                 kTooLong},
        ReadCase{"FarOverTheLimitDiscardsTheRest",
                 std::string(5000, 'x') + "\nhelp\n",
                 {ConsoleRead::TooLong, ConsoleRead::Line, ConsoleRead::EndOfInput},
                 {"", "help", ""},
                 kTooLong},
        ReadCase{"TooLongAtEndOfInput",
                 k80,
                 {ConsoleRead::TooLong, ConsoleRead::EndOfInput},
                 {"", ""},
                 kTooLong},
        ReadCase{
            "ClosedInput", "", {ConsoleRead::EndOfInput, ConsoleRead::EndOfInput}, {"", ""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Output that remembers what had been written when it was flushed.
class FlushRecordingOutput : public Output {
public:
    void write(std::string_view text) override { text_.append(text); }
    void flush() override { flushedAt.push_back(text_); }
    std::vector<std::string> flushedAt;

private:
    std::string text_;
};

TEST(ConsoleInput, FlushesBeforeEveryRead) {
    FakeStdin in("a\nb\n");
    FlushRecordingOutput out;
    ConsoleInput input(in.get(), out);
    std::string line;
    out.print("> ");
    input.readLine(line);
    out.print("> ");
    input.readLine(line);
    EXPECT_EQ(out.flushedAt, (std::vector<std::string>{"> ", "> > "}));
}

// A pipe nobody has written to yet: a read from it waits.
class SilentPipe {
public:
    SilentPipe() {
        int fds[2];
        if (pipe(fds) == 0) {
            file_ = fdopen(fds[0], "rb");
            writer_ = fds[1];
        }
    }
    ~SilentPipe() {
        if (writer_ >= 0) close(writer_);
        if (file_ != nullptr) std::fclose(file_);
    }
    std::FILE* get() { return file_; }
    void write(const std::string& text) {
        ASSERT_EQ(::write(writer_, text.data(), text.size()), ssize_t(text.size()));
    }

private:
    std::FILE* file_ = nullptr;
    int writer_ = -1;
};

TEST(ConsoleInput, AWaitGivenUpKeepsTheLineAskedFor) {
    SilentPipe pipe;
    ASSERT_NE(pipe.get(), nullptr);
    StringOutput out;
    int asked = 0;
    std::string line = "stale";
    {
        ConsoleInput input(pipe.get(), out);
        EXPECT_EQ(input.readLine(line, [&] { return ++asked < 3; }), ConsoleRead::Interrupted);
        EXPECT_EQ(asked, 3) << "asked between waits until it said no";
        EXPECT_EQ(line, "");
        EXPECT_TRUE(input.requested());
        // The line typed afterwards is the one asked for, and READLIST's
        // next read or the prompt's takes it.
        pipe.write("typed later\nnext\n");
        EXPECT_EQ(input.readLine(line), ConsoleRead::Line);
        EXPECT_EQ(line, "typed later");
        EXPECT_FALSE(input.requested());
        EXPECT_EQ(input.readLine(line, [] { return false; }), ConsoleRead::Line);
        EXPECT_EQ(line, "next");
        pipe.write("x\n");  // lets nothing wait on the pipe when the input goes
    }
    EXPECT_EQ(out.text(), "");
}

class RecordingActions : public ConsoleActions {
public:
    void runProgramLine(const std::string& line) override { calls.push_back("run:" + line); }
    void undoLine() override { calls.push_back("undo"); }
    void redoLine() override { calls.push_back("redo"); }
    void enterFreeCamera() override { calls.push_back("freecam"); }
    std::vector<std::string> calls;
};

const std::string kHelp =
    "HELP > Show this help\n"
    "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
    "FREECAM > Quit interpreter to fly with freecam\n"
    "QUIT > Quit program\n";
const std::string kUndoHelp =
    "UNDO > Undo the last line: drawing, turtle, pen and colours (variables stay)\n"
    "REDO > Redo the line UNDO took back\n";

std::string helpText() {
    StringOutput out;
    printHelp(out);
    return out.text();
}

struct DialogueCase {
    const char* name;
    int lines;  // how many lines the dialogue takes
    std::string input;
    std::string printed;
    std::vector<std::string> calls;
    int state;
};
void PrintTo(const DialogueCase& c, std::ostream* os) {
    *os << c.name;
}

class ConsoleDialogueTest : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(ConsoleDialogueTest, Runs) {
    const DialogueCase& c = GetParam();
    FakeStdin in(c.input);
    StringOutput out;
    ConsoleInput input(in.get(), out);
    RecordingActions actions;
    ConsoleDialogue dialogue(input, out, actions);
    for (int i = 0; i < c.lines; ++i) {
        EXPECT_FALSE(dialogue.step()) << "the first step prompts";
        EXPECT_TRUE(dialogue.awaitingLine());
        ASSERT_TRUE(input.waitUntilReady(std::chrono::seconds(10)));
        EXPECT_TRUE(dialogue.step()) << "the second takes the line";
    }
    EXPECT_EQ(out.text(), c.printed);
    EXPECT_EQ(actions.calls, c.calls);
    EXPECT_EQ(dialogue.state(), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleDialogueTest,
    ::testing::Values(
        DialogueCase{"EmptyAndHelpBeforeFirstLine",
                     3,
                     "\nhelp\nforward 5\n",
                     "> > " + helpText() + "> ",
                     {"run:forward 5"},
                     kLinesRun},
        DialogueCase{"EmptyAfterFirstLine",
                     3,
                     "forward 5\n\nHeLp\n",
                     "> > > " + helpText(),
                     {"run:forward 5"},
                     kLinesRun},
        DialogueCase{"QuitIgnoresCase", 1, "qUiT\n", "> ", {}, kQuit},
        // UNDO and REDO end the dialogue as a line does, so the window redraws.
        DialogueCase{"UndoAndRedoIgnoreCase",
                     3,
                     "forward 5\nuNdO\nRedo\n",
                     "> > > ",
                     {"run:forward 5", "undo", "redo"},
                     kLinesRun},
        DialogueCase{"UndoBeforeAnyLine", 1, "UNDO\n", "> ", {"undo"}, kLinesRun},
        DialogueCase{"UndoWithMoreIsAProgramLine", 1, "undo 2\n", "> ", {"run:undo 2"}, kLinesRun},
        DialogueCase{"FreecamEndsTheConsole", 1, "freecam\n", "> ", {"freecam"}, kFreeCamera},
        // Only the whole line is a command.
        DialogueCase{"LeadingSpaceMakesAProgramLine", 1, " help\n", "> ", {"run: help"}, kLinesRun},
        DialogueCase{
            "FurtherWordsMakeAProgramLine", 1, "quit now\n", "> ", {"run:quit now"}, kLinesRun},
        DialogueCase{"EndOfInputQuits", 1, "", "> ", {}, kQuit},
        DialogueCase{"ZeroByteEndsTheCommand", 1, std::string("quit\0 now\n", 10), "> ", {}, kQuit},
        DialogueCase{"EndOfInputAfterEmptyLines", 3, "\n\n", "> > > ", {}, kQuit},
        DialogueCase{"TooLongLineRunsNothing",
                     2,
                     std::string(120, 'f') + "\nquit\n",
                     "> " + kTooLong + "> ",
                     {},
                     kQuit},
        DialogueCase{"TooLongAfterFirstLineRunsNothing",
                     2,
                     "forward 1\n" + std::string(90, 'f') + "\n",
                     "> > " + kTooLong,
                     {"run:forward 1"},
                     kLinesRun}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConsoleText, BannerAndHelpAreExact) {
    StringOutput out;
    printBanner(out);
    EXPECT_EQ(
        out.text(),
        "------------------------------------------------\nCubalorn - powered by Irrlicht.\n");
    EXPECT_EQ(out.text().find('\n'), 48u) << "48 dashes";
    out.clear();
    printHelp(out);
    // The four command lines come first, as they always were; the window's
    // keys follow, each named, and UNDO and REDO close the text.
    ASSERT_EQ(out.text().substr(0, kHelp.size()), kHelp);
    ASSERT_GE(out.text().size(), kHelp.size() + kUndoHelp.size());
    EXPECT_EQ(out.text().substr(out.text().size() - kUndoHelp.size()), kUndoHelp);
    const std::string keys = out.text().substr(kHelp.size());
    for (const char* key : {"left-drag", "right-drag", "wheel", "middle-drag", " F ", " T ", " G ",
                            " O ", " M ", "W S A D", "Enter", "Escape", "Ctrl+C"})
        EXPECT_NE(keys.find(key), std::string::npos) << key;
}

}  // namespace
}  // namespace cubalorn
