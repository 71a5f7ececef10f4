#include "shell/status_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/agent_context.h"
#include "qt_test_app.h"
#include "shell/console_mirror.h"
#include "support/log_texts.h"
#include "support/test_db.h"

namespace kx {
namespace {

class RecordingOwner final : public StatusWindowOwner {
public:
    void SendMFThis(std::string_view text) override { sent.emplace_back(text); }
    void ResetLastAutoProcessDate() override { ++resets; }
    bool MainWindowMayClose() override { return mayClose; }

    std::vector<std::string> sent;
    int resets = 0;
    bool mayClose = true;
};

class StatusWindowTest : public ::testing::Test {
protected:
    // Columns of the bar painted in the colour of their number.
    int PaintedColumns() const {
        const QImage& image = window.BarImage();
        int columns = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor top = image.pixelColor(x, 0);
            const QColor bottom = image.pixelColor(x, image.height() - 1);
            if (top != QColor(255, x + 1, 0) || bottom != top) break;
            ++columns;
        }
        return columns;
    }
    bool BarCleared() const {
        const QImage& image = window.BarImage();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixelColor(x, y) != window.ButtonFaceColour()) return false;
        return true;
    }
    std::vector<std::string> LogLines() const { return test::LogTexts(ctx.log.MainLogPath()); }

    QApplication& app = test::TestApplication();
    test::TempHome home;
    FakeClock clock{MakeLocalTime(2026, 12, 9, 8, 0, 0)};
    AgentContext ctx{home.path(), clock};
    RecordingOwner owner;
    StatusWindow window{ctx, owner, true};
};

TEST_F(StatusWindowTest, StartsReadyWithFullPercentCaption) {
    EXPECT_EQ(window.width(), 450);
    EXPECT_EQ(window.height(), 224);
    EXPECT_EQ(window.StatePanelText(), "Ready");
    EXPECT_EQ(window.StatePanelColour(), StatusWindow::ReadyColour());
    EXPECT_EQ(window.PercentText(), "100 %");
    EXPECT_EQ(window.StopCaption(), "&Stop Processing");
    EXPECT_FALSE(window.ExtraMessageVisible());
    EXPECT_TRUE(BarCleared());
}

TEST_F(StatusWindowTest, ProgressPaintsTheWholePartOfValueOver100Times255Columns) {
    struct Case {
        int value;
        int columns;
        const char* label;
    };
    for (const Case c : {Case{50, 127, "50 %"}, Case{1, 2, "1 %"}, Case{100, 255, "100 %"}, Case{99, 252, "99 %"},
                         Case{150, 255, "150 %"}, Case{-5, 0, "-5 %"}}) {
        SCOPED_TRACE(c.value);
        window.SetGradBar(0);
        window.SetGradBar(c.value);
        EXPECT_EQ(PaintedColumns(), c.columns);
        EXPECT_EQ(window.PercentText(), c.label);
        EXPECT_EQ(window.StatePanelText(), "In Progress");
        EXPECT_EQ(window.StatePanelColour(), StatusWindow::InProgressColour());
    }
}

TEST_F(StatusWindowTest, ColumnsBeyondTheValueKeepTheButtonFace) {
    window.SetGradBar(50);
    EXPECT_EQ(window.BarImage().pixelColor(127, 5), window.ButtonFaceColour());
}

TEST_F(StatusWindowTest, BusyPaintsNothingAndEmptiesTheLabel) {
    window.SetGradBar(999);
    EXPECT_EQ(PaintedColumns(), 0);
    EXPECT_TRUE(BarCleared());
    EXPECT_EQ(window.PercentText(), "");
    EXPECT_EQ(window.StatePanelColour(), StatusWindow::InProgressColour());

    window.SetGradBar(50);
    window.SetGradBar(999);
    EXPECT_EQ(PaintedColumns(), 127) << "busy leaves the bar as it was";
}

TEST_F(StatusWindowTest, SmallerValueLeavesTheLongerBarUntilReady) {
    window.SetGradBar(80);
    window.SetGradBar(10);
    EXPECT_EQ(PaintedColumns(), 204);
    EXPECT_EQ(window.PercentText(), "10 %");

    window.SetGradBar(0);
    EXPECT_TRUE(BarCleared());
    EXPECT_EQ(window.StatePanelText(), "Ready");
    EXPECT_EQ(window.StatePanelColour(), StatusWindow::ReadyColour());
    EXPECT_EQ(window.PercentText(), "");
}

