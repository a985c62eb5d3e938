// The box accessors and the information box that the query commands rely on.
#include <QLineEdit>
#include <QMessageBox>

#include "app/qt/cp936_text.h"
#include "app/qt/main_window.h"
#include "core/query.h"

namespace norvique {

namespace {

QLineEdit* EditBox(Control box) {
    const MainWindow* window = TheMainWindow();
    return window == nullptr ? nullptr : qobject_cast<QLineEdit*>(window->ControlWidget(box));
}

// A Text ends at its first NUL byte, as a window text would.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

Text ReadControlText(Control box) {
    const QLineEdit* edit = EditBox(box);
    if (edit == nullptr) {
        return {};
    }
    return Text(UpToNul(ToCodePage936(edit->text())));
}

void WriteControlText(Control box, const Text& text) {
    QLineEdit* edit = EditBox(box);
    if (edit != nullptr) {
        edit->setText(FromCodePage936(UpToNul(text)));
        // As a window text set on an edit control: shown from its beginning,
        // the caret before the first character.
        edit->setCursorPosition(0);
    }
}

void ShowMessage(const Text& message) {
    // No owner, and modal for the whole application: the main window takes
    // no input until the box is closed.
    QMessageBox box(QMessageBox::NoIcon, FromCodePage936(kMessageCaption),
                    FromCodePage936(UpToNul(message)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace norvique
