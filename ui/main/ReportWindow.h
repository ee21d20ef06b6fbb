// "Report for the Doctor…": the open user's period (the last 30 or 90 days,
// the last year, or from one day to another), then the file the page is
// saved to (FileCommands::writeReport), which opens in the browser.
#pragma once

#include <ctime>
#include <string>

#include <FL/Fl_Double_Window.H>

#include "rules/units/Units.h"

class Fl_Choice;
class Fl_Input;
class Fl_Return_Button;
class Fl_Button;
class Fl_Box;
struct ReportPeriod;

class ReportWindow : public Fl_Double_Window {
public:
    // Modal; shows itself. today is the day the report is made, units those
    // its values are shown in.
    ReportWindow(const std::tm& today, const Units::Preferences& units);

    Fl_Box* personBox = nullptr;
    Fl_Choice* periodChoice = nullptr;  // "Last 30 days", "Last 90 days" (first shown), "Last year", "From … To …"
    Fl_Input* fromInput = nullptr;      // the day as the report shows it, active for "From … To …"
    Fl_Input* toInput = nullptr;
    Fl_Return_Button* writeButton = nullptr;
    Fl_Button* cancelButton = nullptr;

    // The chosen period; false with error (for the alert) when the days cannot be read.
    bool period(ReportPeriod& out, std::string& error) const;

    void periodCB_i();
    void writeCB_i();
    void cancelCB_i();
    static void periodCB(Fl_Widget*, void* window);
    static void writeCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);

private:
    std::tm today_;
    Units::Preferences units_;
    std::string example_;  // a day in the date style shown, for the tooltips and the refusal
    std::string fromTip_, toTip_;
};
