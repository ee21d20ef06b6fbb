#include "app/Dialogs.h"

#include <cstdlib>
#include <iostream>

namespace {

Dialogs::AlertHandler& alertHandler() {
    static Dialogs::AlertHandler h;
    return h;
}
Dialogs::ChoiceHandler& choiceHandler() {
    static Dialogs::ChoiceHandler h;
    return h;
}
Dialogs::ButtonsHandler& buttonsHandler() {
    static Dialogs::ButtonsHandler h;
    return h;
}
Dialogs::FileHandler& fileHandler() {
    static Dialogs::FileHandler h;
    return h;
}
Dialogs::ProgressHandler& progressHandler() {
    static Dialogs::ProgressHandler h;
    return h;
}
Dialogs::ExitHandler& exitHandler() {
    static Dialogs::ExitHandler h;
    return h;
}

}  // namespace

void Dialogs::alert(const std::string& message) {
    if (alertHandler()) {
        alertHandler()(message);
        return;
    }
    // Without a toolkit the message still reaches the person.
    std::cerr << message << std::endl;
}

int Dialogs::choice(const std::string& question, const char* b0, const char* b1, const char* b2) {
    if (choiceHandler()) return choiceHandler()(question, b0, b1, b2);
    std::cerr << question << std::endl;
    return 0;  // the first button is the safe answer
}

int Dialogs::choose(const std::string& question, const std::vector<std::string>& buttons, int defaultButton,
                    int cancelButton) {
    if (buttonsHandler()) return buttonsHandler()(question, buttons, defaultButton, cancelButton);
    std::cerr << question << std::endl;
    return cancelButton;
}

std::string Dialogs::chooseFile(const FileRequest& request) {
    if (fileHandler()) return fileHandler()(request);
    std::cerr << request.title << std::endl;
    return std::string();  // nothing chosen: the action is not taken
}

void Dialogs::progress(const std::string& title, int percent) {
    // Without a toolkit a task's end is told by its result alone.
    if (progressHandler()) progressHandler()(title, percent);
}

void Dialogs::terminate(int status) {
    if (exitHandler()) exitHandler()(status);
    std::exit(status);
}

void Dialogs::setAlertHandler(AlertHandler handler) { alertHandler() = std::move(handler); }
void Dialogs::setChoiceHandler(ChoiceHandler handler) { choiceHandler() = std::move(handler); }
void Dialogs::setFileHandler(FileHandler handler) { fileHandler() = std::move(handler); }
void Dialogs::setProgressHandler(ProgressHandler handler) { progressHandler() = std::move(handler); }
void Dialogs::setButtonsHandler(ButtonsHandler handler) { buttonsHandler() = std::move(handler); }
void Dialogs::setExitHandler(ExitHandler handler) { exitHandler() = std::move(handler); }

void Dialogs::resetForTests() {
    alertHandler() = nullptr;
    choiceHandler() = nullptr;
    fileHandler() = nullptr;
    progressHandler() = nullptr;
    buttonsHandler() = nullptr;
    exitHandler() = nullptr;
}
