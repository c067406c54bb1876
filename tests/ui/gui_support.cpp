#include "gui_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace tickwell::gui {

namespace {

QWidget* Target() {
    QWidget* w = QApplication::focusWidget();
    if (!w) w = QApplication::activeWindow();
    return w;
}

}  // namespace

void Press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = Target();
    EXPECT_NE(target, nullptr) << "no widget to type into";
    if (!target) return;
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    QCoreApplication::processEvents();
}

void Type(const QString& keys) {
    for (const QChar c : keys) {
        QWidget* target = Target();
        EXPECT_NE(target, nullptr) << "no widget to type into";
        if (!target) return;
        switch (c.unicode()) {
            case '\r': QTest::keyClick(target, Qt::Key_Return); break;
            case '\b': QTest::keyClick(target, Qt::Key_Backspace); break;
            case 27: QTest::keyClick(target, Qt::Key_Escape); break;
            default: QTest::keyClick(target, c.toLatin1()); break;
        }
        QCoreApplication::processEvents();
    }
}

void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (clock->elapsed() < 5000) return;
            ADD_FAILURE() << "the expected modal box never appeared";
        } else {
            act(modal);
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
    });
    timer->start(10);
}

QString FocusName() {
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString("(none)");
}

}  // namespace tickwell::gui
