// The modal "Preferences" window: the units values are shown and typed in,
// the clock, the date style, the decimal mark and the text size, and this
// computer's data folder. OK saves the units in the data folder and brings
// every panel up to date, and remembers a data folder chosen on this
// computer for the next start; Cancel and the close box change nothing. The
// window deletes itself once closed.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <string>

#include "rules/units/Units.h"

class Fl_Choice;
class Fl_Button;
class Fl_Output;
class Fl_Return_Button;
class MainWindow;

class PreferencesWindow : public Fl_Double_Window {
public:
    // Shows the units the main window shows (the defaults without one);
    // OK makes the saved ones the main window's.
    explicit PreferencesWindow(MainWindow* mainWindow);

    // One choice per setting, the stored unit (or the program's first
    // behaviour) first.
    Fl_Choice* temperature = nullptr;
    Fl_Choice* weight = nullptr;
    Fl_Choice* length = nullptr;
    Fl_Choice* sugar = nullptr;
    Fl_Choice* clock = nullptr;
    Fl_Choice* date = nullptr;     // YYYY/MM/DD, YYYY-MM-DD, DD.MM.YYYY
    Fl_Choice* decimal = nullptr;  // the decimal mark of the values shown
    Fl_Choice* textSize = nullptr;  // 100 to 200 %
    // The data folder this computer uses (the one chosen, once chosen) and
    // the button that chooses another.
    Fl_Output* folder = nullptr;
    Fl_Button* folderButton = nullptr;
    Fl_Return_Button* okButton = nullptr;
    Fl_Button* cancelButton = nullptr;

    // The preferences the choices hold.
    Units::Preferences chosen() const;

    void chooseFolderCB_i();
    void okCB_i();
    void cancelCB_i();
    static void okCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);
    static void chooseFolderCB(Fl_Widget*, void* window);

private:
    MainWindow* mainWindow_;
    std::string chosenFolder_;  // empty until another folder is chosen
};
