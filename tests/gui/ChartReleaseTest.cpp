// The chart draws only its own copies: every command that replaces or
// releases the open user's document leaves a chart that can be redrawn and
// resized (run in the sanitizer build, a read of freed memory fails here).
#include "MainWindowFixture.h"

#include <climits>

#include "ui/chart/MyChart.h"

namespace {

enum class Path { NewUser, CancelledNewUser, FailedNewUser, OtherUser, Removal };
enum class Mode { MultiDisplay, NormalRange };

std::string variables() {
    return "\t<variable name=\"Pulse\"><normalLow>55</normalLow><normalHigh>95</normalHigh><panicLow/><panicHigh/>"
           "<entry id=\"0\"><value>50</value><date>2026/11/1</date><time>08:00:00 AM</time></entry>"
           "<entry id=\"1\"><value>99</value><date>2026/11/2</date><time>08:00:00 AM</time></entry></variable>\n"
           "\t<variable name=\"Blood Pressure\"><normalLow><systolic>90</systolic><diastolic>60</diastolic>"
           "</normalLow><normalHigh><systolic>139</systolic><diastolic>89</diastolic></normalHigh>"
           "<entry id=\"0\"><systolic>150</systolic><diastolic>95</diastolic><date>2026/11/1</date>"
           "<time>09:00:00 AM</time></entry>"
           "<entry id=\"1\"><systolic>85</systolic><diastolic>55</diastolic><date>2026/11/3</date>"
           "<time>09:00:00 AM</time></entry></variable>\n";
}

class ChartReleaseTest : public MainWindowFixture, public ::testing::WithParamInterface<std::tuple<Path, Mode>> {
protected:
    void showSeries(Mode mode) {
        if (mode == Mode::MultiDisplay) {
            pick(win->multiDisplayMenu, win->multiDisplayMenu->find_item("Vitals/Pulse"));
            pick(win->multiDisplayMenu, win->multiDisplayMenu->find_item("Vitals/Blood Pressure/Systolic"));
        } else {
            pick(win->normalRangeMenu, win->normalRangeMenu->find_item("Vitals/Blood Pressure"));
        }
        ASSERT_EQ(win->chart->variables.size(), 2u);
    }

    // A full redraw of the main window, then a resize and its redraw.
    void redrawAndResize() {
        win->redraw();
        Fl::flush();
        win->resize(win->x(), win->y(), 1100, 900);
        Fl::flush();
        win->resize(win->x(), win->y(), 1260, 984);
        win->redraw();
        Fl::flush();
        Fl::check();
    }
};

}  // namespace

TEST_P(ChartReleaseTest, TheChartSurvivesEveryReleaseOfTheDocument) {
    const Path path = std::get<0>(GetParam());
    const Mode mode = std::get<1>(GetParam());
    // Without a free id left, File/New makes no new user.
    const int firstId = path == Path::FailedNewUser ? INT_MAX : 0;
    std::vector<TestUser> users{{firstId, "Ann", "Lee", variables()}};
    if (path != Path::FailedNewUser) users.push_back({1, "Bob", "Ray", variables()});
    writeUsers(users);
    openWindow();
    chooseLine(1);
    showSeries(mode);
    const std::string drawnRange = win->chart->variables.front().range.loText;
    redrawAndResize();

    switch (path) {
        case Path::NewUser:
        case Path::FailedNewUser: pickMenu("File/New"); break;
        case Path::CancelledNewUser:
            pickMenu("File/New");
            ASSERT_NE(theInfoWindow(), nullptr);
            theInfoWindow()->cancelButton->do_callback();
            break;
        case Path::OtherUser: chooseLine(2); break;
        case Path::Removal:
            dialogs->nextChoice = 2;  // "Remove"
            win->userRemoveCB_i();
            ASSERT_FALSE(Global::userOpen);
            break;
    }
    // What the chart still shows is its own copy.
    redrawAndResize();
    for (const ChartVariable& v : win->chart->variables) EXPECT_FALSE(v.range.loText.empty()) << v.name;
    if (!win->chart->variables.empty()) {
        EXPECT_EQ(win->chart->variables.front().range.loText, drawnRange);
    }
    closeDialogs();
    redrawAndResize();
}

static std::string caseName(const ::testing::TestParamInfo<std::tuple<Path, Mode>>& info) {
    static const char* const paths[] = {"NewUser", "CancelledNewUser", "FailedNewUser", "OtherUser", "Removal"};
    return std::string(paths[static_cast<int>(std::get<0>(info.param))]) +
           (std::get<1>(info.param) == Mode::MultiDisplay ? "_MultiDisplay" : "_NormalRange");
}

INSTANTIATE_TEST_SUITE_P(Paths, ChartReleaseTest,
                         ::testing::Combine(::testing::Values(Path::NewUser, Path::CancelledNewUser,
                                                              Path::FailedNewUser, Path::OtherUser, Path::Removal),
                                            ::testing::Values(Mode::MultiDisplay, Mode::NormalRange)),
                         caseName);
