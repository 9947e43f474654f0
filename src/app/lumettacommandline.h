// The command line with the program's own option S:, which selects a separate settings profile.
#pragma once

#include "framework/commandline.h"

class CLumettaApp;

class CLumettaCommandLineInfo : public CCommandLineInfo {
public:
    explicit CLumettaCommandLineInfo(CLumettaApp& app) : m_app(app) {}
    void ParseParam(const QString& param, bool flag, bool last) override;

    // A suffix names a file beside the profile's own: a plain name of at most 64 bytes, with no
    // path separator, "..", NUL or control character.
    static bool IsValidProfileSuffix(const QString& suffix);

    // The first S: option refused, in full; empty when every one was accepted.
    QString m_strBadProfileOption;

private:
    CLumettaApp& m_app;
};
