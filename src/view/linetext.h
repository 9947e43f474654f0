// Text made by the line commands, computed without a window.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QString>

// The leading blanks and tabs of `line`, looking at no more than its first `maxChars` bytes.
QByteArray LeadingBlanks(const QByteArray& line, int maxChars);

// The locale's short date, a blank and its time with seconds; the date alone at midnight.
QString DateTimeText(const QDateTime& when, const QLocale& locale);

// The width of `n` digit zeros of `font`, in twips, truncated.
int TabIntervalTwips(const QFont& font, int n, int dpi);
