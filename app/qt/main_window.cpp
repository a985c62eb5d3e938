#include "app/qt/main_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <limits>

#include "app/qt/cp936_text.h"
#include "core/query.h"

namespace norvique {

namespace {

QPointer<MainWindow> mainWindow;

// Installed on the application, so every key press passes here before its
// receiver sees it: Tab and Shift+Tab would otherwise be taken by Qt's own
// focus chain before any widget's key handler ran.
class WindowKeyFilter final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return HandleWindowKey(watched, event);
    }
};

// A single-line box whose one text line sits in the middle of the space inside
// its frame; with an odd remainder the extra pixel goes below the line.
class CentredLineEdit final : public QLineEdit {
  public:
    explicit CentredLineEdit(QWidget* parent) : QLineEdit(parent) {}

  protected:
    void resizeEvent(QResizeEvent* event) override {
        CentreLine();
        QLineEdit::resizeEvent(event);
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
            CentreLine();
        }
        QLineEdit::changeEvent(event);
    }

  private:
    void CentreLine() {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const int inside =
            style()->subElementRect(QStyle::SE_LineEditContents, &option, this).height();
        // The height of a text line, which is what the box draws the line in.
        const int line = fontMetrics().height();
        const int above = std::max(0, (inside - line) / 2);
        const int below = std::max(0, inside - line - above);
        setTextMargins(0, above, 0, below);
    }
};

// A push button as the window's keys know it: Space clicks it, and arrow keys
// do nothing. Qt's own button would move the focus with them, outside the
// key table.
class PushButton final : public QPushButton {
  public:
    PushButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
                event->ignore();
                return;
            default:
                QPushButton::keyPressEvent(event);
        }
    }
};

QFont MakeFont(const layout::FontRecord& record) {
    QFont font(FromCodePage936(record.faceName));
    // A negative record height is the character height without internal
    // leading, which is what a pixel size is.
    font.setPixelSize(-record.height);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferQuality);
    return font;
}

void SetColours(QWidget& widget, QPalette::ColorRole background, QPalette::ColorRole text) {
    QPalette palette = widget.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, background, Qt::white);
        palette.setColor(group, text, Qt::black);
    }
    widget.setPalette(palette);
}

QWidget* MakeControl(const layout::ControlLayout& entry, QWidget* parent) {
    const QString text = FromCodePage936(entry.text);
    QWidget* widget = nullptr;
    switch (entry.kind) {
        case layout::ControlKind::kTransparentLabel: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setWordWrap(false);
            // No fill of its own: the window's background shows through.
            label->setAutoFillBackground(false);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(palette);
            widget = label;
            break;
        }
        case layout::ControlKind::kPushButton: {
            auto* button = new PushButton(text, parent);
            // Enter must run no command, so no button may be a default one.
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            break;
        }
        case layout::ControlKind::kEditBox: {
            auto* edit = new CentredLineEdit(parent);
            // No length limit of the program's own; Qt's default would cut a
            // long address at 32767 characters.
            edit->setMaxLength(std::numeric_limits<int>::max());
            SetColours(*edit, QPalette::Base, QPalette::Text);
            edit->setText(text);
            edit->setCursorPosition(0);
            widget = edit;
            break;
        }
    }
    if (entry.font) {
        widget->setFont(MakeFont(*entry.font));
    }
    widget->setGeometry(entry.left, entry.top, entry.width, entry.height);
    // The table lists the controls top first, and a newer sibling would sit
    // above the older ones.
    widget->lower();
    return widget;
}

std::optional<int> VirtualKeyOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return layout::kVirtualKeyTab;
        case Qt::Key_Escape:
            return layout::kVirtualKeyEscape;
        default:
            // No key outside the table has any effect, so none needs a code.
            return std::nullopt;
    }
}

