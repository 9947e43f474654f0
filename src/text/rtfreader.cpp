#include "text/rtfreader.h"

#include "text/textencoding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace {
constexpr int kMaxDepth = 256;
constexpr int kMaxParamDigits = 10;
constexpr size_t kMaxFonts = 1024;
constexpr size_t kMaxFormats = 0xFFFF;
constexpr size_t kMaxCodePages = 32;
constexpr size_t kMaxRunLength = 0xFFFF;
constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kPicture = 0x25A3; // "▣": a picture's place in the text

// A character as UTF-8; one that text cannot hold (NUL, a surrogate, past U+10FFFF) as U+FFFD.
std::string Utf8(uint32_t c) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = kReplacement;
    char out[4];
    return std::string(out, static_cast<size_t>(PutUtf8(out, c)));
}

// A byte of Windows-1252; the five bytes it leaves undefined are U+FFFD in a document.
uint32_t From1252Document(uint8_t b) {
    const char32_t c = From1252(b);
    return c >= 0x80 && c < 0xA0 ? kReplacement : c;
}

// The Windows code page of a font's character set; 0 where the document's own code page holds
// (the ANSI, default and symbol sets, and sets we do not know).
int CodePageOfCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    default:
        return 0;
    }
}

// One code page's characters as UTF-8. Each single byte is looked up in a table made once. Two
// kinds of byte wait for the byte after them, and the pair goes through iconv: the lead byte of a
// double-byte code page, and a letter that a combining accent after it may join (1258). A code
// page that iconv does not know reads as Windows-1252.
class CodePage {
public:
    explicit CodePage(int page) {
        if (page != 1252) {
            const std::string name = page == 10000 ? "MACINTOSH" : "CP" + std::to_string(page);
            m_iconv = iconv_open("UTF-8", name.c_str());
        }
        for (int b = 0; b < 256; ++b) {
            if (m_iconv == kNoIconv) {
                m_single[b] = Utf8(From1252Document(static_cast<uint8_t>(b)));
                continue;
            }
            const char byte = static_cast<char>(b);
            bool heldBack = false;
            const Result r = Convert(&byte, 1, m_single[b], &heldBack);
            if (r != Result::Done)
                m_single[b] = Utf8(kReplacement);
            // U+0300 to U+036F, the combining accents, are CC 80 to CD AF in UTF-8.
            const auto lead = static_cast<uint8_t>(m_single[b][0]);
            const bool accent = lead == 0xCC || (lead == 0xCD && m_single[b].size() > 1 &&
                                                 static_cast<uint8_t>(m_single[b][1]) < 0xB0);
            m_kind[b] = r == Result::Incomplete ? Kind::Lead
                        : heldBack              ? Kind::Base
                        : accent                ? Kind::Accent
                                                : Kind::Single;
        }
    }
    ~CodePage() {
        if (m_iconv != kNoIconv)
            iconv_close(m_iconv);
    }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    // The byte may make one character with the byte after it.
    bool Waits(uint8_t byte) const {
        return m_kind[byte] == Kind::Lead || m_kind[byte] == Kind::Base;
    }
    // The character of a byte on its own: U+FFFD for a lead byte or a byte the page lacks.
    const std::string& Single(uint8_t byte) const { return m_single[byte]; }
    // The character a waiting byte and the byte after it make; false if they make none.
    bool Join(uint8_t first, uint8_t second, std::string& out) {
        if (m_kind[first] == Kind::Base && m_kind[second] != Kind::Accent)
            return false;
        const char bytes[2] = {static_cast<char>(first), static_cast<char>(second)};
        return Convert(bytes, 2, out, nullptr) == Result::Done;
    }
    // Bytes in this code page, as UTF-8.
    std::string Decode(const std::string& bytes) {
        std::string out;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<uint8_t>(bytes[i]);
            std::string joined;
            if (Waits(b) && i + 1 < bytes.size() &&
                Join(b, static_cast<uint8_t>(bytes[i + 1]), joined)) {
                out += joined;
                ++i;
            } else {
                out += Single(b);
            }
        }
        return out;
    }

