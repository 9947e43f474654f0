#include "view/linetext.h"

#include <QFontMetricsF>
#include <QRegularExpression>

QByteArray LeadingBlanks(const QByteArray& line, int maxChars) {
    int n = 0;
    const int limit = std::min<int>(maxChars, static_cast<int>(line.size()));
    while (n < limit && (line[n] == ' ' || line[n] == '\t'))
        ++n;
    return line.left(n);
}

QString DateTimeText(const QDateTime& when, const QLocale& locale) {
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    // The long time format has the seconds; the time zone is left out.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return date + QLatin1Char(' ') + locale.toString(when.time(), format.trimmed());
}

int TabIntervalTwips(const QFont& font, int n, int dpi) {
    const QFontMetricsF metrics(font);
    const qreal pixels = metrics.horizontalAdvance(QString(n, QLatin1Char('0')));
    return static_cast<int>(pixels * 1440.0 / dpi);
}
