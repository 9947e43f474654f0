#include "text/linetransforms.h"

#include <QByteArray>

#include <vector>

std::pair<long, long> IndentLines(CTextDocument& text, long first, long last, bool increase,
                                  long selMin, long selMax) {
    long start = selMin;
    long end = selMax;
    // Where the lines start is taken first, and they are changed from the last: removing a blank
    // between a CR and an LF joins two lines into one, which would shift the lines after it.
    std::vector<long> starts;
    for (long line = first; line <= last; ++line)
        starts.push_back(text.LineStart(line));
    text.BeginUndoAction();
    for (auto at = starts.rbegin(); at != starts.rend(); ++at) {
        const long lineStart = *at;
        if (increase) {
            text.Insert(lineStart, QByteArrayLiteral("\t"));
            start += lineStart <= selMin ? 1 : 0;
            end += lineStart <= selMax ? 1 : 0;
        } else if (lineStart < text.Length() &&
                   (text.CharAt(lineStart) == ' ' || text.CharAt(lineStart) == '\t')) {
            text.Delete(lineStart, 1);
            start -= lineStart < selMin ? 1 : 0;
            end -= lineStart < selMax ? 1 : 0;
        }
    }
    text.EndUndoAction();
    return {start, end};
}

QByteArray WithLineEnds(const QByteArray& text, LineEnd lineEnd) {
    static const QByteArray kEnds[] = {"\r\n", "\r", "\n"}; // in the order of LineEnd
    const QByteArray& end = kEnds[static_cast<int>(lineEnd)];
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        out += end;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return out;
}
