#include "shell/status_window.h"

#include <algorithm>

#include <QEvent>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <exception>

#include "core/agent_context.h"
#include "core/intern_text.h"
#include "core/mailbox_protocol.h"
#include "shell/agent_identity.h"
#include "shell/console_mirror.h"
#include "shell/status_widgets.h"

namespace kx {
namespace {

constexpr int kBusy = 999;
constexpr int kMemoKeptFrom = 991;  // lines 991 to 1000 survive a clearing
constexpr int kMemoKeptTo = 1000;

QString FromText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QIcon NormalIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(StatusWindow::ReadyColour());
    painter.setPen(Qt::black);
    painter.drawEllipse(3, 3, 26, 26);
    return QIcon(pixmap);
}

}  // namespace

const char* DialogResultText(DialogResult result) {
    switch (result) {
    case DialogResult::Ok: return "OK";
    case DialogResult::Yes: return "Yes";
    case DialogResult::No: return "No";
    case DialogResult::Cancel: return "Cancel";
    }
    return "";
}

StatusWindow::StatusWindow(AgentContext& ctx, StatusWindowOwner& owner, bool headless, ConsoleMirror* mirror)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint),
      ctx_(ctx),
      owner_(owner),
      headless_(headless),
      mirror_(mirror) {
    setFixedSize(kWidth, kStartHeight);
    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    QObject::connect(repaintTimer_, &QTimer::timeout, this, [this]() {
        try {
            ShowThrottled();
        } catch (const std::exception& e) {
            LogFailure("<MemoAdd>", e.what());  // the message area is the bulk of what is shown late
        }
    });
    BuildControls();
    ShowPending();
    ShowNormalIcon();
}

StatusWindow::~StatusWindow() = default;

void StatusWindow::BuildControls() {
    memoFrame_ = new QFrame(this);
    memoFrame_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    memoFrame_->setGeometry(8, 8, 417, 89);

    memo_ = new QPlainTextEdit(this);
    memo_->setReadOnly(true);
    memo_->setGeometry(16, 16, 401, 73);
    memo_->viewport()->installEventFilter(this);
    SetMessageAreaColour(Qt::white);

    statePanel_ = new ActionLabel(this);
    statePanel_->setObjectName("statePanel");
    statePanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statePanel_->setAlignment(Qt::AlignCenter);
    statePanel_->setAutoFillBackground(true);
    statePanel_->setGeometry(16, 112, 113, 25);
    statePanel_->onClick = [this]() { StatePanelClick(); };
    SetStatePanel("Ready", ReadyColour());

    barFrame_ = new QFrame(this);
    barFrame_->setFrameStyle(QFrame::Box | QFrame::Plain);
    barFrame_->setGeometry(136, 112, 257, 25);
    bar_ = new GradBar(this);
    bar_->move(137, 113);  // columns x 137..391, rows y 113..135

    percentText_ = "100 %";
    percentLabel_ = new ActionLabel(percentText_, this);
    percentLabel_->setObjectName("percentLabel");
    percentLabel_->setAttribute(Qt::WA_TranslucentBackground);
    percentLabel_->setGeometry(400, 118, 45, 15);
    percentLabel_->onDoubleClick = [this]() { PercentLabelDoubleClick(); };

    stopButton_ = new QPushButton("&Stop Processing", this);
    stopButton_->setObjectName("stopButton");
    stopButton_->setGeometry(176, 144, 115, 25);
    QObject::connect(stopButton_, &QPushButton::clicked, [this]() { StopButtonClick(); });

    extraMessage_ = new QLabel("Extra Message", this);
    extraMessage_->move(16, 176);
    extraMessage_->adjustSize();
    extraMessage_->hide();
}

void StatusWindow::LogFailure(const char* tag, const char* what) const { ctx_.log.WriteLog(std::string(tag) + what); }

std::string StatusWindow::PanelText(int number, const char* builtin) const {
    return ctx_.settings.options.International ? ctx_.internArray[number] : std::string(builtin);
}

void StatusWindow::SetStatePanel(const QString& caption, const QColor& colour) {
    panelText_ = caption;
    panelColour_ = colour;
    labelsStale_ = true;
}

