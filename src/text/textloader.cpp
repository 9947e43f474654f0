#include "text/textloader.h"

#include <algorithm>
#include <cstring>

namespace {
// How much is handed on at a time when writing.
constexpr long kWritePiece = 1 << 18;
} // namespace

std::optional<LoadedRichText> LoadRichText(std::string&& source, long wrapLimit) {
    LoadedRichText loaded;
    LineEndDetector lineEnd;
    lineEnd.Feed(source.data(), source.size());
    loaded.lineEnd = lineEnd.Result();
    static const char* const kBreaks[] = {"\r\n", "\r", "\n"};
    loaded.rich = ReadRtf(source.data(), source.size(), kBreaks[static_cast<int>(loaded.lineEnd)]);
    std::string().swap(source);
    std::string& text = loaded.rich.text;
    LongLineDetector longLine(static_cast<size_t>(wrapLimit));
    longLine.Feed(text.data(), text.size());
    loaded.overlongLine = longLine.Found();
    loaded.markerByte = std::memchr(text.data(), 1, text.size()) != nullptr;
    loaded.text = CTextDocument::WithRoom(LoadRoom(text.size()), true);
    if (!loaded.text.Append(text.data(), static_cast<long>(text.size())))
        return std::nullopt;
    std::string().swap(text);
    return loaded;
}

size_t LoadRoom(size_t size) {
    // The spare room takes memory from the start: a megabyte covers any typing and pasting of
    // ordinary size.
    return size + std::min<size_t>(size / 64, 1 << 20) + 65536;
}

CTextLoader::CTextLoader(long limit, int64_t sizeHint, long wrapLimit, size_t longestLine)
    : m_nLimit(limit), m_nWrapLimit(wrapLimit), m_nSizeHint(sizeHint),
      m_text(CTextDocument::WithRoom(
          LoadRoom(static_cast<size_t>(std::clamp<int64_t>(sizeHint, 0, limit))))),
      m_longLine(wrapLimit), m_nLongestLine(longestLine), m_hugeLine(longestLine) {
    if (sizeHint > 0)
        m_detector.ExpectSize(static_cast<uint64_t>(sizeHint));
}

bool CTextLoader::Feed(const char* data, long n) {
    if (n > m_nLimit - m_nTotal || !m_text.Append(data, n))
        return false;
    const auto size = static_cast<size_t>(n);
    // Bytes read in an encoding chosen for them need no detection; decoded, they are looked at
    // once they are text.
    if (!m_readAs)
        m_detector.Feed(data, size);
    if (!m_readAs || !IsDecoded(*m_readAs)) {
        m_lineEnd.Feed(data, size);
        m_longLine.Feed(data, size);
        m_hugeLine.Feed(data, size);
    }
    if (m_nTotal == 0 && m_nSizeHint > n && n > 0) {
        // The line index is sized once from the first piece's lines: grown step by step, it
        // holds an old and a new copy of itself at each step. Pages of room never written are
        // never taken.
        const auto lines = static_cast<double>(std::count(data, data + n, '\n') + 1);
        const double expected = static_cast<double>(m_nSizeHint) / static_cast<double>(n) * lines;
        m_text.ReserveLines(static_cast<long>(std::min(expected * 1.25, double(m_nSizeHint))));
    }
    m_bMarkerByte = m_bMarkerByte || std::memchr(data, 1, size);
    if (m_nTotal < kHead)
        m_head.append(data, static_cast<size_t>(std::min(n, kHead - m_nTotal)));
    if (ReadShare() != 1)
        std::string().swap(m_head); // shown as it is, it could look wrong
    m_nTotal += n;
    return true;
}

double CTextLoader::ReadShare() const {
    const bool decoded = m_readAs ? IsDecoded(*m_readAs) : m_detector.LikelyDecoded();
    return decoded ? kDecodedReadShare : 1;
}

