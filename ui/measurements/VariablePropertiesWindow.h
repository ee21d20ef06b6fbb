// The modal window that edits a variable's normal and panic ranges.
// Closing it from the title bar does what Cancel does.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class Fl_Input;
class Fl_Return_Button;
class Fl_Button;
class MainWindow;

class VariablePropertiesWindow : public Fl_Double_Window {
public:
    // Limits are shown in the main window's units, and its chart draws the
    // saved ones (none without one).
    VariablePropertiesWindow(MainWindow* mainWindow, int w, const char* variableName, const char* title);
    ~VariablePropertiesWindow() override;

    std::string variableName;
    std::vector<Fl_Input*> inputs;
    Fl_Return_Button* okButton = nullptr;
    Fl_Button* cancelButton = nullptr;
    XmlNode* variableNode = nullptr;
    // The limits as the file held them and as they were shown (in the chosen unit).
    std::vector<std::string> storedTexts;
    std::vector<std::string> shownTexts;

    void saveCB_i();
    void cancelCB_i();
    static void saveCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);

    // The inputs' texts in creation order.
    std::vector<std::string> texts() const;

private:
    MainWindow* mainWindow_;
    const Units::Preferences& units() const;
};
