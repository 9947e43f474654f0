// libFuzzer target for the rich-text reader: any input, no crash, no hang, bounded output.
#include "view/rtfreader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RtfDocument doc = ReadRtf(reinterpret_cast<const char*>(data), size, "\r\n");
    size_t covered = 0;
    for (const RtfRun& run : doc.runs) {
        if (run.start != covered || run.start + run.length > doc.text.size())
            std::abort(); // runs must tile the text
        covered += run.length;
    }
    if (covered != doc.text.size() || doc.text.size() > 8 * size + 64)
        std::abort();
    return 0;
}
