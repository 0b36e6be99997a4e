// cubalorn: the window program. Without an argument it reads Logo lines at
// the console; with one it runs that program file; the volume is shown in a
// 3-D window after every line.

#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "interp/large_stack.h"
#include "interp/path_policy.h"
#include "interp/resource_folders.h"

int main(int argc, char** argv) {
    using namespace cubalorn;
    const ResourceFolders resources = ResourceFolders::forThisProgram();
    CommandLine commandLine;
    std::string error;
    if (!parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine, error)) {
        std::fprintf(stderr, "cubalorn: %s\ncubalorn --help shows the usage\n", error.c_str());
        return 2;
    }
    if (commandLine.help) {
        std::fputs(usageText(resources.places()).c_str(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    if (commandLine.watch && commandLine.arguments.size() != 1) {
        std::fprintf(stderr, "cubalorn: --watch needs one program file: cubalorn --watch FILE\n");
        return 2;
    }
    const PathPolicy pathPolicy = commandLine.allowAnyPath
                                      ? PathPolicy::anyPath()
                                      : PathPolicy::confinedTo(resources.places()[0], resources);
    ApplicationOptions options;
    options.resources = &resources;
    options.pathPolicy = &pathPolicy;
    options.watchProgram = commandLine.watch;
    int status = 1;
    // Programs nest by native recursion: the whole program, window included,
    // runs on one thread whose stack holds the interpreter's deepest nesting.
    runWithLargeStack([&] {
        StdoutOutput out;
        Application application(out, stdin, options);
        status = application.run(commandLine.arguments);
    });
    return status;
}