std::optional<LoadedText> CTextLoader::Finish(const std::function<void(double)>& progress) {
    LoadedText out;
    const char* raw = m_text.RangePointer(0, m_nTotal);
    if (m_readAs) {
        out.encoding = WithMarkOf(*m_readAs, raw, static_cast<size_t>(m_nTotal));
        const int64_t bad = FirstUndecodable(out.encoding, raw, static_cast<size_t>(m_nTotal));
        if (bad >= 0) {
            m_undecodable = {bad, static_cast<uint8_t>(raw[bad]), out.encoding};
            return std::nullopt;
        }
    } else {
        out.encoding = m_detector.Result(raw, static_cast<size_t>(m_nTotal), &out.badUtf16);
    }
    out.markerByte = m_bMarkerByte;
    if (IsDecoded(out.encoding)) {
        const size_t size = DecodedSize(out.encoding, raw, static_cast<size_t>(m_nTotal));
        if (size > static_cast<size_t>(m_nLimit))
            return std::nullopt;
        CTextDocument decoded = CTextDocument::WithRoom(LoadRoom(size));
        size_t done = 0;
        const bool ok = DecodeToUtf8(out.encoding, raw, static_cast<size_t>(m_nTotal),
                                     [&](const QByteArray& piece) {
                                         done += static_cast<size_t>(piece.size());
                                         progress(static_cast<double>(done) /
                                                  static_cast<double>(std::max<size_t>(size, 1)));
                                         return decoded.Append(piece.constData(), piece.size());
                                     });
        if (!ok)
            return std::nullopt;
        m_text = CTextDocument(); // the file's bytes go before the decoded text is looked at
        // Line ends and line lengths are those of the decoded text.
        const char* text = decoded.RangePointer(0, decoded.Length());
        m_lineEnd = LineEndDetector();
        m_lineEnd.Feed(text, static_cast<size_t>(decoded.Length()));
        m_longLine = LongLineDetector(m_nWrapLimit);
        m_longLine.Feed(text, static_cast<size_t>(decoded.Length()));
        m_hugeLine = LongLineDetector(m_nLongestLine);
        m_hugeLine.Feed(text, static_cast<size_t>(decoded.Length()));
        out.text = decoded;
    } else {
        if (out.encoding == TextEncoding::Utf8Bom)
            m_text.Delete(0, 3); // the mark is no part of the text: it is written back on saving
        out.text = m_text;
    }
    out.lineEnd = m_lineEnd.Result();
    out.mixedLineEnds = m_lineEnd.Mixed();
    out.overlongLine = m_longLine.Found();
    out.unshownLine = m_hugeLine.Found();
    return out;
}

bool TextForInsertion(const QByteArray& bytes, FileEncoding into, QByteArray& text,
                      char32_t* refused) {
    EncodingDetector detector;
    detector.Feed(bytes.constData(), static_cast<size_t>(bytes.size()));
    const FileEncoding source = detector.Result(bytes.constData(), bytes.size());
    *refused = 0;
    if (IsDecoded(source))
        text = DecodeToUtf8(source, bytes.constData(), static_cast<size_t>(bytes.size()));
    else
        text = bytes.mid(ByteOrderMark(source).size());
    if (!IsDecoded(into))
        return true; // a UTF-8 text holds anything, stray bytes too
    // Only characters can be converted: the check is the conversion itself.
    QByteArray encoded;
    return EncodeFromUtf8(into, text.constData(), static_cast<size_t>(text.size()), encoded,
                          refused);
}

bool WriteText(const CTextDocument& text, long start, long end, FileEncoding encoding, bool mark,
               const std::function<bool(const char*, long)>& write, char32_t* refused) {
    *refused = 0;
    const QByteArray bom = mark ? ByteOrderMark(encoding) : QByteArray();
    if (!bom.isEmpty() && !write(bom.constData(), bom.size()))
        return false;
    // The text's own buffer goes straight to `write`, or through the file's encoding.
    const char* bytes = text.RangePointer(start, end - start);
    const bool encode = IsDecoded(encoding);
    QByteArray encoded;
    for (long offset = 0; offset < end - start;) {
        long piece = std::min(kWritePiece, end - start - offset);
        if (!encode) {
            if (!write(bytes + offset, piece))
                return false;
        } else {
            piece = static_cast<long>(WholeCharacters(bytes + offset,
                                                      static_cast<size_t>(end - start - offset),
                                                      static_cast<size_t>(piece)));
            encoded.clear();
            if (!EncodeFromUtf8(encoding, bytes + offset, static_cast<size_t>(piece), encoded,
                                refused) ||
                !write(encoded.constData(), encoded.size()))
                return false;
        }
        offset += piece;
    }
    return true;
}
