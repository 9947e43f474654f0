#include "view/rtfreader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>

namespace {
constexpr int kMaxDepth = 256;
constexpr int kMaxParamDigits = 10;

// The characters 0x80 to 0x9F of Windows-1252; the rest of it is Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t c) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Turns the bytes of a code page into UTF-8; multi-byte code pages through iconv.
class CodePage {
public:
    ~CodePage() { Close(); }
    void Set(int page) {
        if (page == m_page)
            return;
        Close();
        m_page = page;
        if (page != 1252 && page != 0 && page != 65001) {
            const std::string name = "CP" + std::to_string(page);
            m_iconv = iconv_open("UTF-8", name.c_str());
        }
    }
    void Append(std::string& out, uint8_t byte) {
        if (m_iconv == reinterpret_cast<iconv_t>(-1)) {
            AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte);
            return;
        }
        // A lead byte waits for the byte that completes it.
        m_pending += static_cast<char>(byte);
        char buf[16];
        char* in = m_pending.data();
        size_t inLeft = m_pending.size();
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        if (iconv(m_iconv, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) &&
            errno == EINVAL && m_pending.size() < 4)
            return;
        out.append(buf, outPtr);
        if (outPtr == buf)
            AppendUtf8(out, 0xFFFD);
        m_pending.clear();
        iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
    }

private:
    void Close() {
        if (m_iconv != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_iconv);
        m_iconv = reinterpret_cast<iconv_t>(-1);
        m_pending.clear();
    }
    int m_page = 1252;
    iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
    std::string m_pending;
};

enum class Dest { Text, Skip, FontTable, ColorTable };

struct State {
    RtfFormat format;
    Dest dest = Dest::Text;
    int uc = 1;
};

class Reader {
public:
    Reader(const char* data, size_t size, const std::string& lineEnd)
        : m_p(data), m_end(data + size), m_lineEnd(lineEnd) {}

    RtfDocument Read() {
        m_stack.push_back(State());
        while (m_p < m_end) {
            const char c = *m_p++;
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                ControlSymbolOrWord();
            } else if (c != '\r' && c != '\n') {
                Char(static_cast<uint8_t>(c));
            }
        }
        FinishFontEntry();
        return std::move(m_doc);
    }

