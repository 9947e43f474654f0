// The component's document reports its own faults through the platform layer, which the window
// part provides in the program; the text core's tests run without it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <Platform.h>

namespace Scintilla {
void Platform::DebugPrintf(const char*, ...) {}

void Platform::Assert(const char* c, const char* file, int line) {
    std::fprintf(stderr, "Assertion [%s] failed at %s %d\n", c, file, line);
    std::abort();
}
} // namespace Scintilla
