// The command line with the program's own option S:, which selects a separate settings profile.
#pragma once

#include "framework/commandline.h"

class CLumettaApp;

class CLumettaCommandLineInfo : public CCommandLineInfo {
public:
    explicit CLumettaCommandLineInfo(CLumettaApp& app) : m_app(app) {}
    void ParseParam(const QString& param, bool flag, bool last) override;

private:
    CLumettaApp& m_app;
};