TEST_F(StatusWindowTest, BarIsDrawnInColumns137To391OfTheWindow) {
    window.SetGradBar(100);
    const QImage shown = window.grab().toImage();
    EXPECT_EQ(shown.pixelColor(137, 113), QColor(255, 1, 0));
    EXPECT_EQ(shown.pixelColor(263, 124), QColor(255, 127, 0));
    EXPECT_EQ(shown.pixelColor(391, 135), QColor(255, 255, 0));
    EXPECT_NE(shown.pixelColor(392, 124), QColor(255, 255, 0));
    EXPECT_NE(shown.pixelColor(137, 136), QColor(255, 1, 0));

    window.SetGradBar(0);
    EXPECT_EQ(window.grab().toImage().pixelColor(263, 124), window.ButtonFaceColour());
}

TEST_F(StatusWindowTest, InternationalCaptionsAreUsedEvenWhenEmpty) {
    ctx.settings.options.International = true;
    ctx.internArray.Set(236, "En cours");
    window.SetGradBar(20);
    EXPECT_EQ(window.StatePanelText(), "En cours");
    window.SetGradBar(0);
    EXPECT_EQ(window.StatePanelText(), "") << "entry 235 is empty";
}

TEST_F(StatusWindowTest, MessageAreaKeepsLines991To1000WhenItHoldsMoreThan1000) {
    for (int i = 1; i <= 1001; ++i) window.MemoAdd("line " + std::to_string(i));
    EXPECT_EQ(window.MemoLineCount(), 1001);

    window.MemoAdd("new");
    QStringList expected;
    for (int i = 991; i <= 1000; ++i) expected << QString("line %1").arg(i);
    expected << "new";
    EXPECT_EQ(window.MemoLines(), expected);
}

TEST_F(StatusWindowTest, ThousandLinesAreNotCleared) {
    for (int i = 1; i <= 1000; ++i) window.MemoAdd("x");
    window.MemoAdd("y");
    EXPECT_EQ(window.MemoLineCount(), 1001);
}

TEST_F(StatusWindowTest, StopButtonLeavesSTPReadiesAndSetsTheStopFlag) {
    window.SetGradBar(60);
    window.findChild<QPushButton*>("stopButton")->click();
    EXPECT_EQ(owner.sent, std::vector<std::string>{"STP"});
    EXPECT_TRUE(ctx.flags.stop);
    EXPECT_EQ(window.StatePanelText(), "Ready");
    EXPECT_TRUE(BarCleared());
}

TEST_F(StatusWindowTest, PercentLabelDoubleClickTogglesHeightAndExtraMessage) {
    struct Step {
        int height;
        bool extra;
    };
    for (const Step step : {Step{200, false}, Step{226, true}, Step{200, false}, Step{226, true}}) {
        window.PercentLabelDoubleClick();
        EXPECT_EQ(window.height(), step.height);
        EXPECT_EQ(window.ExtraMessageVisible(), step.extra);
    }
}

TEST_F(StatusWindowTest, MessageAreaDoubleClickShowsTheVersionInTheCaption) {
    window.SetTitle("Brisk Attendance Agent");
    window.MessageAreaDoubleClick();
    EXPECT_EQ(window.windowTitle(), "Brisk Attendance Agent V 1.1.4.7");
    EXPECT_EQ(window.Title(), "Brisk Attendance Agent");
}

TEST_F(StatusWindowTest, StatePanelClickAsksTheOwnerToReset) {
    QLabel* panel = window.findChild<QLabel*>("statePanel");
    ASSERT_NE(panel, nullptr);
    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, panel->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, panel->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &press);
    QCoreApplication::sendEvent(panel, &release);
    EXPECT_EQ(owner.resets, 1);
}

TEST_F(StatusWindowTest, HeadlessDialogsAnswerWithoutAnOperatorAndAreLogged) {
    EXPECT_EQ(window.ShowDialog("Disk full", DialogKind::Error, DialogButtons::Ok), DialogResult::Ok);
    EXPECT_EQ(window.ShowDialog("Terminate ?", DialogKind::Confirmation, DialogButtons::YesNo), DialogResult::Yes);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Dialog \"Disk full\" answered OK (headless)",
                                                    "Dialog \"Terminate ?\" answered Yes (headless)"}));
}