private:
    State& Top() { return m_stack.back(); }

    void OpenGroup() {
        m_skipChars = 0;
        if (m_stack.size() >= kMaxDepth) {
            ++m_ignoredDepth; // too deep: the group is read but not kept apart
            return;
        }
        m_stack.push_back(Top());
        m_justOpened = true;
    }

    void CloseGroup() {
        m_skipChars = 0;
        if (m_ignoredDepth > 0) {
            --m_ignoredDepth;
            return;
        }
        if (m_stack.size() <= 1)
            return; // unbalanced: a stray closing brace is ignored
        if (Top().dest == Dest::FontTable)
            FinishFontEntry();
        m_stack.pop_back();
    }

    // Text of the current destination.
    void Char(uint8_t c) {
        m_justOpened = false;
        if (c == 0)
            return; // NUL is no character of a text
        State& s = Top();
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        switch (s.dest) {
        case Dest::Text: {
            std::string bytes;
            m_codePage.Append(bytes, c);
            Emit(bytes);
            break;
        }
        case Dest::FontTable:
            if (c == ';')
                FinishFontEntry();
            else if (m_fontName.size() < 256)
                m_fontName += static_cast<char>(c);
            break;
        case Dest::ColorTable:
            if (c == ';') {
                m_doc.colors.push_back(m_color);
                m_color = 0;
            }
            break;
        case Dest::Skip:
            break;
        }
    }

    void EmitCode(uint32_t c) {
        if (Top().dest != Dest::Text)
            return;
        std::string bytes;
        AppendUtf8(bytes, c);
        Emit(bytes);
    }

    void Emit(const std::string& bytes) {
        if (bytes.empty())
            return;
        const RtfFormat& f = Top().format;
        if (m_doc.runs.empty() || !(m_doc.runs.back().format == f))
            m_doc.runs.push_back({m_doc.text.size(), 0, f});
        m_doc.text += bytes;
        m_doc.runs.back().length += bytes.size();
    }

    void FinishFontEntry() {
        if (m_fontIndex < 0)
            return;
        while (!m_fontName.empty() && std::isspace(static_cast<uint8_t>(m_fontName.back())))
            m_fontName.pop_back();
        m_fontNames[m_fontIndex] = m_fontName;
        m_fontIndex = -1;
        m_fontName.clear();
    }

    void ControlSymbolOrWord() {
        if (m_p >= m_end)
            return;
        const char c = *m_p;
        if (!std::isalpha(static_cast<uint8_t>(c))) {
            ++m_p;
            ControlSymbol(c);
            return;
        }
        const char* word = m_p;
        while (m_p < m_end && std::isalpha(static_cast<uint8_t>(*m_p)) && m_p - word < 32)
            ++m_p;
        const std::string name(word, m_p);
        while (m_p < m_end && std::isalpha(static_cast<uint8_t>(*m_p)))
            ++m_p; // an overlong word is cut
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (m_p < m_end && *m_p == '-') {
            negative = true;
            ++m_p;
        }
        int digits = 0;
        while (m_p < m_end && std::isdigit(static_cast<uint8_t>(*m_p))) {
            if (digits++ < kMaxParamDigits)
                param = param * 10 + (*m_p - '0');
            hasParam = true;
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        param = std::clamp(negative ? -param : param, -2147483648LL, 2147483647LL);
        Word(name, hasParam, static_cast<int>(param));
    }

    void ControlSymbol(char c) {
        m_justOpened = false;
        if (m_skipChars > 0 && c != '\'') {
            --m_skipChars; // a symbol counts as one character skipped after \uN
            return;
        }
        switch (c) {
        case '\'': {
            int value = 0;
            int digits = 0;
            for (; digits < 2 && m_p < m_end && std::isxdigit(static_cast<uint8_t>(*m_p)); ++m_p) {
                const char h = static_cast<char>(std::tolower(static_cast<uint8_t>(*m_p)));
                value = value * 16 + (h <= '9' ? h - '0' : h - 'a' + 10);
                ++digits;
            }
            if (digits > 0)
                Char(static_cast<uint8_t>(value));
            break;
        }
        case '*':
            m_ignorable = true;
            return;
        case '~':
            EmitCode(0xA0);
            break;
        case '_':
            EmitCode(0x2011);
            break;
        case '-':
            break; // an optional hyphen is not shown
        case '\r':
        case '\n':
            Paragraph();
            break;
        default:
            Char(static_cast<uint8_t>(c)); // \\, \{ and \} stand for themselves
        }
        m_ignorable = false;
    }

    void Paragraph() {
        if (Top().dest != Dest::Text)
            return;
        Emit(m_lineEnd);
    }

    void Word(const std::string& w, bool hasParam, int n) {
        const bool opensDestination = m_justOpened;
        m_justOpened = false;
        if (m_skipChars > 0) {
            --m_skipChars; // a control word counts as one character skipped after \uN
            return;
        }
        State& s = Top();
        RtfFormat& f = s.format;
        const bool on = !hasParam || n != 0;
        static const char* const kSkipped[] = {
            "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
            "footerl", "footerr", "footerf", "stylesheet", "fldinst", "themedata",
            "colorschememapping", "latentstyles", "datastore", "listtable", "listoverridetable",
            "rsidtbl", "generator", "xmlnstbl", "footnote", "annotation", "bkmkstart", "bkmkend",
            "private", "revtbl", "filetbl", "pgdsctbl", "mmathPr", "nonshppict", "shppict",
            "blipuid", "title", "author", "operator", "comment", "doccomm"};
        if (m_ignorable || (opensDestination && std::find_if(std::begin(kSkipped), std::end(kSkipped),
                                                             [&](const char* k) { return w == k; }) !=
                                                    std::end(kSkipped))) {
            m_ignorable = false;
            if (w == "fonttbl")
                s.dest = Dest::FontTable;
            else if (w != "fldrslt") // the shown result of a field is text
                s.dest = Dest::Skip;
            return;
        }
        if (w == "fonttbl") {
            s.dest = Dest::FontTable;
        } else if (w == "colortbl") {
            s.dest = Dest::ColorTable;
            m_color = 0;
        } else if (w == "par" || w == "line" || w == "sect" || w == "page" || w == "row") {
            Paragraph();
        } else if (w == "tab" || w == "cell") {
            EmitCode('\t');
        } else if (w == "emdash") {
            EmitCode(0x2014);
        } else if (w == "endash") {
            EmitCode(0x2013);
        } else if (w == "bullet") {
            EmitCode(0x2022);
        } else if (w == "lquote") {
            EmitCode(0x2018);
        } else if (w == "rquote") {
            EmitCode(0x2019);
        } else if (w == "ldblquote") {
            EmitCode(0x201C);
        } else if (w == "rdblquote") {
            EmitCode(0x201D);
        } else if (w == "u" && hasParam) {
            EmitCode(static_cast<uint32_t>(n < 0 ? n + 65536 : n));
            m_skipChars = s.uc;
        } else if (w == "uc" && hasParam) {
            s.uc = std::clamp(n, 0, 16);
        } else if (w == "ansicpg" && hasParam) {
            m_codePage.Set(n);
        } else if (w == "plain") {
            f = RtfFormat();
        } else if (w == "b") {
            f.bold = on;
        } else if (w == "i") {
            f.italic = on;
        } else if (w == "ul") {
            f.underline = on;
        } else if (w == "ulnone") {
            f.underline = false;
        } else if (w == "strike") {
            f.strike = on;
        } else if (w == "fs" && hasParam) {
            f.halfPoints = std::clamp(n, 2, 3276);
        } else if (w == "f" && hasParam) {
            if (s.dest == Dest::FontTable) {
                FinishFontEntry();
                m_fontIndex = n;
            } else {
                f.font = FontSlot(n);
            }
        } else if (w == "cf" && hasParam) {
            f.color = n > 0 ? n : -1;
        } else if (s.dest == Dest::ColorTable && hasParam) {
            const uint32_t v = static_cast<uint32_t>(std::clamp(n, 0, 255));
            if (w == "red")
                m_color = (m_color & 0x00FFFF) | (v << 16);
            else if (w == "green")
                m_color = (m_color & 0xFF00FF) | (v << 8);
            else if (w == "blue")
                m_color = (m_color & 0xFFFF00) | v;
        } else if (w == "bin" && hasParam) {
            // Binary data follows: it is not text.
            m_p += std::min<long long>(std::max(n, 0), m_end - m_p);
        }
    }

    // The document's index for font number n of the font table.
    int FontSlot(int n) {
        const auto it = m_fontSlots.find(n);
        if (it != m_fontSlots.end())
            return it->second;
        if (m_fontSlots.size() >= 1024)
            return -1;
        const int slot = static_cast<int>(m_doc.fonts.size());
        const auto name = m_fontNames.find(n);
        m_doc.fonts.push_back(name == m_fontNames.end() ? std::string() : name->second);
        m_fontSlots[n] = slot;
        return slot;
    }

    const char* m_p;
    const char* m_end;
    std::string m_lineEnd;
    std::vector<State> m_stack;
    int m_ignoredDepth = 0;
    bool m_justOpened = false;
    bool m_ignorable = false;
    int m_skipChars = 0;
    CodePage m_codePage;
    int m_fontIndex = -1;
    std::string m_fontName;
    std::map<int, std::string> m_fontNames;
    std::map<int, int> m_fontSlots;
    uint32_t m_color = 0;
    RtfDocument m_doc;
};
} // namespace

RtfDocument ReadRtf(const char* data, size_t size, const std::string& lineEnd) {
    return Reader(data, size, lineEnd).Read();
}
