// GUI tests run on Qt's offscreen platform. A watchdog closes any modal box
// that nobody answers, so a surprise dialog fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(":/icons/tickwell-32.png"));

    QTimer watchdog;
    QElapsedTimer openFor;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            openFor.invalidate();
            return;
        }
        if (!openFor.isValid()) openFor.start();
        if (openFor.elapsed() > 8000) {
            ADD_FAILURE() << "unanswered modal box: " << modal->windowTitle().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            modal->close();
            openFor.invalidate();
        }
    });
    watchdog.start(100);
    return RUN_ALL_TESTS();
}
