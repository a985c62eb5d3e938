// One query from end to end in the real window under the offscreen platform:
// the address typed into 编辑框1, Tab to 按钮1, Space, and the page read from
// the local test server.
#include <QLineEdit>
#include <QtTest>

// moc cannot read the Chinese control names, and needs none of these.
#ifndef Q_MOC_RUN
#include "app/qt/main_window.h"
#include "core/query.h"
#include "tests/app/qt/modal_box.h"
#include "tests/support/cp936.h"
#include "tests/support/page_server.h"
#endif

using namespace norvique;

class QueryTest : public QObject {
    Q_OBJECT

  private:
    MainWindow* window_ = nullptr;

  private slots:
    void init() {
        QVERIFY(ShowMainWindow());
        window_ = TheMainWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    void cleanup() { delete TheMainWindow(); }

    void query_data() {
        const test::PageServer server = test::PageServer::FromEnvironment();
        QTest::addColumn<QString>("address");
        // Empty: the query fails and the information box is shown.
        QTest::addColumn<QString>("result");
        QTest::newRow("end time") << QString::fromStdString(server.Http("/ends/1368346611"))
                                  << QStringLiteral("2013年5月12日16时16分51秒");
        QTest::newRow("midnight") << QString::fromStdString(server.Http("/ends/1368288000"))
                                  << QStringLiteral("2013年5月12日");
        QTest::newRow("no marker") << QString::fromStdString(server.Http("/missing")) << QString();
        QTest::newRow("nobody listening")
            << QStringLiteral("http://127.0.0.1:%1/ends/1").arg(server.closedPort()) << QString();
        QTest::newRow("empty address") << QString() << QString();
    }
    void query() {
        QFETCH(QString, address);
        QFETCH(QString, result);
        WriteControlText(Control::编辑框2, test::Gbk("上次的结果"));
        QWidget* addressBox = window_->ControlWidget(Control::编辑框1);
        QCOMPARE(QApplication::focusWidget(), addressBox);
        QTest::keyClicks(addressBox, address);
        QTest::keyClick(addressBox, Qt::Key_Tab);
        QWidget* queryButton = QApplication::focusWidget();
        QCOMPARE(queryButton, window_->ControlWidget(Control::按钮1));

        test::ModalBoxCloser boxes;
        QTest::keyClick(queryButton, Qt::Key_Space);
        const auto* resultBox = qobject_cast<QLineEdit*>(window_->ControlWidget(Control::编辑框2));
        if (result.isEmpty()) {
            QTRY_COMPARE(boxes.seen().size(), std::size_t{1});
            QCOMPARE(boxes.seen().front().text, QStringLiteral("请检查网址是否正确"));
            QCOMPARE(resultBox->text(), QStringLiteral("上次的结果"));
        } else {
            QVERIFY(boxes.seen().empty());
            QCOMPARE(resultBox->text(), result);
        }
        QCOMPARE(ReadControlText(Control::编辑框1), address.toStdString());
    }
};

QTEST_MAIN(QueryTest)
#include "query_test.moc"