void StatusWindow::SetGradBar(int value) {
    try {
        // Painting is idempotent: a batch reports the same percentage for many
        // staff-days in a row, and repainting it each time dominated their cost.
        if (value == shownValue_) {
            if (value == 0) ShowPending();  // a batch's end: what it left is shown whole
            return;
        }
        shownValue_ = value;
        if (value == 0) {
            SetStatePanel(FromText(PanelText(kReadyCaptionText, "Ready")), ReadyColour());
            bar_->Clear(ButtonFaceColour());
            percentText_.clear();
            ShowNormalIcon();
        } else {
            SetStatePanel(FromText(PanelText(kInProgressCaptionText, "In Progress")), InProgressColour());
            percentText_.clear();
            if (value != kBusy) {
                // A value beyond 100 (a mailbox "SGB" can send one) fills the bar and
                // no more: the columns never reach past the bar's frame.
                bar_->PaintColumns(static_cast<int>(value / 100.0 * 255));
                percentText_ = QString::number(value) + " %";
            }
        }
        barStale_ = true;
        if (value == 0)
            ShowPending();
        else
            ShowSoon();
        if (mirror_) mirror_->Progress(value);
    } catch (const std::exception& e) {
        LogFailure("<SetGradBar>", e.what());
    }
}

void StatusWindow::MemoAdd(std::string_view text) {
    try {
        if (lines_.size() > kMemoLimit) {
            lines_ = lines_.mid(kMemoKeptFrom - 1, kMemoKeptTo - kMemoKeptFrom + 1);
            memoStale_ = true;
        }
        QString added = FromText(text);
        added.remove('\r');
        lines_.append(added.split('\n'));
        ShowSoon();
        if (mirror_) mirror_->Message(text);
    } catch (const std::exception& e) {
        LogFailure("<MemoAdd>", e.what());
    }
}

QString StatusWindow::MemoShownText() const { return memo_->toPlainText(); }

bool StatusWindow::OnScreen() const { return !headless_ && isVisible() && !isMinimized(); }

// Off screen a change costs no painting and is passed on at once. On screen the
// first change after a quiet spell is shown at once, so a lone message is not
// late, and the rest wait for the timer.
void StatusWindow::ShowSoon() {
    if (!OnScreen()) {
        ShowPending();
        return;
    }
    if (repaintTimer_->isActive()) return;
    const qint64 since = sinceRepaint_.isValid() ? sinceRepaint_.elapsed() : kRepaintIntervalMs;
    if (since >= kRepaintIntervalMs)
        ShowThrottled();
    else
        repaintTimer_->start(static_cast<int>(kRepaintIntervalMs - since));
}

void StatusWindow::ShowThrottled() {
    ShowPending();
    sinceRepaint_.start();
}

// Restores and batch ends come here directly: they are rare, and what they
// show must be whole without waiting.
void StatusWindow::ShowPending() {
    repaintTimer_->stop();
    if (labelsStale_) {
        statePanel_->setText(panelText_);
        QPalette palette = statePanel_->palette();
        palette.setColor(QPalette::Window, panelColour_);
        palette.setColor(QPalette::WindowText, Qt::black);
        statePanel_->setPalette(palette);
        percentLabel_->setText(percentText_);
        labelsStale_ = false;
    }
    if (barStale_) {
        bar_->update();
        barStale_ = false;
    }
    if (OnScreen()) ShowMemo();
}

void StatusWindow::ShowMemo() {
    // An empty document takes no paragraph break before what is appended, so a
    // leading empty line would be lost: such a small area is rebuilt instead.
    if (memoStale_ || memo_->document()->isEmpty()) {
        memo_->setPlainText(lines_.join('\n'));
        memo_->moveCursor(QTextCursor::End);
        memoStale_ = false;
    } else if (memoShown_ < lines_.size()) {
        // One paragraph per line of the text: the document is laid out once for all.
        memo_->appendPlainText(lines_.mid(memoShown_).join('\n'));
    }
    memoShown_ = lines_.size();
}

void StatusWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && OnScreen()) ShowPending();
}

void StatusWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (OnScreen()) ShowPending();
}

void StatusWindow::StopButtonClick() {
    try {
        owner_.SendMFThis(mailbox::kStp);
        SetGradBar(0);
        ctx_.flags.stop = true;
    } catch (const std::exception& e) {
        LogFailure("<StopButtonClick>", e.what());
    }
}

DialogResult StatusWindow::ShowDialog(const std::string& text, DialogKind kind, DialogButtons buttons,
                                      const std::string& caption) {
    if (headless_) {
        const DialogResult answer = buttons == DialogButtons::YesNo ? DialogResult::Yes : DialogResult::Ok;
        std::string shown = caption.empty() ? text : caption + ": " + text;
        std::replace_if(
            shown.begin(), shown.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        const std::string line = "Dialog \"" + shown + "\" answered " + DialogResultText(answer) + " (headless)";
        ctx_.log.WriteLog(line);
        if (mirror_) mirror_->Message(line);
        return answer;
    }
    QMessageBox::StandardButtons shownButtons = QMessageBox::Ok;
    if (buttons == DialogButtons::YesNo) shownButtons = QMessageBox::Yes | QMessageBox::No;
    if (buttons == DialogButtons::OkCancel) shownButtons = QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(kind == DialogKind::Error ? QMessageBox::Critical : QMessageBox::Question,
                    caption.empty() ? windowTitle() : QString::fromStdString(caption), QString::fromStdString(text),
                    shownButtons, this);
    const int pressed = box.exec();
    switch (buttons) {
    case DialogButtons::Ok: return DialogResult::Ok;
    case DialogButtons::YesNo: return pressed == QMessageBox::Yes ? DialogResult::Yes : DialogResult::No;
    case DialogButtons::OkCancel: return pressed == QMessageBox::Cancel ? DialogResult::Cancel : DialogResult::Ok;
    }
    return DialogResult::Ok;
}

void StatusWindow::SetTitle(const std::string& title) {
    title_ = title;
    setWindowTitle(QString::fromStdString(title));
}

void StatusWindow::SetStopCaption(const std::string& caption) { stopButton_->setText(QString::fromStdString(caption)); }

void StatusWindow::SetStatePanelCaption(const std::string& caption) {
    panelText_ = QString::fromStdString(caption);
    labelsStale_ = true;
    ShowSoon();
}

void StatusWindow::SetMessageAreaColour(const QColor& colour) {
    QPalette palette = memo_->palette();
    palette.setColor(QPalette::Base, colour);
    memo_->setPalette(palette);
}

void StatusWindow::ShowNormalIcon() {
    static const QIcon icon = NormalIcon();
    setWindowIcon(icon);
}

void StatusWindow::ShowAtStart() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    showMinimized();
}

void StatusWindow::RestoreNormal() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    if (headless_) return;  // nothing to bring forward on the offscreen platform
    raise();
    activateWindow();
}

void StatusWindow::MessageAreaDoubleClick() { setWindowTitle(QString::fromStdString(title_ + " V " + kAgentVersion)); }

void StatusWindow::PercentLabelDoubleClick() {
    const bool tall = height() == kShortHeight;
    setFixedSize(width(), tall ? kTallHeight : kShortHeight);
    extraMessage_->setVisible(tall);
}

void StatusWindow::StatePanelClick() { owner_.ResetLastAutoProcessDate(); }

QString StatusWindow::StopCaption() const { return stopButton_->text(); }
const QImage& StatusWindow::BarImage() const { return bar_->Image(); }
QColor StatusWindow::ButtonFaceColour() const { return palette().color(QPalette::Button); }
bool StatusWindow::ExtraMessageVisible() const { return !extraMessage_->isHidden(); }

void StatusWindow::closeEvent(QCloseEvent* event) {
    if (owner_.MainWindowMayClose())
        event->accept();
    else
        event->ignore();
}

bool StatusWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == memo_->viewport() && event->type() == QEvent::MouseButtonDblClick) MessageAreaDoubleClick();
    return QWidget::eventFilter(watched, event);
}

}  // namespace kx