TEST_F(StatusWindowTest, StartsMinimisedAndIsRestoredToNormal) {
    window.ShowAtStart();
    EXPECT_TRUE(window.isMinimized());
    window.RestoreNormal();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(StatusWindowTest, MessageAreaShowsWhatWasAddedWhileMinimisedOnceRestored) {
    StatusWindow shown{ctx, owner, false};
    shown.ShowAtStart();
    for (int i = 1; i <= 1002; ++i) shown.MemoAdd("line " + std::to_string(i));
    shown.RestoreNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.MemoShownText(), shown.MemoLines().join('\n'));
    shown.MemoAdd("after");
    EXPECT_EQ(shown.MemoShownText(), shown.MemoLines().join('\n'));
    EXPECT_EQ(shown.MemoLineCount(), 12);
}

// ---- the window on screen ----

// Lets the event loop run long enough for a pending repaint to have happened.
void LetARepaintIntervalPass() {
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (waited.elapsed() < 2 * StatusWindow::kRepaintIntervalMs);
}

void PutOnScreen(StatusWindow& w) {
    w.ShowAtStart();
    QCoreApplication::processEvents();
    w.RestoreNormal();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.isVisible() && !w.isMinimized());
}

// "line N" for every N of the inclusive ranges.
QStringList NumberedLines(std::initializer_list<std::pair<int, int>> ranges) {
    QStringList lines;
    for (const auto& [from, to] : ranges)
        for (int n = from; n <= to; ++n) lines << QString("line %1").arg(n);
    return lines;
}

// What a range run does per staff-day, for `count` staff-days.
void RunBatch(StatusWindow& w, int count) {
    for (int i = 1; i <= count; ++i) {
        const int percent = i * 100 / count;
        w.SetGradBar(percent == 0 ? 999 : percent);
        w.MemoAdd("line " + std::to_string(i));
        QCoreApplication::processEvents();
    }
}

QPlainTextEdit& MessageArea(StatusWindow& w) { return *w.findChild<QPlainTextEdit*>(); }

TEST_F(StatusWindowTest, ShownMessageAreaEndsWithWhatThe1000LineRuleKept) {
    struct Case {
        int staffDays;
        QStringList kept;
    };
    // Each clearing keeps lines 991 to 1000 of the area and drops its 1001st line.
    const Case cases[] = {
        {1000, NumberedLines({{1, 1000}})},
        {1002, NumberedLines({{991, 1000}, {1002, 1002}})},
        {5000, NumberedLines({{4955, 4964}, {4966, 5000}})},
    };
    for (const Case& c : cases) {
        for (const bool byReady : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.staffDays << (byReady ? " ended by ready" : " ended by the timer"));
            StatusWindow shown{ctx, owner, false};
            PutOnScreen(shown);
            RunBatch(shown, c.staffDays);
            if (byReady)
                shown.SetGradBar(0);  // no event dispatch: the batch's end shows everything at once
            else
                LetARepaintIntervalPass();
            EXPECT_EQ(shown.MemoLines(), c.kept);
            EXPECT_EQ(shown.MemoShownText(), c.kept.join('\n'));
            QCoreApplication::processEvents();
            const QPlainTextEdit& area = MessageArea(shown);
            QTextCursor end(area.document());
            end.movePosition(QTextCursor::End);
            const QRect last = area.cursorRect(end);
            EXPECT_TRUE(last.top() >= 0 && last.bottom() < area.viewport()->height()) << "the last line is in view";
        }
    }
}

TEST_F(StatusWindowTest, ShownMessageAreaFollowsLinesThatAreEmptyOrSplit) {
    const std::vector<std::vector<const char*>> runs = {
        {"", "a"}, {"", "", "b"}, {"a\nb", "c"}, {"x\r\ny", ""}, {"\n", "z"},
    };
    for (const auto& run : runs) {
        StatusWindow shown{ctx, owner, false};
        PutOnScreen(shown);
        for (const char* text : run) {
            SCOPED_TRACE(testing::Message() << '"' << text << '"');
            shown.MemoAdd(text);
            shown.SetGradBar(0);
            EXPECT_EQ(shown.MemoShownText(), shown.MemoLines().join('\n'));
        }
    }
}

