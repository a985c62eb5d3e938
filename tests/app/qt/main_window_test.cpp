// The real main window under Qt's offscreen platform: its layout against the
// shared tables, the keys, the two buttons, the box accessors, the
// information box and the program's exit codes.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QtTest>
#include <string>

// moc cannot read the Chinese control names, and needs none of these.
#ifndef Q_MOC_RUN
#include "app/layout.h"
#include "app/qt/main_window.h"
#include "app/qt/program.h"
#include "core/query.h"
#include "tests/app/qt/modal_box.h"
#include "tests/support/cp936.h"
#endif

using namespace norvique;

Q_DECLARE_METATYPE(norvique::Control)

namespace {

QString Shown(std::string_view gbk) {
    return QString::fromStdString(test::Utf8(gbk));
}

const char* NameOf(Control control) {
    switch (control) {
        case Control::透明标签3:
            return "透明标签3";
        case Control::按钮2:
            return "按钮2";
        case Control::透明标签2:
            return "透明标签2";
        case Control::透明标签1:
            return "透明标签1";
        case Control::编辑框2:
            return "编辑框2";
        case Control::按钮1:
            return "按钮1";
        case Control::编辑框1:
            return "编辑框1";
    }
    return "?";
}

bool StartUpFails() {
    return false;
}

// One row per control of the focus order, in column "focused".
void AddFocusedRows() {
    QTest::addColumn<Control>("focused");
    for (const Control control : layout::kFocusOrder) {
        QTest::newRow(NameOf(control)) << control;
    }
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    MainWindow* window_ = nullptr;

    QWidget* Widget(Control control) const { return window_->ControlWidget(control); }
    QLineEdit* Edit(Control control) const { return qobject_cast<QLineEdit*>(Widget(control)); }

  private slots:
    void init() {
        QVERIFY(ShowMainWindow());
        window_ = TheMainWindow();
        QVERIFY(window_ != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    void cleanup() {
        delete TheMainWindow();
        window_ = nullptr;
    }

    void windowFrame() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Norvique"));
        QCOMPARE(window_->size(), QSize(layout::kClientWidth, layout::kClientHeight));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowStaysOnTopHint));
        QVERIFY(window_->parentWidget() == nullptr);

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window_->pos(),
                 QPoint(screen.x() + (screen.width() - layout::kWindowWidth) / 2,
                        screen.y() + (screen.height() - layout::kWindowHeight) / 2));

