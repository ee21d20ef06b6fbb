// A small Windows program built by scripts/check-windows.sh with the
// mingw-w64 cross compiler. It links the program's core (platform layer,
// trace log, dialogs seam, data store and the rules) and prints where the
// program would keep its data and its trace log, so that the Windows code
// paths keep compiling and linking.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Trace.h"
#include "platform/Platform.h"
#include "store/Global.h"
#include "store/XmlFile.h"

int main() {
    std::string folder;
    if (!platform::dataFolder(folder)) {
        std::printf("The application-data folder could not be found.\n");
        return 1;
    }
    std::printf("data folder: %s\n", folder.c_str());
    std::printf("executable:  %s\n", platform::executablePath().c_str());
    std::printf("trace log:   %s\n", Trace::defaultLogPath().c_str());

    // The store's reading and printing, on a registry held in memory.
    const std::string registry = "<config><patient id=\"0\"><name><first>A</first></name></patient></config>";
    std::vector<char> text(registry.begin(), registry.end());
    text.push_back('\0');
    XmlDocument doc;
    std::string error;
    if (!XmlFile::parse(text, doc, error)) {
        std::printf("parse failed: %s\n", error.c_str());
        return 1;
    }
    Global::init();
    std::printf("registry:    %s", XmlFile::print(doc).c_str());
    std::printf("separator:   %c\n", platform::pathSeparator());
    return 0;
}