TEST_F(StatusWindowTest, RestoreShowsWhatCameWhileMinimised) {
    struct Case {
        int before;     // lines shown before the window is minimised
        int minimised;  // lines added while it is
        int expectedCount;
    };
    for (const Case c : {Case{300, 300, 600}, Case{0, 5, 5}, Case{300, 800, 109}, Case{995, 10, 14}}) {
        SCOPED_TRACE(testing::Message() << c.before << " + " << c.minimised);
        StatusWindow shown{ctx, owner, false};
        PutOnScreen(shown);
        for (int i = 1; i <= c.before; ++i) shown.MemoAdd("line " + std::to_string(i));
        shown.SetGradBar(0);
        shown.showMinimized();
        QCoreApplication::processEvents();
        for (int i = c.before + 1; i <= c.before + c.minimised; ++i) shown.MemoAdd("line " + std::to_string(i));
        shown.RestoreNormal();
        QCoreApplication::processEvents();
        EXPECT_EQ(shown.MemoLineCount(), c.expectedCount);
        EXPECT_EQ(shown.MemoShownText(), shown.MemoLines().join('\n'));
    }
}

TEST_F(StatusWindowTest, ShownBarPercentAndPanelAreRightAtTheEnd) {
    StatusWindow shown{ctx, owner, false};
    PutOnScreen(shown);
    const QLabel& percent = *shown.findChild<QLabel*>("percentLabel");
    const QLabel& panel = *shown.findChild<QLabel*>("statePanel");
    // What the window system was given to show, not a fresh rendering of the widgets.
    const auto onScreen = [&shown]() { return shown.screen()->grabWindow(shown.winId()).toImage(); };

    RunBatch(shown, 1000);
    shown.SetGradBar(57);  // 145 columns over the 255 the run left
    LetARepaintIntervalPass();
    EXPECT_EQ(percent.text(), "57 %");
    EXPECT_EQ(panel.text(), "In Progress");
    EXPECT_EQ(panel.palette().color(QPalette::Window), StatusWindow::InProgressColour());
    EXPECT_EQ(onScreen().pixelColor(281, 124), QColor(255, 145, 0));
    EXPECT_EQ(onScreen().pixelColor(391, 124), QColor(255, 255, 0)) << "a smaller value leaves the longer bar";

    shown.SetGradBar(0);
    EXPECT_EQ(percent.text(), "");
    EXPECT_EQ(panel.text(), "Ready");
    EXPECT_EQ(panel.palette().color(QPalette::Window), StatusWindow::ReadyColour());
    QCoreApplication::processEvents();  // painting, not the repaint timer
    EXPECT_EQ(onScreen().pixelColor(263, 124), shown.ButtonFaceColour());
}

TEST_F(StatusWindowTest, CloseFollowsTheOwnersAnswer) {
    window.show();
    owner.mayClose = false;
    EXPECT_FALSE(window.close());
    owner.mayClose = true;
    EXPECT_TRUE(window.close());
}

// ---- headless mirror ----

std::string Mirrored(bool terminal, const std::vector<int>& progress, const char* message = nullptr) {
    std::FILE* file = std::tmpfile();
    ConsoleMirror mirror(file, terminal);
    for (const int value : progress) mirror.Progress(value);
    if (message) mirror.Message(message);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

TEST(ConsoleMirrorTest, PipeGetsOneLinePerTenPercentStep) {
    EXPECT_EQ(Mirrored(false, {1, 5, 9, 10, 15, 999, 20, 35, 100}),
              "Progress 10 %\nProgress 20 %\nProgress 30 %\nProgress 100 %\n");
    EXPECT_EQ(Mirrored(false, {50, 0, 20}), "Progress 50 %\nProgress 20 %\n") << "ready starts the steps again";
    EXPECT_EQ(Mirrored(false, {}, "Process E1 on 01/11/2026"), "Process E1 on 01/11/2026\n");
}

TEST(ConsoleMirrorTest, TerminalRedrawsTheBarAroundMessages) {
    const std::string bar = ConsoleMirror::BarText(50);
    EXPECT_EQ(bar, "[" + std::string(20, '#') + std::string(20, '-') + "] 50 %");
    EXPECT_EQ(Mirrored(true, {50}, "hello"), "\r\033[K" + bar + "\r\033[Khello\n\r\033[K" + bar);
    EXPECT_EQ(Mirrored(true, {50, 0}), "\r\033[K" + bar + "\r\033[K");
}

}  // namespace
}  // namespace kx
