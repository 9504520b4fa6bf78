// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelWindowTarget.h"

#include <string>
#include <vector>

// The running panel's window for tests of what commands do to it: records
// each call, e.g. "show", "show <token>", "hide", "quit".
class FakePanelWindow : public PanelWindowTarget {
public:
    void showWindow(const std::string &token) override
    {
        actions.push_back(token.empty() ? "show" : "show " + token);
    }
    void hideWindow() override { actions.push_back("hide"); }
    void quitProgram() override { actions.push_back("quit"); }

    std::vector<std::string> actions;
};
