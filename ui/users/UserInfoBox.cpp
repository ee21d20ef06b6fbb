#include "ui/users/UserInfoBox.h"

#include <string>

#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>

#include "app/LiteralText.h"
#include "app/Trace.h"
#include "rules/units/ClockStyle.h"
#include "rules/users/InfoUnits.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"

UserInfoBox::UserInfoBox(int y, int h) : Fl_Group(3, y, 247, h) {
    TRACE_SCOPE("UserInfoBox::UserInfoBox");
    color(255);
    Fl_Box* background = new Fl_Box(3, y, 247, h);
    background->box(FL_THIN_DOWN_BOX);
    background->color(panelColor);
    Fl_Box* title = new Fl_Box(6, y + 3, 241, 25, "User Information");
    title->box(FL_THIN_UP_BOX);
    title->labelfont(FL_HELVETICA_BOLD);
    title->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    Fl_Group* inner = new Fl_Group(3, y + 28, 247, h - 28);
    browser = new Fl_Browser(23, y + 58, 207, h - 86);
    browser->box(browserBox);
    browser->column_widths(columnWidths);
    browser->column_char('\t');
    populateBrowser();
    inner->end();
    resizable(inner);
    end();
}

UserInfoBox::~UserInfoBox() {}

void UserInfoBox::populateBrowser() {
    const Units::Preferences& units = MainWindow::unitsOf(MainWindow::of(this));
    TRACE_SCOPE("UserInfoBox::populateBrowser");
    browser->clear();
    if (!Global::userOpen) return;
    XmlNode* patient = Global::userDoc->first_node("patient");
    XmlNode* info = patient ? patient->first_node("info") : nullptr;
    XmlNode* name = info ? info->first_node("name") : nullptr;
    // Values are shown as typed, even when they start with the list's format character.
    browser->add(("First Name:\t" + LiteralText::listLine(Global::childText(name, "first"))).c_str());
    browser->add(("Last Name:\t" + LiteralText::listLine(Global::childText(name, "last"))).c_str());

    // Each detail is looked for after the one found before it; a missing one
    // is skipped and the search goes on from the last one found.
    struct Detail {
        const char* element;
        const char* prefix;
        const char* suffix;
    };
    static const Detail details[] = {
        {"dob", "Date of Birth:\t", ""}, {"gender", "Gender:\t", ""},     {"weight", "Weight:\t", " lbs"},
        {"height", "Height:\t", ""},     {"stepSize", "Step size:\t", " in"}, {"race", "Race:\t", ""},
    };
    XmlNode* after = name;
    for (const Detail& d : details) {
        XmlNode* found = after ? after->next_sibling(d.element) : (info ? info->first_node(d.element) : nullptr);
        if (!found) continue;
        after = found;
        std::string text = Global::textOf(found);
        if (text.empty()) continue;
        std::string suffix = d.suffix;
        // Weight, height and step size in the chosen units.
        const std::string element = d.element;
        if (element == "dob") text = ClockStyle::shownDate(text, units);
        if (element == "weight" || element == "height" || element == "stepSize") {
            const InfoUnits::Measure m = element == "weight"   ? InfoUnits::Measure::Weight
                                         : element == "height" ? InfoUnits::Measure::Height
                                                               : InfoUnits::Measure::StepSize;
            // A text that does not read as a measure is shown as typed, without a unit.
            if (InfoUnits::asStored(m, units) || InfoUnits::reads(m, text)) {
                suffix = InfoUnits::suffix(m, units);
                text = InfoUnits::shown(m, text, units);
            } else {
                suffix.clear();
            }
        }
        browser->add((d.prefix + LiteralText::listLine(text + suffix)).c_str());
    }
}
