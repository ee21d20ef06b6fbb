#include "ui/main/ReportWindow.h"

#include <string>

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"
#include "exchange/report/ReportPeriod.h"
#include "store/Global.h"
#include "ui/main/FileCommands.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

namespace {

// The choices of the period, in menu order, with the --last text of each.
const char* const kLast[] = {"30d", "90d", "1y", ""};
const int kDefaultPeriod = 1;
const int kFromTo = 3;

}  // namespace

ReportWindow::ReportWindow(const std::tm& today, const Units::Preferences& units)
    : Fl_Double_Window(380, 165, "Report for the Doctor"), today_(today), units_(units) {
    TRACE_SCOPE("ReportWindow::ReportWindow");
    color(panelColor);
    const XmlNode* record = Global::findNodeWithId(Global::currentId.c_str());
    const XmlNode* name = record ? record->first_node("name") : nullptr;
    const std::string person = std::string(Global::childText(name, "first")) + " " + Global::childText(name, "last");
    personBox = new Fl_Box(15, 10, 350, 25);
    personBox->copy_label(LiteralText::label("Readings of " + person).c_str());
    personBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    personBox->labelfont(FL_HELVETICA_BOLD);

    periodChoice = new Fl_Choice(90, 45, 180, 25, "Period:");
    periodChoice->add("Last 30 days");
    periodChoice->add("Last 90 days");
    periodChoice->add("Last year");
    // A '/' would make a submenu: the item is added by its plain label.
    periodChoice->add("From \342\200\246 To \342\200\246");
    periodChoice->value(kDefaultPeriod);
    periodChoice->callback(periodCB, this);

    // The two days start as the 90 days up to today.
    ReportPeriod standard;
    std::string ignored;
    ReportPeriod::fromOptions("", "", "", today_, standard, ignored);
    fromInput = new Fl_Input(90, 80, 100, 25, "From:");
    fromInput->value(ReportPeriod::shownDay(standard.firstDay, units_.dateStyle).c_str());
    toInput = new Fl_Input(240, 80, 100, 25, "To:");
    toInput->value(ReportPeriod::shownDay(standard.lastDay, units_.dateStyle).c_str());
    // The days as the report shows them.
    std::tm example{};
    example.tm_year = 2026 - 1900;
    example.tm_mon = 2;
    example.tm_mday = 5;
    example_ = ReportPeriod::shownDay(example, units_.dateStyle);
    fromTip_ = "The first day, as " + example_;
    toTip_ = "The last day, as " + example_;
    fromInput->tooltip(fromTip_.c_str());
    toInput->tooltip(toTip_.c_str());
    fromInput->deactivate();
    toInput->deactivate();

    writeButton = new Fl_Return_Button(90, 120, 150, 30, "Save Report\342\200\246");
    writeButton->callback(writeCB, this);
    cancelButton = new Fl_Button(255, 120, 85, 30, "Cancel");
    cancelButton->callback(cancelCB, this);
    callback(cancelCB, this);
    end();
    set_modal();
    TextScale::fit(*this);
    show();
}

bool ReportWindow::period(ReportPeriod& out, std::string& error) const {
    const int chosen = periodChoice->value();
    if (chosen == kFromTo) {
        // The days are typed in the style shown; the period reads them in ISO form.
        std::string days[2];
        for (int i = 0; i < 2; ++i) {
            Fl_Input* input = i == 0 ? fromInput : toInput;
            std::tm read{};
            if (!ReportPeriod::readTypedDay(input->value(), units_, read)) {
                error = std::string(input->label()) + " cannot read the day \"" + input->value() +
                        "\" (a day that exists, from 1970 on, as " + example_ + ")";
                return false;
            }
            days[i] = ReportPeriod::dayText(read);
        }
        return ReportPeriod::fromOptions(days[0], days[1], "", today_, out, error);
    }
    return ReportPeriod::fromOptions("", "", kLast[chosen < 0 ? kDefaultPeriod : chosen], today_, out, error);
}

void ReportWindow::periodCB_i() {
    if (periodChoice->value() == kFromTo) {
        // The days of the choice made before are where the person starts.
        fromInput->activate();
        toInput->activate();
        return;
    }
    fromInput->deactivate();
    toInput->deactivate();
    // The greyed days show the period the choice covers.
    ReportPeriod chosen;
    std::string error;
    if (!period(chosen, error)) return;
    fromInput->value(ReportPeriod::shownDay(chosen.firstDay, units_.dateStyle).c_str());
    toInput->value(ReportPeriod::shownDay(chosen.lastDay, units_.dateStyle).c_str());
}

void ReportWindow::writeCB_i() {
    TRACE_SCOPE("ReportWindow::writeCB_i");
    ReportPeriod chosen;
    std::string error;
    if (!period(chosen, error)) {
        TRACE_MSG(4, "ReportWindow::writeCB_i") << "Refused period: " << error;
        Dialogs::alert(error);
        return;
    }
    // The window stays when nothing was written, so the person can choose again.
    if (FileCommands::writeReport(chosen, today_, units_)) hide();
}

void ReportWindow::cancelCB_i() { hide(); }

void ReportWindow::periodCB(Fl_Widget*, void* window) { static_cast<ReportWindow*>(window)->periodCB_i(); }
void ReportWindow::writeCB(Fl_Widget*, void* window) { static_cast<ReportWindow*>(window)->writeCB_i(); }
void ReportWindow::cancelCB(Fl_Widget*, void* window) { static_cast<ReportWindow*>(window)->cancelCB_i(); }
