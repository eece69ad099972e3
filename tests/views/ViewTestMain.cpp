// Runs the widget tests offscreen: `tests_views NAME [QtTest options]`, or every class without NAME.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>

#include "ViewTest.h"

namespace tessaron::test {

std::map<std::string, ViewTestRunner>& ViewTests()
{
    static std::map<std::string, ViewTestRunner> tests;
    return tests;
}

}  // namespace tessaron::test

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TESSARON_AUDIO_API", "offline", 1);
    QApplication application(argc, argv);
    auto& tests = tessaron::test::ViewTests();
    if (argc > 1 && argv[1][0] != '-') {
        const auto found = tests.find(argv[1]);
        if (found == tests.end()) {
            std::fprintf(stderr, "no test class %s\n", argv[1]);
            return 2;
        }
        argv[1] = argv[0];
        return found->second(argc - 1, argv + 1);
    }
    int failures = 0;
    for (const auto& [name, run] : tests) {
        failures += run(argc, argv) != 0 ? 1 : 0;
    }
    return failures;
}
