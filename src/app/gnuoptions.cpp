#include "app/gnuoptions.h"

#include <Qsci/qsciglobal.h>

namespace {
const char* const kHelp =
    "Usage: zorvek [SWITCH]... [--] [FILE]...\n"
    "Edit or view FILE, or a new document when there is none. Each further FILE\n"
    "opens in a window of its own; FILE - reads standard input.\n"
    "\n"
    "  S:SUFFIX           keep this run's settings in a profile of their own,\n"
    "                     ~/.config/Vantreth Plc/ZorvekSUFFIX.conf\n"
    "  /p FILE            print FILE on the default printer, then end\n"
    "  /pt FILE PRINTER DRIVER PORT\n"
    "                     print FILE on PRINTER, then end; a PRINTER name that ends\n"
    "                     in .pdf prints to that PDF file\n"
    "  /Unregister        delete the settings of the profile, then end\n"
    "  -h, --help         display this help and exit\n"
    "  -v, --version      output version information and exit\n"
    "\n"
    "Switches may start with - or /. A parameter starting with / that names no switch\n"
    "is a path, so an absolute path opens as a file. After --, every parameter is a\n"
    "FILE, so -- -notes.txt opens -notes.txt.\n"
    "\n"
    "Report bugs to: zorvek@example.org\n"
    "Zorvek home page: <https://www.example.org/zorvek>\n";

const char* const kVersion =
    "zorvek " ZORVEK_VERSION "\n"
    "Copyright (C) 2026 the Zorvek developers.\n"
    "License GPLv3: GNU GPL version 3 <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n"
    "Built with QScintilla " QSCINTILLA_VERSION_STR " (GPL-3.0), with Zorvek's own patches.\n";
} // namespace

GnuOptionsResult HandleGnuOptions(const QStringList& args) {
    GnuOptionsResult result;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break; // file names follow, whatever they look like
        const bool help = arg == QLatin1String("-h") || arg == QLatin1String("--help");
        const bool version = arg == QLatin1String("-v") || arg == QLatin1String("--version");
        if (!help && !version && !arg.startsWith(QLatin1String("--")))
            continue;
        result.handled = true;
        if (help) {
            result.out = QString::fromUtf8(kHelp);
        } else if (version) {
            result.out = QString::fromUtf8(kVersion);
        } else {
            result.exitCode = 2;
            result.err = QStringLiteral("zorvek: unrecognized option '%1'\n"
                                        "Try 'zorvek --help' for more information.\n")
                             .arg(arg);
        }
        return result;
    }
    return result;
}
