// A Qt window system of its own for each test, made current for the core.
#pragma once

#include <QtWidgets>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "base/workspace.h"
#include "platform/qt/qt_platform.h"

namespace qt_test {

// Keys typed into a widget, also characters QTest has no key for; '\r' is Enter.
inline void Type(QWidget* w, const QString& text) {
    w->setFocus();
    for (QChar c : text) {
        if (c == QLatin1Char('\r')) {
            QTest::keyClick(w, Qt::Key_Return);
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

// Serves the window system until done() holds; false if it never does.
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 60000) {
    QElapsedTimer t;
    for (t.start(); !done(); QCoreApplication::processEvents(QEventLoop::AllEvents, 20))
        if (t.elapsed() > limitMs) return false;
    return true;
}

class QtFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ui = std::make_unique<qp::QtPlatform>();
        qp::SetPlatform(ui.get());
        ui->messageHook = [this](const qp::MessageRequest& m) {
            messages.push_back(m);
            return qp::AsksYesNo(m.buttons) ? answer : qp::Answer::Ok;
        };
    }
    void TearDown() override {
        ui.reset();
        qp::SetPlatform(nullptr);
    }
    std::vector<qp::Event> TakeEvents() {
        QCoreApplication::processEvents();
        std::vector<qp::Event> out;
        for (qp::Event ev; ui->QueuedEvents() > 0 && ui->WaitEvent(ev);) out.push_back(ev);
        return out;
    }
    QTableView* View(int id) { return qobject_cast<QTableView*>(ui->ControlWidget(id)); }
    QPoint RowPoint(int id, int row, int column = 1) {
        return View(id)->visualRect(View(id)->model()->index(row, column)).center();
    }

    std::unique_ptr<qp::QtPlatform> ui;
    std::vector<qp::MessageRequest> messages;
    qp::Answer answer = qp::Answer::Yes;
};

}  // namespace qt_test
