// cubalorn: the window program. Without an argument it reads Logo lines at
// the console; with one it runs that program file; the volume is shown in a
// 3-D window after every line.

#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "interp/large_stack.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    cubalorn::ApplicationOptions options;
    // --watch FILE: program-file mode, running FILE again on every save.
    if (!arguments.empty() && arguments[0] == "--watch") {
        if (arguments.size() != 2) {
            std::fprintf(stderr,
                         "cubalorn: --watch needs one program file: cubalorn --watch FILE\n");
            return 2;
        }
        options.watchProgram = true;
        arguments.erase(arguments.begin());
    }
    int status = 1;
    // Programs nest by native recursion: the whole program, window included,
    // runs on one thread whose stack holds the interpreter's deepest nesting.
    cubalorn::runWithLargeStack([&] {
        cubalorn::StdoutOutput out;
        cubalorn::Application application(out, stdin, options);
        status = application.run(arguments);
    });
    return status;
}
