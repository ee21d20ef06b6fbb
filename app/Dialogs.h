// The one seam through which the program shows alerts, asks questions and
// ends the process. The program installs the toolkit's dialogs at start-up;
// tests install handlers that record the texts and answer at once.
#pragma once

#include <functional>
#include <string>

class Dialogs {
public:
    using AlertHandler = std::function<void(const std::string& message)>;
    // Returns the index of the chosen button (0, 1 or 2).
    using ChoiceHandler =
        std::function<int(const std::string& question, const char* b0, const char* b1, const char* b2)>;
    using ExitHandler = std::function<void(int status)>;

    // Shows a modal alert and returns when it is closed.
    static void alert(const std::string& message);
    // Asks a question with up to three buttons (null for an absent button).
    static int choice(const std::string& question, const char* b0, const char* b1, const char* b2);
    // Ends the process with the given status.
    [[noreturn]] static void terminate(int status);

    static void setAlertHandler(AlertHandler handler);
    static void setChoiceHandler(ChoiceHandler handler);
    // Tests may replace the exit (for example to throw); a handler that
    // returns is followed by std::exit.
    static void setExitHandler(ExitHandler handler);

    // Installs the FLTK dialogs (fl_alert / fl_choice); defined in the GUI library.
    static void useToolkitDialogs();
};
