// The modal window that creates a new user or edits the current user's
// personal information.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <string>

#include "rules/units/Units.h"
#include "store/XmlDocument.h"

class Fl_Input;
class Fl_Input_Choice;
class Fl_Return_Button;
class Fl_Button;
class MainWindow;

class InfoWindow : public Fl_Double_Window {
public:
    // The main window's panels follow what is saved (none without one).
    // A new user's details (created in the store and registered on OK) or
    // the open user's.
    enum class Person { New, Open };
    InfoWindow(MainWindow* mainWindow, const char* title, Person person);
    ~InfoWindow() override;

    bool isNew;
    Fl_Input* lastNameInput = nullptr;
    Fl_Input* firstNameInput = nullptr;
    Fl_Input* dobInput = nullptr;
    Fl_Input_Choice* genderChoice = nullptr;
    Fl_Input* weightInput = nullptr;
    Fl_Input* heightInput = nullptr;
    Fl_Input* stepSizeInput = nullptr;
    Fl_Input* raceInput = nullptr;
    Fl_Return_Button* okButton = nullptr;
    Fl_Button* cancelButton = nullptr;

    int checkInputs();
    void setInput(const char* elementName, XmlNode* parent, Fl_Input* input);
    void setNode(const char* elementName, XmlNode* parent, Fl_Input* input);
    void setNode(const char* elementName, XmlNode* parent, const std::string& text);
    void saveCB_i();
    void cancelCB_i();
    static void saveCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);

private:
    MainWindow* mainWindow_;
    const Units::Preferences& units() const;
    // Weight, height and step size as the file held them and as shown (in
    // the chosen units), in that order.
    std::string storedMeasures[3];
    std::string shownMeasures[3];
    Fl_Input* measureInput(int i) const;
    // The date of birth as the file held it and as shown, and what to store
    // for what is typed now.
    std::string storedDob;
    std::string shownDob;
    std::string dobText() const;
    // Writes dob, gender, weight, height, stepSize and race under info.
    void writeDetails(XmlNode* info);
};
