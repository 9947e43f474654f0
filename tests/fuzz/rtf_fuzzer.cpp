// libFuzzer target for the rich-text reader: any input, no crash, no hang, bounded output.
#include "text/rtfreader.h"

#include <cstdlib>

namespace {
bool IsUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RtfDocument doc = ReadRtf(reinterpret_cast<const char*>(data), size, "\r\n");
    size_t covered = 0;
    for (const RtfRun& run : doc.runs) {
        if (run.length == 0 || run.format >= doc.formats.size())
            std::abort(); // runs must tile the text, each with a known format
        covered += run.length;
    }
    for (const RtfFormat& f : doc.formats)
        if (f.font >= static_cast<int>(doc.fonts.size()))
            std::abort();
    if (covered != doc.text.size() || doc.text.size() > 8 * size + 64 || !IsUtf8(doc.text))
        std::abort();
    RtfSignatureOf(reinterpret_cast<const char*>(data), size);
    return 0;
}