private:
    enum class Result { Done, Incomplete, Invalid };
    enum class Kind : uint8_t { Single, Lead, Base, Accent };
    static inline const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

    // Whole characters through iconv, which is left ready for the next ones. `heldBack` tells
    // that iconv kept the character back for a combining accent that might follow.
    Result Convert(const char* bytes, size_t size, std::string& out, bool* heldBack) {
        char buffer[32];
        char* in = const_cast<char*>(bytes);
        size_t inLeft = size;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        Result r = Result::Done;
        if (iconv(m_iconv, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            r = errno == EINVAL ? Result::Incomplete : Result::Invalid;
        if (heldBack)
            *heldBack = r == Result::Done && outPtr == buffer;
        if (r == Result::Done)
            iconv(m_iconv, nullptr, nullptr, &outPtr, &outLeft);
        iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
        if (r == Result::Done && outPtr == buffer)
            r = Result::Invalid;
        out.assign(buffer, outPtr);
        return r;
    }

    iconv_t m_iconv = kNoIconv;
    std::array<std::string, 256> m_single;
    std::array<Kind, 256> m_kind{};
};

struct FormatHash {
    size_t operator()(const RtfFormat& f) const {
        size_t h = static_cast<size_t>(f.font) * 1000003u;
        h = (h ^ static_cast<size_t>(f.halfPoints)) * 1000003u;
        h = (h ^ static_cast<size_t>(f.color)) * 1000003u;
        return h ^ (f.bold | f.italic << 1 | f.underline << 2 | f.strike << 3);
    }
};

enum class Dest { Text, Skip, FontTable, ColorTable, Object };

struct State {
    RtfFormat format;    // its font stays -1: the font is fontNumber
    int fontNumber = -1; // in the font table; -1 for the document's default font
    bool hidden = false;
    Dest dest = Dest::Text;
    int uc = 1;
};

// The tables read better in columns.
// clang-format off
enum class Kw {
    Other, Fonttbl, Colortbl, Par, Tab, Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote,
    Rdblquote, U, Uc, Ansicpg, Deff, Plain, B, I, Ul, Ulnone, Strike, Fs, F, Cf, V, Red, Green,
    Blue, Bin, Fcharset, Cpg, Pict, Shppict, Object, Result, Fldrslt
};

Kw Keyword(std::string_view w) {
    static const std::unordered_map<std::string_view, Kw> kWords = {
        {"fonttbl", Kw::Fonttbl},     {"colortbl", Kw::Colortbl}, {"par", Kw::Par},
        {"line", Kw::Par},            {"sect", Kw::Par},          {"page", Kw::Par},
        {"row", Kw::Par},             {"tab", Kw::Tab},           {"cell", Kw::Tab},
        {"emdash", Kw::Emdash},       {"endash", Kw::Endash},     {"bullet", Kw::Bullet},
        {"lquote", Kw::Lquote},       {"rquote", Kw::Rquote},     {"ldblquote", Kw::Ldblquote},
        {"rdblquote", Kw::Rdblquote}, {"u", Kw::U},               {"uc", Kw::Uc},
        {"ansicpg", Kw::Ansicpg},     {"deff", Kw::Deff},         {"plain", Kw::Plain},
        {"b", Kw::B},                 {"i", Kw::I},               {"ul", Kw::Ul},
        {"ulnone", Kw::Ulnone},       {"strike", Kw::Strike},     {"fs", Kw::Fs},
        {"f", Kw::F},                 {"cf", Kw::Cf},             {"v", Kw::V},
        {"red", Kw::Red},             {"green", Kw::Green},       {"blue", Kw::Blue},
        {"bin", Kw::Bin},             {"fcharset", Kw::Fcharset}, {"cpg", Kw::Cpg},
        {"pict", Kw::Pict},           {"shppict", Kw::Shppict},   {"object", Kw::Object},
        {"result", Kw::Result},       {"fldrslt", Kw::Fldrslt}};
    const auto it = kWords.find(w);
    return it == kWords.end() ? Kw::Other : it->second;
}

// Destinations whose text is not part of what a word processor shows.
bool IsSkippedDestination(std::string_view w) {
    static const char* const kSkipped[] = {
        "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
        "footerf", "stylesheet", "fldinst", "themedata", "colorschememapping", "latentstyles",
        "datastore", "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl",
        "footnote", "annotation", "bkmkstart", "bkmkend", "private", "revtbl", "filetbl",
        "pgdsctbl", "mmathPr", "nonshppict", "blipuid", "title", "author", "operator", "comment",
        "doccomm"};
    return std::find(std::begin(kSkipped), std::end(kSkipped), w) != std::end(kSkipped);
}
// clang-format on

class Reader {
public:
    Reader(const char* data, size_t size, const std::string& lineEnd)
        : m_p(data), m_end(data + size), m_lineEnd(lineEnd) {}

    RtfDocument Read() {
        m_stack.push_back(State());
        // White space may come before the signature; it is no text of the document.
        while (m_p < m_end && std::isspace(static_cast<uint8_t>(*m_p)))
            ++m_p;
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
        FlushPending();
        // Names are known only once the font table has been read, which may come late.
        m_doc.fonts.resize(m_fontSlots.size());
        for (const auto& [number, slot] : m_fontSlots) {
            const auto name = m_fontNames.find(number);
            if (name != m_fontNames.end())
                m_doc.fonts[slot] = name->second;
        }
        return std::move(m_doc);
    }

private:
    State& Top() { return m_stack.back(); }
    bool Visible() { return Top().dest == Dest::Text && !Top().hidden; }
    int EffectiveFont() { return Top().fontNumber >= 0 ? Top().fontNumber : m_defaultFont; }

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
        FlushPending(); // in the format of the group it belongs to
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

    // A byte of the current destination.
    void Char(uint8_t c) {
        m_justOpened = false;
        if (c == 0)
            return; // NUL is no character of a text
        if (m_skipChars > 0) {
            --m_skipChars;
            return;
        }
        State& s = Top();
        switch (s.dest) {
        case Dest::Text:
            if (!s.hidden)
                TextByte(c);
            break;
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
        case Dest::Object:
            break;
        }
    }

    void TextByte(uint8_t c) {
        CodePage& page = TextCodePage();
        if (m_waiting >= 0) {
            std::string joined;
            if (m_waitingPage == &page && page.Join(static_cast<uint8_t>(m_waiting), c, joined)) {
                m_waiting = -1;
                Output(joined);
                return;
            }
        }
        FlushPending();
        if (page.Waits(c)) {
            m_waiting = c;
            m_waitingPage = &page;
            return;
        }
        Output(page.Single(c));
    }

    // A character given by its code, with the pair of a UTF-16 surrogate joined into one.
    void Unicode(uint32_t c) {
        if (!Visible())
            return;
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (low && m_highSurrogate != 0) {
            const uint32_t joined = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (c - 0xDC00);
            m_highSurrogate = 0;
            Output(Utf8(joined));
            return;
        }
        FlushPending();
        if (high)
            m_highSurrogate = c;
        else
            Output(Utf8(c)); // a lone low surrogate becomes U+FFFD there
    }

    void EmitCode(uint32_t c) {
        if (!Visible())
            return;
        FlushPending();
        Output(Utf8(c));
    }

    void Paragraph() {
        if (!Visible())
            return;
        FlushPending();
        Output(m_lineEnd);
    }

    // A byte or a high surrogate that nothing completed.
    void FlushPending() {
        if (m_waiting >= 0)
            Output(m_waitingPage->Single(static_cast<uint8_t>(m_waiting)));
        if (m_highSurrogate != 0)
            Output(Utf8(kReplacement));
        m_waiting = -1;
        m_highSurrogate = 0;
    }

    void Output(const std::string& bytes) {
        m_doc.text += bytes;
        const uint16_t format = CurrentFormat();
        for (size_t left = bytes.size(); left > 0;) {
            if (m_doc.runs.empty() || m_doc.runs.back().format != format ||
                m_doc.runs.back().length == kMaxRunLength)
                m_doc.runs.push_back({0, format});
            RtfRun& run = m_doc.runs.back();
            const size_t take = std::min(left, kMaxRunLength - run.length);
            run.length = static_cast<uint16_t>(run.length + take);
            left -= take;
        }
    }

    // The document's index of the format in force; the same format is found again, not added.
    uint16_t CurrentFormat() {
        const State& s = Top();
        if (m_haveFormat && s.format == m_lastState.format &&
            s.fontNumber == m_lastState.fontNumber && m_lastDefaultFont == m_defaultFont)
            return m_lastFormat;
        RtfFormat f = s.format;
        f.font = FontSlot(EffectiveFont());
        auto it = m_formatIndex.find(f);
        if (it == m_formatIndex.end()) {
            if (m_doc.formats.size() >= kMaxFormats)
                return 0;
            it = m_formatIndex.emplace(f, static_cast<uint16_t>(m_doc.formats.size())).first;
            m_doc.formats.push_back(f);
        }
        m_haveFormat = true;
        m_lastState = s;
        m_lastDefaultFont = m_defaultFont;
        m_lastFormat = it->second;
        return m_lastFormat;
    }

    // The code page of the text's font, else the document's.
    CodePage& TextCodePage() {
        const int font = EffectiveFont();
        if (!m_page || font != m_pageFont) {
            const auto it = m_fontPages.find(font);
            m_page = &CodePageFor(it != m_fontPages.end() ? it->second : m_ansiPage);
            m_pageFont = font;
        }
        return *m_page;
    }

    CodePage& CodePageFor(int page) {
        auto it = m_codePages.find(page);
        if (it == m_codePages.end()) {
            if (m_codePages.size() >= kMaxCodePages)
                page = 1252; // a file that names this many is no real document
            it = m_codePages.find(page);
            if (it == m_codePages.end())
                it = m_codePages.emplace(page, std::make_unique<CodePage>(page)).first;
        }
        return *it->second;
    }

    void FinishFontEntry() {
        if (m_fontIndex < 0)
            return;
        while (!m_fontName.empty() && std::isspace(static_cast<uint8_t>(m_fontName.back())))
            m_fontName.pop_back();
        const int page = m_fontCpg > 0 ? m_fontCpg : CodePageOfCharset(m_fontCharset);
        m_fontNames[m_fontIndex] = CodePageFor(page > 0 ? page : m_ansiPage).Decode(m_fontName);
        if (page > 0)
            m_fontPages[m_fontIndex] = page;
        m_page = nullptr;
        m_fontIndex = -1;
        m_fontCharset = 0;
        m_fontCpg = 0;
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
        const std::string_view name(word, static_cast<size_t>(m_p - word));
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

    // A destination that opens here; false if the word opens none.
    bool Destination(Kw kw, std::string_view w, bool opens, bool ignorable) {
        State& s = Top();
        switch (kw) {
        case Kw::Pict:
            EmitCode(kPicture);
            s.dest = Dest::Skip;
            return true;
        case Kw::Shppict:
        case Kw::Fldrslt:
            return true; // what they hold is shown
        case Kw::Object:
            // Only its result, a picture of it, is shown.
            s.dest = s.dest == Dest::Text ? Dest::Object : Dest::Skip;
            return true;
        case Kw::Result:
            if (s.dest == Dest::Object)
                s.dest = Dest::Text;
            return true;
        case Kw::Fonttbl:
            s.dest = Dest::FontTable;
            return true;
        default:
            if (!ignorable && !(opens && IsSkippedDestination(w)))
                return false;
            s.dest = Dest::Skip;
            return true;
        }
    }

    void Word(std::string_view w, bool hasParam, int n) {
        const bool opens = m_justOpened;
        m_justOpened = false;
        if (m_skipChars > 0) {
            --m_skipChars; // a control word counts as one character skipped after \uN
            return;
        }
        const bool ignorable = m_ignorable;
        m_ignorable = false;
        const Kw kw = Keyword(w);
        if (kw != Kw::U)
            FlushPending(); // before the word changes the format
        if ((opens || ignorable) && Destination(kw, w, opens, ignorable))
            return;
        State& s = Top();
        RtfFormat& f = s.format;
        const bool on = !hasParam || n != 0;
        switch (kw) {
        case Kw::Fonttbl:
            s.dest = Dest::FontTable;
            break;
        case Kw::Colortbl:
            s.dest = Dest::ColorTable;
            m_color = 0;
            break;
        case Kw::Par:
            Paragraph();
            break;
        case Kw::Tab:
            EmitCode('\t');
            break;
        case Kw::Emdash:
            EmitCode(0x2014);
            break;
        case Kw::Endash:
            EmitCode(0x2013);
            break;
        case Kw::Bullet:
            EmitCode(0x2022);
            break;
        case Kw::Lquote:
            EmitCode(0x2018);
            break;
        case Kw::Rquote:
            EmitCode(0x2019);
            break;
        case Kw::Ldblquote:
            EmitCode(0x201C);
            break;
        case Kw::Rdblquote:
            EmitCode(0x201D);
            break;
        case Kw::U:
            if (hasParam) {
                Unicode(static_cast<uint32_t>(n < 0 ? n + 65536 : n));
                m_skipChars = s.uc;
            }
            break;
        case Kw::Uc:
            if (hasParam)
                s.uc = std::clamp(n, 0, 16);
            break;
        case Kw::Ansicpg:
            if (hasParam) {
                m_ansiPage = n;
                m_page = nullptr;
            }
            break;
        case Kw::Deff:
            if (hasParam)
                m_defaultFont = n;
            break;
        case Kw::Plain:
            f = RtfFormat();
            s.fontNumber = -1;
            s.hidden = false;
            break;
        case Kw::B:
            f.bold = on;
            break;
        case Kw::I:
            f.italic = on;
            break;
        case Kw::Ul:
            f.underline = on;
            break;
        case Kw::Ulnone:
            f.underline = false;
            break;
        case Kw::Strike:
            f.strike = on;
            break;
        case Kw::V:
            s.hidden = on;
            break;
        case Kw::Fs:
            if (hasParam)
                f.halfPoints = std::clamp(n, 2, 3276);
            break;
        case Kw::F:
            if (!hasParam)
                break;
            if (s.dest == Dest::FontTable) {
                FinishFontEntry();
                m_fontIndex = n;
            } else {
                s.fontNumber = n >= 0 ? n : -1;
            }
            break;
        case Kw::Fcharset:
            if (hasParam && s.dest == Dest::FontTable)
                m_fontCharset = n;
            break;
        case Kw::Cpg:
            if (hasParam && s.dest == Dest::FontTable)
                m_fontCpg = n;
            break;
        case Kw::Cf:
            if (hasParam)
                f.color = n > 0 ? n : -1;
            break;
        case Kw::Red:
        case Kw::Green:
        case Kw::Blue:
            if (s.dest == Dest::ColorTable && hasParam) {
                const uint32_t v = static_cast<uint32_t>(std::clamp(n, 0, 255));
                const int shift = kw == Kw::Red ? 16 : kw == Kw::Green ? 8 : 0;
                m_color = (m_color & ~(0xFFu << shift)) | (v << shift);
            }
            break;
        case Kw::Bin:
            // Binary data follows: it is not text.
            if (hasParam)
                m_p += std::min<long long>(std::max(n, 0), m_end - m_p);
            break;
        default:
            break;
        }
    }

    // The document's index for font number n of the font table; -1 for none.
    int FontSlot(int n) {
        if (n < 0)
            return -1;
        const auto it = m_fontSlots.find(n);
        if (it != m_fontSlots.end())
            return it->second;
        if (m_fontSlots.size() >= kMaxFonts)
            return -1;
        const int slot = static_cast<int>(m_fontSlots.size());
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
    int m_defaultFont = -1;

    int m_ansiPage = 1252;
    std::map<int, std::unique_ptr<CodePage>> m_codePages;
    std::map<int, int> m_fontPages; // font number -> its code page, for fonts that name one
    CodePage* m_page = nullptr;     // of the text's font, until the font or the pages change
    int m_pageFont = -1;
    int m_waiting = -1; // a byte waiting for the byte after it
    const CodePage* m_waitingPage = nullptr;
    uint32_t m_highSurrogate = 0; // waiting for its low surrogate

    int m_fontIndex = -1; // the font table entry being read
    int m_fontCharset = 0;
    int m_fontCpg = 0;
    std::string m_fontName;
    std::map<int, std::string> m_fontNames;
    std::map<int, int> m_fontSlots;
    uint32_t m_color = 0;

    std::unordered_map<RtfFormat, uint16_t, FormatHash> m_formatIndex;
    bool m_haveFormat = false;
    State m_lastState;
    int m_lastDefaultFont = -1;
    uint16_t m_lastFormat = 0;
    RtfDocument m_doc;
};
} // namespace

RtfDocument ReadRtf(const char* data, size_t size, const std::string& lineEnd) {
    return Reader(data, size, lineEnd).Read();
}

RtfSignature RtfSignatureOf(const char* data, size_t size) {
    static constexpr std::string_view kStart = "{\\rtf";
    size_t i = 0;
    while (i < size && std::isspace(static_cast<uint8_t>(data[i])))
        ++i;
    const size_t n = std::min(size - i, kStart.size());
    if (std::string_view(data + i, n) != kStart.substr(0, n))
        return RtfSignature::Plain;
    return n == kStart.size() ? RtfSignature::Rich : RtfSignature::Undecided;
}
