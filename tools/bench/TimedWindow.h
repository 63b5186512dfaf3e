#pragma once

#include "gui/ConsoleWindow.h"
#include "tools/bench/BenchSupport.h"

#include <string>
#include <vector>

namespace bench {

// The window with the moments the console used its view: the search's lines as they reach
// the log, and the fill of the hub list (the rows taken away, then the new ones shown).
class TimedWindow : public CConsoleWindow {
public:
    TimedWindow() : CConsoleWindow(false) {}

    struct Times {
        Clock::time_point firstReply, lastReply, fillBegun, fillEnded;
    };
    void Restart() { times_ = {}; }
    const Times& times() const { return times_; }

    void AppendToLog(const std::string& text) override {
        if (text.starts_with("Обнаружен хаб")) {
            times_.lastReply = Clock::now();
            if (times_.firstReply == Clock::time_point{}) {
                times_.firstReply = times_.lastReply;
            }
        }
        CConsoleWindow::AppendToLog(text);
    }
    void ShowHubRows(const std::vector<HubRow>& rows) override {
        if (rows.empty()) {
            times_.fillBegun = Clock::now();
        }
        CConsoleWindow::ShowHubRows(rows);
        times_.fillEnded = Clock::now();
    }

private:
    Times times_;
};

} // namespace bench