        // A corner that no control covers shows the button face colour.
        const QImage image = window_->grab().toImage();
        QCOMPARE(image.pixelColor(0, 0), window_->palette().color(QPalette::Button));
        // Moving stays allowed; sizing does not.
        window_->move(window_->pos() + QPoint(5, 5));
        window_->resize(600, 400);
        QCOMPARE(window_->size(), QSize(layout::kClientWidth, layout::kClientHeight));
    }

    void controls_data() {
        QTest::addColumn<int>("row");
        for (std::size_t row = 0; row < layout::kControls.size(); ++row) {
            QTest::newRow(NameOf(layout::kControls[row].control)) << static_cast<int>(row);
        }
    }
    void controls() {
        QFETCH(int, row);
        const layout::ControlLayout& entry = layout::kControls[static_cast<std::size_t>(row)];
        QWidget* widget = Widget(entry.control);
        QCOMPARE(widget->geometry(), QRect(entry.left, entry.top, entry.width, entry.height));
        QVERIFY(widget->isVisible());

        if (entry.font) {
            QCOMPARE(widget->font().family(), Shown(entry.font->faceName));
            QCOMPARE(widget->font().pixelSize(), -entry.font->height);
            QCOMPARE(widget->font().weight(), QFont::Normal);
            QVERIFY(!widget->font().italic());
        } else {
            QCOMPARE(widget->font(), QApplication::font(widget));
        }

        // Stacked in table order, top first: Qt keeps siblings bottom first.
        const QObjectList siblings = window_->children();
        const auto stackIndex = [&](Control control) {
            return siblings.indexOf(window_->ControlWidget(control));
        };
        if (row > 0) {
            const Control above = layout::kControls[static_cast<std::size_t>(row) - 1].control;
            QVERIFY(stackIndex(above) > stackIndex(entry.control));
        }

        switch (entry.kind) {
            case layout::ControlKind::kTransparentLabel: {
                auto* label = qobject_cast<QLabel*>(widget);
                QVERIFY(label != nullptr);
                QCOMPARE(label->text(), Shown(entry.text));
                QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
                QVERIFY(!label->wordWrap());
                QVERIFY(!label->autoFillBackground());
                QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
                break;
            }
            case layout::ControlKind::kPushButton: {
                auto* button = qobject_cast<QPushButton*>(widget);
                QVERIFY(button != nullptr);
                QCOMPARE(button->text(), Shown(entry.text));
                QVERIFY(!button->isDefault());
                QVERIFY(!button->autoDefault());
                break;
            }
            case layout::ControlKind::kEditBox: {
                auto* edit = qobject_cast<QLineEdit*>(widget);
                QVERIFY(edit != nullptr);
                QVERIFY(edit->text().isEmpty());
                QVERIFY(!edit->isReadOnly());
                QVERIFY(edit->validator() == nullptr);
                QCOMPARE(edit->palette().color(QPalette::Base), QColor(Qt::white));
                QCOMPARE(edit->palette().color(QPalette::Text), QColor(Qt::black));
                break;
            }
        }
    }

    void editLineCentred_data() {
        QTest::addColumn<Control>("box");
        QTest::addColumn<int>("extraHeight");
        for (const Control box : {Control::编辑框1, Control::编辑框2}) {
            // One of each pair leaves an odd remainder, whatever the style's frame.
            QTest::addRow("%s", NameOf(box)) << box << 0;
            QTest::addRow("%s one pixel taller", NameOf(box)) << box << 1;
        }
    }
    void editLineCentred() {
        QFETCH(Control, box);
        QFETCH(int, extraHeight);
        QLineEdit* edit = Edit(box);
        edit->resize(edit->width(), edit->height() + extraHeight);
        edit->setText(QStringLiteral("Wy"));
        // The line's place is settled when the box paints.
        (void)edit->grab();

        const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        const int insideTop = frame;
        const int insideBottom = edit->height() - frame;
        const int line = edit->fontMetrics().height();
        const QRect cursor = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int above = cursor.top() - insideTop;
        const int below = insideBottom - (cursor.top() + line);
        QCOMPARE(above, (insideBottom - insideTop - line) / 2);
        QCOMPARE(below - above, (insideBottom - insideTop - line) % 2);
    }

    void focusAtStart() { QCOMPARE(QApplication::focusWidget(), Widget(Control::编辑框1)); }

    void focusOrder_data() {
        QTest::addColumn<Control>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<Control>("to");
        const int tab = Qt::Key_Tab;
        const int backtab = Qt::Key_Backtab;
        QTest::newRow("Tab 编辑框1") << Control::编辑框1 << tab << Control::按钮1;
        QTest::newRow("Tab 按钮1") << Control::按钮1 << tab << Control::编辑框2;
        QTest::newRow("Tab 编辑框2") << Control::编辑框2 << tab << Control::按钮2;
        QTest::newRow("Tab 按钮2 wraps") << Control::按钮2 << tab << Control::编辑框1;
        QTest::newRow("Shift+Tab 编辑框1 wraps") << Control::编辑框1 << backtab << Control::按钮2;
        QTest::newRow("Shift+Tab 按钮2") << Control::按钮2 << backtab << Control::编辑框2;
        QTest::newRow("Shift+Tab 编辑框2") << Control::编辑框2 << backtab << Control::按钮1;
        QTest::newRow("Shift+Tab 按钮1") << Control::按钮1 << backtab << Control::编辑框1;
    }
    void focusOrder() {
        QFETCH(Control, from);
        QFETCH(int, key);
        QFETCH(Control, to);
        Edit(Control::编辑框1)->setText(QStringLiteral("kept"));
        Widget(from)->setFocus();
        const Qt::KeyboardModifiers modifiers =
            key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier;
        QTest::keyClick(Widget(from), static_cast<Qt::Key>(key), modifiers);
        QCOMPARE(QApplication::focusWidget(), Widget(to));
        // Tab moves the focus and nothing else: no tab character, no selection.
        QCOMPARE(Edit(Control::编辑框1)->text(), QStringLiteral("kept"));
        QVERIFY(!Edit(Control::编辑框1)->hasSelectedText());
    }

    void keysWithoutEffect_data() {
        QTest::addColumn<Control>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        const int alt = Qt::AltModifier;
        QTest::newRow("Ctrl+Tab 编辑框1") << Control::编辑框1 << int{Qt::Key_Tab} << ctrl;
        QTest::newRow("Ctrl+Tab 按钮1") << Control::按钮1 << int{Qt::Key_Tab} << ctrl;
        QTest::newRow("Ctrl+Shift+Tab 编辑框2")
            << Control::编辑框2 << int{Qt::Key_Backtab} << (ctrl | shift);
        QTest::newRow("Alt+Tab 编辑框1") << Control::编辑框1 << int{Qt::Key_Tab} << alt;
        QTest::newRow("Shift+Esc 编辑框1") << Control::编辑框1 << int{Qt::Key_Escape} << shift;
        QTest::newRow("Ctrl+Esc 按钮2") << Control::按钮2 << int{Qt::Key_Escape} << ctrl;
        QTest::newRow("Enter 编辑框1") << Control::编辑框1 << int{Qt::Key_Return} << none;
        QTest::newRow("keypad Enter 编辑框2") << Control::编辑框2 << int{Qt::Key_Enter} << none;
        QTest::newRow("Enter 按钮1") << Control::按钮1 << int{Qt::Key_Return} << none;
        QTest::newRow("Enter 按钮2") << Control::按钮2 << int{Qt::Key_Return} << none;
        // A push button takes no arrow key: the focus stays where it is.
        QTest::newRow("Down 按钮1") << Control::按钮1 << int{Qt::Key_Down} << none;
        QTest::newRow("Right 按钮1") << Control::按钮1 << int{Qt::Key_Right} << none;
        QTest::newRow("Up 按钮2") << Control::按钮2 << int{Qt::Key_Up} << none;
        QTest::newRow("Left 按钮2") << Control::按钮2 << int{Qt::Key_Left} << none;
    }
    void keysWithoutEffect() {
        QFETCH(Control, focused);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        WriteControlText(Control::编辑框1, "a");
        WriteControlText(Control::编辑框2, "b");
        Widget(focused)->setFocus();
        test::ModalBoxCloser boxes;
        QTest::keyClick(Widget(focused), static_cast<Qt::Key>(key),
                        Qt::KeyboardModifiers(modifiers));
        QTest::qWait(50);
        QVERIFY(boxes.seen().empty());  // no query ran
        QCOMPARE(TheMainWindow(), window_);
        QVERIFY(window_->isVisible());
        QCOMPARE(QApplication::focusWidget(), Widget(focused));
        QCOMPARE(ReadControlText(Control::编辑框1), Text("a"));
        QCOMPARE(ReadControlText(Control::编辑框2), Text("b"));
    }

    void escapeCloses_data() { AddFocusedRows(); }
    void escapeCloses() {
        QFETCH(Control, focused);
        Widget(focused)->setFocus();
        QTest::keyClick(Widget(focused), Qt::Key_Escape);
        QTRY_VERIFY(TheMainWindow() == nullptr);
    }

    void queryButton_data() {
        QTest::addColumn<bool>("bySpace");
        QTest::newRow("Space") << true;
        QTest::newRow("mouse") << false;
    }
    void queryButton() {
        QFETCH(bool, bySpace);
        // An empty address reads no page: the information box, nothing else.
        WriteControlText(Control::编辑框2, "kept");
        QWidget* button = Widget(Control::按钮1);
        button->setFocus();
        test::ModalBoxCloser boxes;
        if (bySpace) {
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        QTRY_COMPARE(boxes.seen().size(), std::size_t{1});
        const test::SeenBox& box = boxes.seen().front();
        QCOMPARE(box.caption, QStringLiteral("信息："));
        QCOMPARE(box.text, QStringLiteral("请检查网址是否正确"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.buttonCount, qsizetype{1});
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.modality, Qt::ApplicationModal);
        QVERIFY(!box.hasOwner);
        QCOMPARE(ReadControlText(Control::编辑框2), Text("kept"));
        QVERIFY(window_->isVisible());
    }

    void clearButton() {
        WriteControlText(Control::编辑框1, test::Gbk("http://127.0.0.1/页"));
        WriteControlText(Control::编辑框2, test::Gbk("2013年5月12日"));
        Widget(Control::按钮2)->setFocus();
        QTest::keyClick(Widget(Control::按钮2), Qt::Key_Space);
        QVERIFY(Edit(Control::编辑框1)->text().isEmpty());
        QVERIFY(Edit(Control::编辑框2)->text().isEmpty());
    }

    void readControlText_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<std::string>("expected");
        QTest::newRow("empty") << QString() << std::string();
        QTest::newRow("ASCII") << QStringLiteral("http://127.0.0.1:8080/ends/1")
                               << std::string("http://127.0.0.1:8080/ends/1");
        QTest::newRow("Chinese") << QStringLiteral("请输入网址：查询")
                                 << test::Gbk("请输入网址：查询");
        QTest::newRow("euro sign of code page 936") << QStringLiteral("€5")
                                                    << std::string(
                                                           "\x80"
                                                           "5");
        QTest::newRow("emoji outside code page 936")
            << QStringLiteral("a😀b中") << "a?b" + test::Gbk("中");
        QTest::newRow("Thai outside code page 936") << QStringLiteral("กข") << std::string("??");
        QTest::newRow("text typed after an unconvertible one")
            << QStringLiteral("\u0e01x/ends") << std::string("?x/ends");
    }
    void readControlText() {
        QFETCH(QString, shown);
        QFETCH(std::string, expected);
        for (const Control box : {Control::编辑框1, Control::编辑框2}) {
            Edit(box)->setText(shown);
            QCOMPARE(ReadControlText(box), expected);
        }
    }

    void writeControlText_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << std::string() << QString();
        QTest::newRow("result") << test::Gbk("2013年5月12日16时16分51秒")
                                << QStringLiteral("2013年5月12日16时16分51秒");
        QTest::newRow("undefined byte") << std::string(
                                               "a\xFF"
                                               "b")
                                        << QStringLiteral("a?b");
        QTest::newRow("lead byte at the end") << std::string("ab\xB2") << QStringLiteral("ab?");
        QTest::newRow("ends at NUL") << std::string("ab\0cd", 5) << QStringLiteral("ab");
    }
    void writeControlText() {
        QFETCH(std::string, text);
        QFETCH(QString, shown);
        for (const Control box : {Control::编辑框1, Control::编辑框2}) {
            Edit(box)->setText(QStringLiteral("old"));
            WriteControlText(box, text);
            QCOMPARE(Edit(box)->text(), shown);
            QCOMPARE(Edit(box)->cursorPosition(), 0);
        }
    }

    void typedTextIsRead() {
        QTest::keyClicks(Widget(Control::编辑框1), QStringLiteral("Ab c=1"));
        QCOMPARE(ReadControlText(Control::编辑框1), Text("Ab c=1"));
    }

    void noLengthLimit() {
        const Text longText = "http://127.0.0.1/" + std::string(70000, 'x') + test::Gbk("中");
        WriteControlText(Control::编辑框1, longText);
        QCOMPARE(ReadControlText(Control::编辑框1), longText);
        QTest::keyClicks(Widget(Control::编辑框1), QStringLiteral("yz"));
        QCOMPARE(ReadControlText(Control::编辑框1).size(), longText.size() + 2);
    }

    void focusComesBack_data() { AddFocusedRows(); }
    void focusComesBack() {
        QFETCH(Control, focused);
        Widget(focused)->setFocus();
        QWidget other;
        other.setWindowTitle(QStringLiteral("other"));
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!window_->isActiveWindow());
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        QCOMPARE(QApplication::focusWidget(), Widget(focused));
    }

    void exitCodes_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("exitHandlerRan");
        QTest::newRow("Esc") << QStringLiteral("escape") << kExitNormal << true;
        QTest::newRow("close button") << QStringLiteral("close") << kExitNormal << true;
        QTest::newRow("after a query") << QStringLiteral("query") << kExitNormal << true;
        QTest::newRow("start-up window fails") << QStringLiteral("fail") << kExitFatal << false;
    }
    void exitCodes() {
        QFETCH(QString, how);
        QFETCH(int, exitCode);
        QFETCH(bool, exitHandlerRan);
        cleanup();  // the program opens its own window
        lastPageText = "a page of an earlier query";

        test::ModalBoxCloser boxes;
        // Runs once the program's loop has started.
        QTimer::singleShot(0, [how] {
            MainWindow* window = TheMainWindow();
            if (window == nullptr) {
                return;
            }
            if (how == QStringLiteral("query")) {
                QTest::keyClick(window->ControlWidget(Control::按钮1), Qt::Key_Space);
            }
            if (how == QStringLiteral("close")) {
                window->close();
            } else {
                QTest::keyClick(window->ControlWidget(Control::编辑框1), Qt::Key_Escape);
            }
        });
        const int code = ProgramMain(how == QStringLiteral("fail") ? StartUpFails : ShowMainWindow);
        QCOMPARE(code, exitCode);
        QVERIFY(TheMainWindow() == nullptr);
        QCOMPARE(lastPageText.empty(), exitHandlerRan);
        if (how == QStringLiteral("fail")) {
            QCOMPARE(boxes.seen().size(), std::size_t{1});
            QCOMPARE(boxes.seen().front().icon, QMessageBox::Critical);
            QCOMPARE(boxes.seen().front().text, QStringLiteral("启动窗口载入失败"));
        } else {
            QCOMPARE(boxes.seen().size(),
                     how == QStringLiteral("query") ? std::size_t{1} : std::size_t{0});
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
