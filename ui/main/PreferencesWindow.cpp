#include "ui/main/PreferencesWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Return_Button.H>

#include <string>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "rules/units/PreferencesFile.h"
#include "rules/units/TextSize.h"
#include "store/Global.h"
#include "ui/main/FileCommands.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

namespace {

// A choice of two items; the second is picked when `second` holds.
Fl_Choice* addChoice(int y, const char* label, const char* first, const char* secondItem, bool second) {
    Fl_Choice* c = new Fl_Choice(150, y, 200, 25, label);
    // The items are plain texts: a slash or an ampersand is not a submenu or a shortcut.
    c->add(first, 0, nullptr, nullptr, 0);
    c->add(secondItem, 0, nullptr, nullptr, 0);
    c->value(second ? 1 : 0);
    return c;
}

}  // namespace

PreferencesWindow::PreferencesWindow(MainWindow* mainWindow)
    : Fl_Double_Window(500, 410, "Preferences"), mainWindow_(mainWindow) {
    TRACE_SCOPE("PreferencesWindow::PreferencesWindow");
    color(panelColor);
    const Units::Preferences& p = MainWindow::unitsOf(mainWindow_);
    temperature = addChoice(20, "Temperature:", "\xC2\xB0" "F", "\xC2\xB0" "C",
                            p.temperature == Units::Temperature::Celsius);
    weight = addChoice(55, "Weight:", "lb", "kg", p.mass == Units::Mass::Kilogram);
    length = addChoice(90, "Height, step size:", "ft\\/in", "cm", p.length == Units::Length::Centimetre);
    sugar = addChoice(125, "Blood sugar:", "mg\\/dL", "mmol\\/L", p.sugar == Units::Sugar::MillimolesPerLitre);
    clock = addChoice(160, "Clock:", "12-hour (AM\\/PM)", "24-hour", p.clock24);
    date = addChoice(195, "Dates:", "YYYY\\/MM\\/DD", "YYYY-MM-DD", false);
    date->add("DD.MM.YYYY", 0, nullptr, nullptr, 0);
    date->value(static_cast<int>(p.dateStyle));
    decimal = addChoice(230, "Decimal mark:", "point (36.8)", "comma (36,8)", p.decimalComma);
    textSize = new Fl_Choice(150, 265, 200, 25, "Text size:");
    for (int percent : TextSize::kChoices) textSize->add((std::to_string(percent) + " %").c_str(), 0, nullptr, nullptr, 0);
    const int shownSize = mainWindow_ ? TextScale::percent() : p.textSize;
    for (int i = 0; i < 5; ++i)
        if (TextSize::kChoices[i] == shownSize) textSize->value(i);

    // The data folder belongs to this computer, not to the synced diary.
    folder = new Fl_Output(150, 300, 250, 25, "Data folder:");
    folder->value(Global::dataFolder.c_str());
    folder->tooltip("The folder of the diary on this computer");
    folderButton = new Fl_Button(405, 300, 80, 25, "C&hoose\342\200\246");
    folderButton->callback(chooseFolderCB, this);
    Fl_Box* note = new Fl_Box(150, 325, 335, 20, "This computer's choice, used from the next start");
    note->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    note->labelsize(FL_NORMAL_SIZE - 2);

    okButton = new Fl_Return_Button(170, 360, 70, 30, "OK");
    okButton->box(FL_UP_BOX);
    okButton->callback(okCB, this);
    cancelButton = new Fl_Button(260, 360, 70, 30, "&Cancel");
    cancelButton->box(FL_UP_BOX);
    cancelButton->callback(cancelCB, this);
    end();
    // The close box does what Cancel does.
    callback(cancelCB, this);
    set_modal();
    TextScale::fit(*this);
    show();
}

Units::Preferences PreferencesWindow::chosen() const {
    Units::Preferences p;
    p.temperature = temperature->value() == 1 ? Units::Temperature::Celsius : Units::Temperature::Fahrenheit;
    p.mass = weight->value() == 1 ? Units::Mass::Kilogram : Units::Mass::Pound;
    p.length = length->value() == 1 ? Units::Length::Centimetre : Units::Length::Inch;
    p.sugar = sugar->value() == 1 ? Units::Sugar::MillimolesPerLitre : Units::Sugar::MilligramsPerDecilitre;
    p.clock24 = clock->value() == 1;
    p.dateStyle = static_cast<Units::DateStyle>(date->value() < 0 ? 0 : date->value());
    p.decimalComma = decimal->value() == 1;
    p.textSize = TextSize::kChoices[textSize->value() >= 0 && textSize->value() < 5 ? textSize->value() : 0];
    p.named = true;
    return p;
}

void PreferencesWindow::okCB_i() {
    TRACE_SCOPE("PreferencesWindow::okCB_i");
    const Units::Preferences p = chosen();
    std::string error;
    if (!PreferencesFile::write(Global::dataFolder, p, error)) {
        TRACE_MSG(1, "PreferencesWindow::okCB_i") << "Error: " << error;
        Dialogs::alert("The preferences could not be saved:\n" + error + "\nNothing was changed.");
        return;
    }
    TRACE_MSG(3, "PreferencesWindow::okCB_i") << "Saved file " << PreferencesFile::kName;
    // A folder that cannot be remembered is told, and the window stays.
    if (!chosenFolder_.empty() && !FileCommands::rememberDataFolder(chosenFolder_)) return;
    hide();
    // Every series, range and label is shown again in the new units.
    if (mainWindow_) mainWindow_->useUnits(p);
    // And drawn at the text size chosen.
    if (mainWindow_ && p.textSize != TextScale::percent()) mainWindow_->useTextSize(p.textSize);
}

void PreferencesWindow::chooseFolderCB_i() {
    TRACE_SCOPE("PreferencesWindow::chooseFolderCB_i");
    const std::string chosen = FileCommands::askDataFolder(folder->value());
    if (chosen.empty()) return;
    chosenFolder_ = chosen;
    folder->value(chosen.c_str());
}

void PreferencesWindow::cancelCB_i() {
    TRACE_SCOPE("PreferencesWindow::cancelCB_i");
    hide();
}

void PreferencesWindow::okCB(Fl_Widget*, void* w) { static_cast<PreferencesWindow*>(w)->okCB_i(); }
void PreferencesWindow::cancelCB(Fl_Widget*, void* w) { static_cast<PreferencesWindow*>(w)->cancelCB_i(); }
void PreferencesWindow::chooseFolderCB(Fl_Widget*, void* w) { static_cast<PreferencesWindow*>(w)->chooseFolderCB_i(); }
