#pragma once
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <limits>

#include <string>
#include <string_view>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kx {

struct AgentContext;
class ActionLabel;
class ConsoleMirror;
class GradBar;

enum class DialogKind { Error, Confirmation };
enum class DialogButtons { Ok, YesNo, OkCancel };
enum class DialogResult { Ok, Yes, No, Cancel };
const char* DialogResultText(DialogResult result);

// What the status window asks of the agent that owns it.
class StatusWindowOwner {
public:
    virtual ~StatusWindowOwner() = default;
    // A reply into the control mailbox ("STP" from the Stop button).
    virtual void SendMFThis(std::string_view text) = 0;
    // The click on the state panel: the reset of the last auto-process date.
    virtual void ResetLastAutoProcessDate() = 0;
    // The window is about to close (operator, "END" or a signal): may it close now?
    virtual bool MainWindowMayClose() = 0;
};

// The agent's status window: recent messages, the "Ready" / "In Progress" panel,
// the painted progress bar with its percentage, and the Stop button. Sizes and
// positions are those of the window's inner area.
class StatusWindow final : public QWidget {
public:
    static constexpr int kWidth = 450;
    static constexpr int kStartHeight = 224;
    static constexpr int kShortHeight = 200;
    static constexpr int kTallHeight = 226;
    static constexpr int kMemoLimit = 1000;
    // While the window is on screen its widgets follow the messages and the
    // progress at most this often (and at once when the state becomes ready).
    static constexpr int kRepaintIntervalMs = 200;

    // Headless: dialogs are answered without an operator; messages and progress
    // also go to the mirror when one is given.
    StatusWindow(AgentContext& ctx, StatusWindowOwner& owner, bool headless, ConsoleMirror* mirror = nullptr);
    ~StatusWindow() override;

    // 0 ready, 1..100 a percentage, 999 busy without a bar.
    void SetGradBar(int value);
    void MemoAdd(std::string_view text);
    void StopButtonClick();
    // Modal message box, captioned with the window title unless a caption is given;
    // headless, the answer that keeps the agent running (OK, or Yes to a question
    // asked because a close was requested) is logged on one line and returned.
    DialogResult ShowDialog(const std::string& text, DialogKind kind, DialogButtons buttons,
                            const std::string& caption = {});

    // The caption and the title remembered for the version gesture.
    void SetTitle(const std::string& title);
    const std::string& Title() const { return title_; }
    void SetStopCaption(const std::string& caption);
    void SetStatePanelCaption(const std::string& caption);
    // Shown white normally, red after a failed reconnection.
    void SetMessageAreaColour(const QColor& colour);
    void ShowNormalIcon();

    // Centred on the screen and minimised.
    void ShowAtStart();
    void RestoreNormal();

    // The operator's gestures.
    void MessageAreaDoubleClick();
    void PercentLabelDoubleClick();
    void StatePanelClick();

    // What is shown, for tests and the headless mirror (the widgets may lag it by
    // up to kRepaintIntervalMs while on screen).
    QString StatePanelText() const { return panelText_; }
    QColor StatePanelColour() const { return panelColour_; }
    QString PercentText() const { return percentText_; }
    QString StopCaption() const;
    QStringList MemoLines() const { return lines_; }
    int MemoLineCount() const { return static_cast<int>(lines_.size()); }
    QString MemoShownText() const;  // what the message area widget itself holds
    const QImage& BarImage() const;
    QColor ButtonFaceColour() const;
    bool ExtraMessageVisible() const;
    bool Headless() const { return headless_; }

    static QColor ReadyColour() { return QColor(0, 255, 0); }
    static QColor InProgressColour() { return QColor(255, 0, 0); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void SetStatePanel(const QString& caption, const QColor& colour);
    bool OnScreen() const;
    void ShowSoon();
    void ShowThrottled();
    void ShowPending();
    void ShowMemo();
    std::string PanelText(int number, const char* builtin) const;
    void LogFailure(const char* tag, const char* what) const;

    AgentContext& ctx_;
    StatusWindowOwner& owner_;
    bool headless_;
    ConsoleMirror* mirror_;
    int shownValue_ = std::numeric_limits<int>::min();  // the last value SetGradBar showed
    std::string title_;
    QStringList lines_;  // the message area's lines
    QString panelText_;
    QColor panelColour_;
    QString percentText_;

    // The widgets are brought up to the values above only as often as a person
    // can follow, and the message area only while someone can see it: a batch
    // changes them once per staff-day, and laying out and painting every change
    // cost more than the staff-day itself.
    QTimer* repaintTimer_ = nullptr;
    QElapsedTimer sinceRepaint_;  // since the last repaint the throttle allowed
    bool labelsStale_ = false;
    bool barStale_ = false;
    // The message area holds the first memoShown_ lines unless memoStale_: the
    // 1000-line rule's clearing keeps lines that are not its last.
    qsizetype memoShown_ = 0;
    bool memoStale_ = false;

    QFrame* memoFrame_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    ActionLabel* statePanel_ = nullptr;
    QFrame* barFrame_ = nullptr;
    GradBar* bar_ = nullptr;
    ActionLabel* percentLabel_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QLabel* extraMessage_ = nullptr;
};

}  // namespace kx
