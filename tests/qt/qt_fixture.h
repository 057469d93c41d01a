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

inline std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(char(b));
    return s;
}

class QtFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ui = std::make_unique<qp::QtPlatform>();
        qp::SetPlatform(ui.get());
        ui->messageHook = [this](const qp::MessageRequest& m) {
            messages.push_back(m);
            return m.buttons != qp::Buttons::Ok ? answer : qp::Answer::Ok;
        };
    }
    void TearDown() override {
        ui.reset();
        qp::SetPlatform(nullptr);
    }
    // Serves the window system until done() holds; false if it never does.
    static bool PumpUntil(const std::function<bool()>& done, int limitMs = 60000) {
        QElapsedTimer t;
        for (t.start(); !done(); QCoreApplication::processEvents(QEventLoop::AllEvents, 20))
            if (t.elapsed() > limitMs) return false;
        return true;
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
