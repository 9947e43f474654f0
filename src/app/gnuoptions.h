// The GNU-style options every command-line program answers: --help (-h) and --version (-v).
#pragma once

#include <QString>
#include <QStringList>

struct GnuOptionsResult {
    bool handled = false; // the program ends with exitCode after printing
    int exitCode = 0;
    QString out;
    QString err;
};

// Looks at the parameters for options starting with "--", and for -h and -v.
GnuOptionsResult HandleGnuOptions(const QStringList& args);
