// Finds the modal box that a blocking call opens, records what it showed and
// closes it with its OK button, from inside the box's own event loop.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <optional>

namespace norvique::test {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    qsizetype buttonCount = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    bool hasOwner = false;
};

class ModalBoxCloser {
  public:
    ModalBoxCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }

    // Every box seen while this object lived, oldest first.
    const std::vector<SeenBox>& seen() const { return seen_; }

  private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        seen_.push_back({box->windowTitle(), box->text(), box->standardButtons(),
                         box->buttons().size(), box->icon(), box->windowModality(),
                         box->parentWidget() != nullptr});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }

    QTimer timer_;
    std::vector<SeenBox> seen_;
};

}  // namespace norvique::test
