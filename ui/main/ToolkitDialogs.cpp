// The toolkit's own dialogs behind the Dialogs seam.
#include <FL/fl_ask.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"

void Dialogs::useToolkitDialogs() {
    // Messages carry names and values from the data: shown as they are.
    setAlertHandler([](const std::string& message) { fl_alert("%s", LiteralText::label(message).c_str()); });
    setChoiceHandler([](const std::string& question, const char* b0, const char* b1, const char* b2) {
        return fl_choice("%s", b0, b1, b2, LiteralText::label(question).c_str());
    });
}
