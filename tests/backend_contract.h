// One contract for every window system: what the core asks of a backend gives
// the same results whatever shows it. A backend's tests supply a Backend (the
// platform with the user's hands and eyes on it) and instantiate the suite:
//   INSTANTIATE_TEST_SUITE_P(Qt, BackendContract, ::testing::Values(&MakeQtBackend));
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/windowbase.h"

namespace contract {

class Backend {
public:
    virtual ~Backend() = default;
    virtual qp::Platform& Ui() = 0;
    // Message boxes are answered by this instead of being shown.
    virtual void AnswerMessages(std::function<qp::Answer(const qp::MessageRequest&)> answer) = 0;
    // Where the windows live (a backend without windows runs calls where they are made).
    virtual bool OnGuiThread() = 0;
    // Serves the window system until done() holds; false if it never does.
    virtual bool PumpUntil(const std::function<bool()>& done) = 0;
    // Called once the windows of a test are made.
    virtual void Settle() {}

    // --- the eyes: nullopt where the backend shows nothing ---
    // A cell of a list view or dialog list, by the view's item.
    virtual std::optional<std::u16string> Cell(int control, int item, int column) = 0;
    // The text a field shows, and a status field.
    virtual std::optional<std::u16string> FieldShown(int control) = 0;
    virtual std::optional<std::u16string> StatusShown(int field) = 0;
    virtual int Items(int list) = 0;
    virtual int FocusedItem(int list) = 0;

    // --- the hands ---
    // The user puts the focus on an item of a view.
    virtual void FocusItem(int list, int item) = 0;
    // Keys typed at the end of a field's or pane's text, Enter among them as
    // '\r'; false when the backend has no keyboard.
    virtual bool Type(int control, const std::u16string& keys) = 0;
    // A click on a button or check box of a dialog.
    virtual void Click(int control) = 0;
};

using BackendFactory = std::unique_ptr<Backend> (*)();

class BackendContract : public ::testing::TestWithParam<BackendFactory> {
protected:
    void SetUp() override;
    void TearDown() override;
    qp::Platform& Ui() { return backend->Ui(); }
    // The IDs of the items a list view shows, in order ("b d e ").
    std::string ShownIds(int list);

    std::unique_ptr<Backend> backend;
    std::vector<qp::MessageRequest> messages;
};

}  // namespace contract