std::optional<int> KeyCodeOf(const QKeyEvent& event) {
    std::optional<int> code = VirtualKeyOf(event);
    if (!code) {
        return std::nullopt;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers & Qt::ControlModifier) {
        *code |= layout::kCtrlFlag;
    }
    // Qt reports Shift+Tab as a key of its own, which means Shift is down.
    if ((modifiers & Qt::ShiftModifier) || event.key() == Qt::Key_Backtab) {
        *code |= layout::kShiftFlag;
    }
    if (modifiers & Qt::AltModifier) {
        *code |= layout::kAltFlag;
    }
    return code;
}

}  // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(FromCodePage936(layout::kCaption));
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    for (const layout::ControlLayout& entry : layout::kControls) {
        widgets_[static_cast<std::size_t>(entry.control)] = MakeControl(entry, this);
    }
    // Qt's own chain only matters where Qt moves the focus by itself, as when
    // the window is activated for the first time.
    for (std::size_t i = 1; i < layout::kFocusOrder.size(); ++i) {
        setTabOrder(ControlWidget(layout::kFocusOrder[i - 1]),
                    ControlWidget(layout::kFocusOrder[i]));
    }
    QObject::connect(static_cast<QPushButton*>(ControlWidget(Control::按钮1)),
                     &QPushButton::clicked, [] { OnQueryClicked(); });
    QObject::connect(static_cast<QPushButton*>(ControlWidget(Control::按钮2)),
                     &QPushButton::clicked, [] { OnClearClicked(); });
    // A child of the window, so the filter goes away with it.
    qApp->installEventFilter(new WindowKeyFilter(this));
}

QWidget* MainWindow::ControlWidget(Control control) const {
    return widgets_[static_cast<std::size_t>(control)];
}

std::optional<Control> MainWindow::FocusedControl() const {
    const QWidget* focused = focusWidget();
    for (const Control control : layout::kFocusOrder) {
        if (ControlWidget(control) == focused) {
            return control;
        }
    }
    return std::nullopt;
}

void MainWindow::StepFocus(int steps) {
    const Control current = FocusedControl().value_or(layout::kFocusOrder.back());
    const Control next = layout::StepFocus(current, steps, [this](Control control) {
        const QWidget* widget = ControlWidget(control);
        return widget->isVisible() && widget->isEnabled();
    });
    // Not a Tab focus reason: that would select the whole text of a box,
    // which the window's own focus moves never do.
    ControlWidget(next)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::paintEvent(QPaintEvent*) {
    // Read at every repaint, so a change of the palette shows at once.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
}

bool ShowMainWindow() {
    mainWindow = new MainWindow;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        // Centred by the outer size a Windows frame has, so that the two
        // programs open in the same place.
        const QRect area = screen->geometry();
        mainWindow->move(area.x() + (area.width() - layout::kWindowWidth) / 2,
                         area.y() + (area.height() - layout::kWindowHeight) / 2);
    }
    mainWindow->ControlWidget(Control::编辑框1)->setFocus(Qt::OtherFocusReason);
    mainWindow->show();
    return mainWindow->isVisible() && mainWindow->windowHandle() != nullptr;
}

MainWindow* TheMainWindow() {
    return mainWindow.data();
}

bool HandleWindowKey(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::KeyPress || mainWindow.isNull()) {
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (widget == nullptr || widget->window() != mainWindow.data()) {
        return false;
    }
    const std::optional<int> code = KeyCodeOf(static_cast<const QKeyEvent&>(*event));
    const std::optional<layout::KeyAction> action =
        code ? layout::FindKeyAction(*code) : std::nullopt;
    if (!action) {
        return false;
    }
    switch (*action) {
        case layout::KeyAction::kFocusNext:
            mainWindow->StepFocus(1);
            break;
        case layout::KeyAction::kFocusPrevious:
            mainWindow->StepFocus(-1);
            break;
        case layout::KeyAction::kClose:
            // The same request as the close button's.
            mainWindow->close();
            break;
    }
    return true;
}

}  // namespace norvique
